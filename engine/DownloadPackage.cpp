#include "engine/DownloadPackage.h"

#include "base/ScopedCurl.h"

#include <vector>

#include <windows.h>

#include "engine/BackgroundFileWriter.h"
#include "engine/CommonCurlOptions.h"
#include "engine/DownloadRules.h"
#include "engine/TextConversion.h"

namespace Engine {

namespace {

// Every turn of libcurl's transfer loop is a select() and a recv(), each a round trip to Wine's
// server; a receive takes whatever the socket holds, up to the buffer's size. With 2 MiB instead
// of 512 KiB a 512 MiB download over loopback took 0.41 s instead of 0.54 s here (medians of
// seven; libcurl takes up to 10 MiB, and 4 MiB was no faster and costs 2 MB more working set).
constexpr long kReceiveBufferBytes = 2 * 1024 * 1024;
// libcurl hands the body over in slices of at most 16 KiB whatever one receive brought; under Wine
// every WriteFile is a round trip of its own, so the slices are gathered into larger writes.
constexpr size_t kWriteBatchBytes = 1024 * 1024;

// Handed to both libcurl callbacks for one transfer.
struct DownloadContext {
    HANDLE file = INVALID_HANDLE_VALUE;  // owned by the caller's UniqueFile
    uint64_t bytesWritten = 0;           // taken from libcurl, whether still gathered or on disk
    std::vector<char> pending;
    int lastPercent = -1;
    ProgressCallback progress;
    AbortCheck abortCheck;
    std::wstring error;
};

// Writes what has been gathered; false (with the message set) if the file does not take it all.
bool FlushPending(DownloadContext& context) {
    if (!context.pending.empty() && !WriteWhole(context.file, context.pending.data(), context.pending.size())) {
        context.error = MsgWriteFailed(GetLastError());
        return false;
    }
    context.pending.clear();
    return true;
}

size_t WriteBody(char* data, size_t size, size_t count, void* userData) {
    try {
        auto* context = static_cast<DownloadContext*>(userData);
        const uint64_t length = static_cast<uint64_t>(size) * count;
        if (ExceedsPackageLimit(context->bytesWritten, length)) {
            context->error = kMsgPackageTooLarge;
            return 0;
        }
        if (context->pending.size() + length > kWriteBatchBytes && !FlushPending(*context))
            return 0;
        context->pending.insert(context->pending.end(), data, data + length);
        context->bytesWritten += length;
        return static_cast<size_t>(length);
    } catch (...) {
        return 0;  // libcurl is C: nothing may unwind through it
    }
}

int ProbeProgress(void* userData, curl_off_t total, curl_off_t downloaded, curl_off_t, curl_off_t) {
    try {
        auto* context = static_cast<DownloadContext*>(userData);
        if (context->abortCheck && context->abortCheck())
            return 1;
        if (!context->progress)
            return 0;
        const int percent = DownloadPercent(downloaded, total);
        if (percent >= 0 && percent != context->lastPercent) {
            context->progress(percent);
            context->lastPercent = percent;
        }
        return 0;
    } catch (...) {
        return 1;  // libcurl is C: nothing may unwind through it
    }
}

void SetOptions(CURL* curl, const std::string& url, DownloadContext& context) {
    SetCommonCurlOptions(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 60L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 600L);
    // A body announced past the limit is refused as soon as its headers arrive, before a byte of it
    // is written; WriteBody still guards bodies that announce no length.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxPackageBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &context);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &ProbeProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &context);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
}

}  // namespace

bool DownloadPackage(const std::wstring& url,
                     const std::wstring& file,
                     const ProgressCallback& progress,
                     std::wstring& message,
                     const AbortCheck& abort) {
    DownloadJob job;
    job.url = url;
    job.file = file;
    job.progress = progress;
    job.abort = abort;
    return DownloadPackage(job, message);
}

bool DownloadPackage(const DownloadJob& job, std::wstring& message, const DownloadPolicy&) {
    const std::wstring& url = job.url;
    const std::wstring& file = job.file;
    const ProgressCallback& progress = job.progress;
    const AbortCheck& abort = job.abort;
    base::CurlGlobal global;
    if (!global.Ok()) {
        message = kMsgCurlInitFailed;
        return false;
    }
    base::UniqueCurl curl{curl_easy_init()};
    if (!curl) {
        message = kMsgCurlHandleFailed;
        return false;
    }
    base::UniqueFile target{CreateFreshFile(file)};
    if (!target) {
        message = MsgTempFileNotOpened(GetLastError());
        return false;
    }
    DownloadContext context;
    context.file = target.Get();
    context.pending.reserve(kWriteBatchBytes);
    context.progress = progress;
    context.abortCheck = abort;

    const std::string utf8Url = Utf16ToUtf8(url);
    SetOptions(curl.Get(), utf8Url, context);
    CURLcode result = curl_easy_perform(curl.Get());
    // What arrived before a failed transfer is written too, so the file holds every byte received.
    if (context.error.empty() && !FlushPending(context) && result == CURLE_OK)
        result = CURLE_WRITE_ERROR;

    DownloadFacts facts;
    facts.transferOk = result == CURLE_OK;
    facts.transferError = Utf8ToUtf16(curl_easy_strerror(result));
    curl_easy_getinfo(curl.Get(), CURLINFO_RESPONSE_CODE, &facts.responseCode);
    curl_off_t announced = -1;
    if (curl_easy_getinfo(curl.Get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK)
        facts.announcedLength = announced;
    facts.writerError = result == CURLE_FILESIZE_EXCEEDED ? std::wstring(kMsgPackageTooLarge) : context.error;
    facts.bytesWritten = context.bytesWritten;
    target.Reset();
    curl.Reset();

    const std::wstring failure = DecideDownloadOutcome(facts);
    if (!failure.empty()) {
        message = failure;
        return false;
    }
    if (progress)
        progress(kDownloadProgressEnd);
    return true;
}

}  // namespace Engine

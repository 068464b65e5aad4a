#include "engine/DownloadPackage.h"

#include "base/ScopedCurl.h"

#include <vector>

#include <windows.h>

#include "engine/BackgroundFileWriter.h"
#include "engine/CommonCurlOptions.h"
#include "engine/SystemProxy.h"
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
// The status line beneath the bar changes at most this often, and the rate is sampled as often.
constexpr ULONGLONG kStatusIntervalMs = 250;
// A back-off wait looks at the abort check this often, so closing the window is never held up.
constexpr DWORD kWaitSliceMs = 50;

TransferEnd ClassifyResult(CURLcode result) {
    switch (result) {
        case CURLE_OK:
            return TransferEnd::kOk;
        case CURLE_ABORTED_BY_CALLBACK:
            return TransferEnd::kAborted;
        case CURLE_COULDNT_CONNECT:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return TransferEnd::kConnectFailed;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return TransferEnd::kDropped;
        case CURLE_OPERATION_TIMEDOUT:
            return TransferEnd::kTimedOut;
        default:
            return TransferEnd::kOther;
    }
}

std::wstring CurlText(CURLcode result) { return Utf8ToUtf16(curl_easy_strerror(result)); }

// The folder a path names, or the nearest one above it that exists (a root not made yet).
std::wstring ExistingFolder(std::wstring path) {
    while (!path.empty()) {
        if (path.size() == 2 && path[1] == L':')
            path += L'\\';  // "S:" alone is the drive's current folder, not its root
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return path;
        const size_t slash = path.find_last_of(L"\\/", path.size() - 2);
        if (slash == std::wstring::npos || path.size() <= 3)
            return std::wstring();
        path.resize(slash);
    }
    return path;
}

std::wstring VolumeOf(const std::wstring& folder) {
    wchar_t volume[MAX_PATH] = {};
    return GetVolumePathNameW(folder.c_str(), volume, MAX_PATH) ? std::wstring(volume) : folder;
}

// One package download: every attempt, the file they share and what carries over between them.
class PackageTransfer {
public:
    PackageTransfer(const DownloadJob& job, const DownloadPolicy& policy, HANDLE file)
        : job_(job), policy_(policy), file_(file), choices_(ProxyChoicesFor(job.url)), url_(Utf16ToUtf8(job.url)) {
        pending_.reserve(kWriteBatchBytes);
    }

    bool Run(std::wstring& message) {
        int attempts = 0;
        int fruitless = 0;
        bool restarted = false;
        size_t choice = 0;
        for (;;) {
            ++attempts;
            const uint64_t before = highWater_;
            const AttemptFacts facts = Attempt(choices_[choice], choice + 1 < choices_.size());
            const AttemptVerdict verdict = JudgeAttempt(facts);
            const bool progressed = highWater_ > before;
            switch (verdict.step) {
                case NextStep::kSucceed:
                    return true;
                case NextStep::kFail:
                    message = verdict.message;
                    return false;
                case NextStep::kNextProxy:
                    ++choice;
                    continue;
                case NextStep::kRestart:
                    if (restarted || !StartOver()) {
                        message = verdict.message;
                        return false;
                    }
                    restarted = true;
                    validator_.clear();
                    continue;
                case NextStep::kRetry:
                    break;
            }
            fruitless = progressed ? 0 : fruitless + 1;
            const int delay = RetryDelayMs(policy_, attempts, fruitless, progressed, retryAfter_);
            if (delay < 0) {
                message = verdict.message;
                return false;
            }
            if (!WaitBeforeRetry(delay)) {
                message = L"下载失败：" + CurlText(CURLE_ABORTED_BY_CALLBACK);
                return false;
            }
        }
    }

private:
    enum class BodyUse { kUndecided, kWriting, kDiscarding };

    // What the response in hand said about itself, collected from its header lines.
    struct ResponseHeaders {
        std::string etag, lastModified, contentRange, retryAfter, contentLength;
    };

    AttemptFacts Attempt(const ProxyChoice& proxy, bool moreProxies) {
        AttemptFacts facts;
        // Without a validator nobody can tell whether the server's copy is still the one begun.
        if (bytesWritten_ > 0 && validator_.empty() && !StartOver()) {
            facts.writerError = MsgWriteFailed(GetLastError());
            return facts;
        }
        offset_ = bytesWritten_;
        rangeSent_ = offset_ > 0;
        body_ = BodyUse::kUndecided;
        headers_ = ResponseHeaders();
        retryAfter_ = -1;
        error_.clear();
        restartWanted_ = false;
        rate_.Reset();
        reportedWait_ = -1;

        base::UniqueCurl curl{curl_easy_init()};
        if (!curl) {
            facts.writerError = kMsgCurlHandleFailed;
            return facts;
        }
        curl_ = curl.Get();
        const std::string range = std::to_string(offset_) + "-";
        const std::string ifRange = "If-Range: " + validator_;
        base::UniqueCurlList requestHeaders;
        if (rangeSent_)
            requestHeaders.Reset(curl_slist_append(nullptr, ifRange.c_str()));
        SetOptions(rangeSent_ ? range.c_str() : nullptr, requestHeaders.Get());
        ApplyProxyChoice(curl_, proxy);
        Report(InstallStage::kDownloading, 0);
        CURLcode result = curl_easy_perform(curl_);
        // What arrived before a failed transfer is written too, so that a retry resumes after it.
        if (error_.empty() && !FlushPending() && result == CURLE_OK)
            result = CURLE_WRITE_ERROR;
        if (bytesWritten_ > highWater_)
            highWater_ = bytesWritten_;

        facts.end = ClassifyResult(result);
        facts.transferError = CurlText(result);
        facts.writerError = result == CURLE_FILESIZE_EXCEEDED ? std::wstring(kMsgPackageTooLarge) : error_;
        facts.restartWanted = restartWanted_;
        facts.moreProxies = moreProxies;
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &facts.responseCode);
        if (proxy.kind != ProxyChoice::Kind::kDirect && ProxyRefusedCredentials(curl_))
            facts.proxyAuthError = MsgProxyAuthFailed(proxy.kind == ProxyChoice::Kind::kProxy ? proxy.proxy : "（环境变量所设）");
        facts.rangeSent = rangeSent_;
        facts.total = total_;
        facts.bytesWritten = bytesWritten_;
        retryAfter_ = ParseRetryAfter(headers_.retryAfter);
        curl_ = nullptr;
        return facts;
    }

    void SetOptions(const char* range, curl_slist* requestHeaders) {
        SetCommonCurlOptions(curl_);
        curl_easy_setopt(curl_, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl_, CURLOPT_MAXREDIRS, 5L);
        // A package asked for over HTTPS is never taken from plain HTTP, whatever a redirect says.
        if (_strnicmp(url_.c_str(), "https://", 8) == 0)
            curl_easy_setopt(curl_, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
        curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, policy_.connectSeconds);
        // No cap on the whole transfer: only one that stops moving is given up, and then resumed.
        curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, policy_.stallBytesPerSecond);
        curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, policy_.stallSeconds);
        // A body announced past the limit is refused as soon as its headers arrive, before a byte of
        // it is written; WriteBody still guards bodies that announce no length.
        curl_easy_setopt(curl_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxPackageBytes));
        curl_easy_setopt(curl_, CURLOPT_RANGE, range);
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, requestHeaders);
        curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(curl_, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
        try {
            const size_t length = size * count;
            return static_cast<PackageTransfer*>(self)->Header(std::string(data, length)) ? length : 0;
        } catch (...) {
            return 0;  // libcurl is C: nothing may unwind through it
        }
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* self) {
        try {
            return static_cast<PackageTransfer*>(self)->Body(data, static_cast<uint64_t>(size) * count);
        } catch (...) {
            return 0;
        }
    }

    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        try {
            return static_cast<PackageTransfer*>(self)->Probe() ? 0 : 1;
        } catch (...) {
            return 1;
        }
    }

    // Each response (a redirect's too) starts with its status line; its blank line ends it.
    bool Header(const std::string& line) {
        if (line.compare(0, 5, "HTTP/") == 0) {
            headers_ = ResponseHeaders();
            return true;
        }
        if (line == "\r\n" || line == "\n")
            return DecideBody();
        HeaderValue(line, "ETag", headers_.etag) || HeaderValue(line, "Last-Modified", headers_.lastModified) ||
            HeaderValue(line, "Content-Range", headers_.contentRange) ||
            HeaderValue(line, "Retry-After", headers_.retryAfter) ||
            HeaderValue(line, "Content-Length", headers_.contentLength);
        return true;
    }

    // Once a response's headers are in: whether its body is the package (from the start, or the
    // rest of it) or something to throw away. False ends the attempt.
    bool DecideBody() {
        long code = 0;
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &code);
        body_ = BodyUse::kDiscarding;
        if (code == 200) {
            if (bytesWritten_ > 0 && !StartOver()) {
                error_ = MsgWriteFailed(GetLastError());
                return false;
            }
            const std::string etag = StrongEntityTag(headers_.etag);
            validator_ = etag.empty() ? headers_.lastModified : etag;
            // Read from the header itself: libcurl records the length only once the body begins.
            total_ = ParseContentLength(headers_.contentLength);
            body_ = BodyUse::kWriting;
        } else if (code == 206 && rangeSent_) {
            int64_t first = -1;
            int64_t total = -1;
            const std::string etag = StrongEntityTag(headers_.etag);
            // A server that ignores If-Range sends the rest of whatever copy it has now.
            const bool sameCopy = etag.empty() || validator_.empty() || validator_[0] != '"' || etag == validator_;
            if (!ParseContentRange(headers_.contentRange, first, total) || first != static_cast<int64_t>(offset_) ||
                !sameCopy) {
                restartWanted_ = true;
                return false;
            }
            if (total >= 0)
                total_ = total;
            body_ = BodyUse::kWriting;
        }
        if (body_ == BodyUse::kWriting && total_ >= 0 && !roomChecked_) {
            roomChecked_ = true;
            error_ = CheckRoom();
            return error_.empty();
        }
        return true;
    }

    size_t Body(const char* data, uint64_t length) {
        if (body_ != BodyUse::kWriting)
            return static_cast<size_t>(length);  // an error page or a redirect's body
        if (ExceedsPackageLimit(bytesWritten_, length)) {
            error_ = kMsgPackageTooLarge;
            return 0;
        }
        if (pending_.size() + length > kWriteBatchBytes && !FlushPending())
            return 0;
        pending_.insert(pending_.end(), data, data + length);
        bytesWritten_ += length;
        return static_cast<size_t>(length);
    }

    bool Probe() {
        if (job_.abort && job_.abort())
            return false;
        const int percent = DownloadPercent(static_cast<int64_t>(bytesWritten_), total_);
        if (job_.progress && percent > lastPercent_) {
            job_.progress(percent);
            lastPercent_ = percent;
        }
        const ULONGLONG now = GetTickCount64();
        if (now - lastStatus_ >= kStatusIntervalMs) {
            rate_.Add(now, bytesWritten_);
            Report(InstallStage::kDownloading, 0);
        }
        return true;
    }

    void Report(InstallStage stage, int retryInSeconds) {
        lastStatus_ = GetTickCount64();
        if (!job_.status)
            return;
        InstallStatus status;
        status.stage = stage;
        status.bytesDone = bytesWritten_;
        status.bytesTotal = total_;
        status.bytesPerSecond = rate_.BytesPerSecond();
        status.retryInSeconds = retryInSeconds;
        job_.status(status);
    }

    // Writes what has been gathered; false (with the message set) if the file does not take it all.
    bool FlushPending() {
        if (!pending_.empty() && !WriteWhole(file_, pending_.data(), pending_.size())) {
            error_ = MsgWriteFailed(GetLastError());
            return false;
        }
        pending_.clear();
        return true;
    }

    // Drops what was written, for a transfer that begins again from the first byte.
    bool StartOver() {
        pending_.clear();
        bytesWritten_ = 0;
        LARGE_INTEGER start = {};
        return SetFilePointerEx(file_, start, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
    }

    // Empty when the temporary folder can take the rest of the package and the installation root
    // the whole of it (the unpacked files take at least as much), both from one volume when they
    // share it; otherwise the message, before any byte is written.
    std::wstring CheckRoom() const {
        struct Need {
            std::wstring folder;
            uint64_t bytes;
        };
        const uint64_t total = static_cast<uint64_t>(total_);
        std::vector<Need> needs = {{ExistingFolder(job_.file.substr(0, job_.file.find_last_of(L"\\/"))),
                                    total - (offset_ < total ? offset_ : total)}};
        if (!job_.installRoot.empty()) {
            Need root{ExistingFolder(job_.installRoot), total};
            if (VolumeOf(root.folder) == VolumeOf(needs[0].folder))
                needs[0].bytes += root.bytes;
            else
                needs.push_back(root);
        }
        for (const Need& need : needs) {
            ULARGE_INTEGER available = {};
            if (need.folder.empty() || !GetDiskFreeSpaceExW(need.folder.c_str(), &available, nullptr, nullptr))
                continue;  // unknown: the writes themselves will tell
            if (need.bytes > available.QuadPart)
                return MsgNoRoom(need.folder, need.bytes, available.QuadPart);
        }
        return std::wstring();
    }

    // False when the user closed the window meanwhile.
    bool WaitBeforeRetry(int delayMs) {
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(delayMs);
        for (;;) {
            if (job_.abort && job_.abort())
                return false;
            const ULONGLONG now = GetTickCount64();
            if (now >= end)
                return true;
            const int secondsLeft = static_cast<int>((end - now + 999) / 1000);
            if (secondsLeft != reportedWait_) {
                reportedWait_ = secondsLeft;
                Report(InstallStage::kRetrying, secondsLeft);
            }
            Sleep(static_cast<DWORD>(end - now < kWaitSliceMs ? end - now : kWaitSliceMs));
        }
    }

    const DownloadJob& job_;
    const DownloadPolicy& policy_;
    const HANDLE file_;  // owned by the caller's UniqueFile
    const std::vector<ProxyChoice> choices_;
    const std::string url_;

    // Carried over between attempts.
    uint64_t bytesWritten_ = 0;  // taken from libcurl, whether still gathered or on disk
    uint64_t highWater_ = 0;     // the most the file has held: an attempt that passes it made progress
    std::vector<char> pending_;
    std::string validator_;      // If-Range: the strong ETag, else Last-Modified, of the copy begun
    int64_t total_ = -1;         // the package's length, once a response has said it
    int lastPercent_ = -1;
    bool roomChecked_ = false;
    RateMeter rate_;
    ULONGLONG lastStatus_ = 0;
    int reportedWait_ = -1;

    // Of the attempt in hand.
    CURL* curl_ = nullptr;
    uint64_t offset_ = 0;
    bool rangeSent_ = false;
    BodyUse body_ = BodyUse::kUndecided;
    ResponseHeaders headers_;
    int retryAfter_ = -1;
    std::wstring error_;
    bool restartWanted_ = false;
};

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

bool DownloadPackage(const DownloadJob& job, std::wstring& message, const DownloadPolicy& policy) {
    base::CurlGlobal global;
    if (!global.Ok()) {
        message = kMsgCurlInitFailed;
        return false;
    }
    base::UniqueFile target{CreateFreshFile(job.file)};
    if (!target) {
        message = MsgTempFileNotOpened(GetLastError());
        return false;
    }
    std::wstring failure;
    const bool ok = PackageTransfer(job, policy, target.Get()).Run(failure);
    target.Reset();
    if (!ok) {
        message = failure;
        return false;
    }
    if (job.progress)
        job.progress(kDownloadProgressEnd);
    return true;
}

}  // namespace Engine

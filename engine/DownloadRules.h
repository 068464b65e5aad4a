// Pure rules of the package download: the size limit, the progress scale and the order in which
// a finished transfer's facts decide its outcome and message.
#pragma once

#include <cstdint>
#include <string>

namespace Engine {

constexpr uint64_t kMaxPackageBytes = 536870912;  // 512 MiB, inclusive
constexpr int kDownloadProgressEnd = 90;

// How hard the download tries. The shipped values are the defaults; tests shorten them.
struct DownloadPolicy {
    long connectSeconds = 60;
    // An attempt that moves fewer than `stallBytesPerSecond` for `stallSeconds` has stalled. There
    // is no cap on the whole transfer: a slow line that keeps moving gets there.
    long stallBytesPerSecond = 1024;
    long stallSeconds = 30;
    // Attempts in all, and attempts in a row that bring no new byte, before the download gives up.
    int maxAttempts = 40;
    int maxFruitlessAttempts = 5;
    // The wait before a retry after an attempt that brought nothing: doubled each time from the
    // first, capped; an attempt that brought bytes is retried at once.
    int firstBackoffMs = 1000;
    int maxBackoffMs = 16000;
    // A server's Retry-After is honoured up to this.
    int maxRetryAfterSeconds = 60;
};

// True when `chunk` more bytes would take the package past the limit.
constexpr bool ExceedsPackageLimit(uint64_t written, uint64_t chunk) {
    return written > kMaxPackageBytes || chunk > kMaxPackageBytes - written;
}

// downloaded × 90 / total, truncated and capped at 90; -1 while the total is unknown (≤ 0).
int DownloadPercent(int64_t downloaded, int64_t total);

// What a finished transfer looked like.
struct DownloadFacts {
    std::wstring writerError;      // write failure or size limit (written or announced)
    bool transferOk = false;       // curl_easy_perform returned CURLE_OK
    std::wstring transferError;    // libcurl's text for the result, as UTF-16 (may be empty)
    long responseCode = 0;         // of the last response after redirects
    int64_t announcedLength = -1;  // Content-Length of that response, -1 if unknown
    uint64_t bytesWritten = 0;
};

// Empty when the download succeeded; otherwise the one message the user sees. First match wins:
// the writer's own error, the transfer error, a status other than 200, an empty or short body.
std::wstring DecideDownloadOutcome(const DownloadFacts& facts);

// The fixed download messages.
inline constexpr const wchar_t* kMsgCurlInitFailed = L"curl 初始化失败。";
inline constexpr const wchar_t* kMsgCurlHandleFailed = L"curl 请求初始化失败。";
inline constexpr const wchar_t* kMsgPackageTooLarge = L"安装包超过允许的大小限制。";
inline constexpr const wchar_t* kMsgDownloadIncomplete = L"下载文件不完整，请检查网络后重试。";
std::wstring MsgTempFileNotOpened(unsigned long error);
std::wstring MsgWriteFailed(unsigned long error);
std::wstring MsgServerStatus(long status);

}  // namespace Engine

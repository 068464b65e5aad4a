// Pure rules of the package download: the size limit, the progress scale, the order in which a
// finished transfer's facts decide its outcome and message, and when a broken transfer is tried
// again.
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

// How one attempt of a transfer ended, as far as retrying is concerned.
enum class TransferEnd {
    kOk,
    kAborted,        // the installer's abort check said stop
    kConnectFailed,  // no connection to the server or the proxy
    kDropped,        // the connection closed, was reset or failed to read (TLS included) early
    kTimedOut,       // the connect limit, or a stall below the least rate
    kOther,          // anything else: refused, malformed, not allowed
};

// What one attempt looked like.
struct AttemptFacts {
    TransferEnd end = TransferEnd::kOther;
    std::wstring transferError;      // libcurl's text for the result, as UTF-16 (may be empty)
    std::wstring writerError;        // write failure, size limit or no room: permanent
    std::wstring proxyAuthError;     // the proxy refused the user's credentials (407): permanent
    bool restartWanted = false;      // the server's copy changed under a resumed transfer
    bool moreProxies = false;        // another way to the server is left to try
    long responseCode = 0;           // of the last response after redirects
    bool rangeSent = false;          // the attempt asked for the rest of a partial file
    int64_t total = -1;              // the whole package's length, -1 if unknown
    uint64_t bytesWritten = 0;       // the file's length after the attempt
};

enum class NextStep { kSucceed, kFail, kRetry, kRestart, kNextProxy };

struct AttemptVerdict {
    NextStep step = NextStep::kFail;
    std::wstring message;  // kFail: the text the user sees; otherwise what it would be if retries ran out
};

// First match wins: the writer's own error, the proxy's refusal, an abort, a connection that may
// work through the next proxy, a transient break (retry), any other transfer error, then the status:
// 416 starts over, 408, 429 and 5xx retry, 200 (or 206 to a range request) must be whole and
// non-empty, anything else fails.
AttemptVerdict JudgeAttempt(const AttemptFacts& facts);

// The wait in milliseconds before the next attempt, or -1 when the download gives up. `attempts`
// counts those made so far, `fruitless` those in a row that brought no new byte (this one
// included); an attempt that brought bytes is retried at once, since a dropped connection is no
// sign of an overloaded server. A Retry-After (seconds, -1 for none) is honoured up to the limit.
int RetryDelayMs(const DownloadPolicy& policy, int attempts, int fruitless, bool progressed, int retryAfterSeconds);

// Response header helpers. `HeaderValue` gives the trimmed value when `line` is the header `name`
// (case-insensitive), else nothing.
bool HeaderValue(const std::string& line, const char* name, std::string& value);
// "bytes first-last/total" of a 206; false if malformed. `total` is -1 for "*".
bool ParseContentRange(const std::string& value, int64_t& first, int64_t& total);
// Content-Length as a count; -1 when absent or malformed.
int64_t ParseContentLength(const std::string& value);
// Retry-After in delta-seconds; -1 for anything else (an HTTP date is not waited for).
int ParseRetryAfter(const std::string& value);
// An entity tag usable in If-Range (strong, quoted), else empty.
std::string StrongEntityTag(const std::string& etag);

// The bytes per second of the last few seconds, from samples of (milliseconds, bytes so far).
class RateMeter {
public:
    void Reset() { count_ = 0; }
    void Add(uint64_t ms, uint64_t bytes);
    uint64_t BytesPerSecond() const;

private:
    static constexpr int kSamples = 8;
    uint64_t ms_[kSamples] = {};
    uint64_t bytes_[kSamples] = {};
    int count_ = 0;
};

// "12.3 MB" and the like, 1024-based, for messages.
std::wstring FormatSize(uint64_t bytes);
std::wstring MsgNoRoom(const std::wstring& folder, uint64_t needed, uint64_t freeBytes);

// The fixed download messages.
inline constexpr const wchar_t* kMsgCurlInitFailed = L"curl 初始化失败。";
inline constexpr const wchar_t* kMsgCurlHandleFailed = L"curl 请求初始化失败。";
inline constexpr const wchar_t* kMsgPackageTooLarge = L"安装包超过允许的大小限制。";
inline constexpr const wchar_t* kMsgDownloadIncomplete = L"下载文件不完整，请检查网络后重试。";
std::wstring MsgTempFileNotOpened(unsigned long error);
std::wstring MsgWriteFailed(unsigned long error);
std::wstring MsgServerStatus(long status);

}  // namespace Engine

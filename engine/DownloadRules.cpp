#include "engine/DownloadRules.h"

#include "engine/AsciiText.h"

namespace Engine {

int DownloadPercent(int64_t downloaded, int64_t total) {
    if (total <= 0)
        return -1;
    const int64_t percent = downloaded * kDownloadProgressEnd / total;
    return percent > kDownloadProgressEnd ? kDownloadProgressEnd : static_cast<int>(percent);
}

std::wstring MsgTempFileNotOpened(unsigned long error) {
    return L"无法创建下载临时文件（错误码：" + std::to_wstring(error) + L"）";
}

std::wstring MsgWriteFailed(unsigned long error) {
    return L"下载文件写入失败（错误码：" + std::to_wstring(error) + L"）";
}

std::wstring MsgServerStatus(long status) { return L"下载服务器返回错误（HTTP " + std::to_wstring(status) + L"）"; }


namespace {

std::wstring TransferFailure(const std::wstring& text) {
    return std::wstring(L"下载失败：") + (text.empty() ? L"未知网络错误" : text);
}

bool IsRetriedStatus(long code) { return code == 408 || code == 429 || (code >= 500 && code <= 599); }

}  // namespace

AttemptVerdict JudgeAttempt(const AttemptFacts& facts) {
    if (facts.restartWanted)
        return {NextStep::kRestart, kMsgDownloadIncomplete};
    if (!facts.writerError.empty())
        return {NextStep::kFail, facts.writerError};
    if (!facts.proxyAuthError.empty())
        return {NextStep::kFail, facts.proxyAuthError};
    const std::wstring transferMessage = TransferFailure(facts.transferError);
    switch (facts.end) {
        case TransferEnd::kOk:
            break;
        case TransferEnd::kConnectFailed:
            return {facts.moreProxies ? NextStep::kNextProxy : NextStep::kFail, transferMessage};
        case TransferEnd::kDropped:
        case TransferEnd::kTimedOut:
            return {NextStep::kRetry, transferMessage};
        case TransferEnd::kAborted:
        case TransferEnd::kOther:
            return {NextStep::kFail, transferMessage};
    }
    const long code = facts.responseCode;
    if (code == 416)
        return {NextStep::kRestart, MsgServerStatus(code)};
    if (IsRetriedStatus(code))
        return {NextStep::kRetry, MsgServerStatus(code)};
    if (code != 200 && !(code == 206 && facts.rangeSent))
        return {NextStep::kFail, MsgServerStatus(code)};
    const bool short_ = facts.total > 0 && static_cast<uint64_t>(facts.total) != facts.bytesWritten;
    if (facts.bytesWritten == 0 || short_)
        return {NextStep::kFail, kMsgDownloadIncomplete};
    return {NextStep::kSucceed, std::wstring()};
}

int RetryDelayMs(const DownloadPolicy& policy, int attempts, int fruitless, bool progressed, int retryAfterSeconds) {
    if (attempts >= policy.maxAttempts || fruitless >= policy.maxFruitlessAttempts)
        return -1;
    if (retryAfterSeconds >= 0) {
        const int seconds = retryAfterSeconds < policy.maxRetryAfterSeconds ? retryAfterSeconds
                                                                             : policy.maxRetryAfterSeconds;
        return seconds * 1000;
    }
    if (progressed)
        return 0;
    int delay = policy.firstBackoffMs;
    for (int i = 1; i < fruitless && delay < policy.maxBackoffMs; ++i)
        delay *= 2;
    return delay < policy.maxBackoffMs ? delay : policy.maxBackoffMs;
}

bool HeaderValue(const std::string& line, const char* name, std::string& value) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string key = TrimBlanks(line.substr(0, colon));
    size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        if (i >= key.size() || AsciiLower(key[i]) != AsciiLower(name[i]))
            return false;
    }
    if (i != key.size())
        return false;
    value = TrimBlanks(line.substr(colon + 1));
    return true;
}

bool ParseContentRange(const std::string& value, int64_t& first, int64_t& total) {
    const std::string unit = "bytes ";
    const size_t dash = value.find('-');
    const size_t slash = value.find('/');
    if (value.compare(0, unit.size(), unit) != 0 || dash == std::string::npos || slash == std::string::npos ||
        dash > slash)
        return false;
    int64_t last = 0;
    if (!ParseDigits(TrimBlanks(value.substr(unit.size(), dash - unit.size())), 18, first) ||
        !ParseDigits(value.substr(dash + 1, slash - dash - 1), 18, last) || last < first)
        return false;
    const std::string totalText = value.substr(slash + 1);
    if (totalText == "*") {
        total = -1;
        return true;
    }
    return ParseDigits(totalText, 18, total) && last < total;
}

int64_t ParseContentLength(const std::string& value) {
    int64_t length = -1;
    return ParseDigits(TrimBlanks(value), 18, length) ? length : -1;
}

int ParseRetryAfter(const std::string& value) {
    int64_t seconds = 0;
    if (!ParseDigits(TrimBlanks(value), 18, seconds))
        return -1;
    return seconds > 86400 ? 86400 : static_cast<int>(seconds);
}

std::string StrongEntityTag(const std::string& etag) {
    const std::string tag = TrimBlanks(etag);
    if (tag.size() < 2 || tag.front() != '"' || tag.back() != '"')
        return std::string();
    return tag;
}

void RateMeter::Add(uint64_t ms, uint64_t bytes) {
    if (count_ == kSamples) {
        for (int i = 1; i < kSamples; ++i) {
            ms_[i - 1] = ms_[i];
            bytes_[i - 1] = bytes_[i];
        }
        --count_;
    }
    ms_[count_] = ms;
    bytes_[count_] = bytes;
    ++count_;
}

uint64_t RateMeter::BytesPerSecond() const {
    if (count_ < 2 || ms_[count_ - 1] <= ms_[0] || bytes_[count_ - 1] < bytes_[0])
        return 0;
    return (bytes_[count_ - 1] - bytes_[0]) * 1000 / (ms_[count_ - 1] - ms_[0]);
}

std::wstring FormatSize(uint64_t bytes) {
    static const wchar_t* const kUnits[] = {L" KB", L" MB", L" GB"};
    // Tenths of `unit`, rounded half up, without overflowing for any 64-bit count; a count that
    // rounds to 1024.0 of one unit is shown as 1.0 of the next.
    auto tenths = [bytes](uint64_t unit) { return bytes / unit * 10 + ((bytes % unit) * 10 + unit / 2) / unit; };
    uint64_t unit = 1024;
    size_t index = 0;
    while (index + 1 < sizeof(kUnits) / sizeof(kUnits[0]) && tenths(unit) >= 10240) {
        unit *= 1024;
        ++index;
    }
    const uint64_t value = tenths(unit);
    return std::to_wstring(value / 10) + L"." + std::to_wstring(value % 10) + kUnits[index];
}

std::wstring MsgNoRoom(const std::wstring& folder, uint64_t needed, uint64_t freeBytes) {
    return L"磁盘空间不足：安装需要 " + FormatSize(needed) + L"，" + folder + L" 所在的磁盘只剩 " +
           FormatSize(freeBytes) + L"。请释放空间后重试。";
}

}  // namespace Engine

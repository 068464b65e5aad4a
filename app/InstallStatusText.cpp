#include "app/InstallStatusText.h"

#include <cstdint>

#include "engine/DownloadRules.h"

namespace SetupUi {

namespace {

constexpr wchar_t kSeparator[] = L" · ";

std::wstring TwoDigits(uint64_t value) {
    return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

// Seconds are dropped from an hour on.
std::wstring DurationText(uint64_t seconds) {
    if (seconds < 60)
        return std::to_wstring(seconds) + L" 秒";
    if (seconds < 3600)
        return std::to_wstring(seconds / 60) + L" 分 " + TwoDigits(seconds % 60) + L" 秒";
    return std::to_wstring(seconds / 3600) + L" 小时 " + TwoDigits(seconds / 60 % 60) + L" 分";
}

// The time the rest of the package takes at the current rate, rounded up so that the line never
// promises "0 秒" while bytes are still missing.
uint64_t SecondsLeft(uint64_t done, uint64_t total, uint64_t bytesPerSecond) {
    const uint64_t left = total - done;
    return left / bytesPerSecond + (left % bytesPerSecond != 0 ? 1 : 0);
}

std::wstring DownloadText(const Engine::InstallStatus& status) {
    std::wstring text = L"正在下载安装包";
    const bool totalKnown = status.bytesTotal >= 0;
    if (status.bytesDone == 0 && !totalKnown && status.bytesPerSecond == 0)
        return text + L"…";
    text += L"  " + Engine::FormatSize(status.bytesDone);
    if (totalKnown)
        text += L" / " + Engine::FormatSize(static_cast<uint64_t>(status.bytesTotal));
    if (status.bytesPerSecond == 0)
        return text;
    text += kSeparator + Engine::FormatSize(status.bytesPerSecond) + L"/s";
    if (totalKnown && status.bytesDone < static_cast<uint64_t>(status.bytesTotal)) {
        const uint64_t seconds =
            SecondsLeft(status.bytesDone, static_cast<uint64_t>(status.bytesTotal), status.bytesPerSecond);
        text += kSeparator + std::wstring(L"剩余 ") + DurationText(seconds);
    }
    return text;
}

std::wstring RetryText(int retryInSeconds) {
    if (retryInSeconds <= 0)
        return L"网络中断，正在重试…";
    return L"网络中断，正在重试（" + std::to_wstring(retryInSeconds) + L" 秒后）…";
}

}  // namespace

std::wstring InstallStatusText(const Engine::InstallStatus& status) {
    switch (status.stage) {
        case Engine::InstallStage::kReporting:
            return L"正在连接服务器…";
        case Engine::InstallStage::kDownloading:
            return DownloadText(status);
        case Engine::InstallStage::kRetrying:
            return RetryText(status.retryInSeconds);
        case Engine::InstallStage::kExtracting:
            return L"正在解压安装文件…";
        case Engine::InstallStage::kVerifying:
            return L"正在校验安装包签名…";
        case Engine::InstallStage::kRegistering:
            return L"正在完成安装…";
    }
    return std::wstring();
}

}  // namespace SetupUi

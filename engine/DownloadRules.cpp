#include "engine/DownloadRules.h"

namespace Engine {

int DownloadPercent(int64_t downloaded, int64_t total) {
    if (total <= 0)
        return -1;
    const int64_t percent = downloaded * kDownloadProgressEnd / total;
    return percent > kDownloadProgressEnd ? kDownloadProgressEnd : static_cast<int>(percent);
}

std::wstring DecideDownloadOutcome(const DownloadFacts& facts) {
    if (!facts.writerError.empty())
        return facts.writerError;
    if (!facts.transferOk)
        return std::wstring(L"下载失败：") + (facts.transferError.empty() ? L"未知网络错误" : facts.transferError);
    if (facts.responseCode != 200)
        return MsgServerStatus(facts.responseCode);
    const bool lengthMismatch =
        facts.announcedLength > 0 && static_cast<uint64_t>(facts.announcedLength) != facts.bytesWritten;
    if (facts.bytesWritten == 0 || lengthMismatch)
        return kMsgDownloadIncomplete;
    return std::wstring();
}

std::wstring MsgTempFileNotOpened(unsigned long error) {
    return L"无法创建下载临时文件（错误码：" + std::to_wstring(error) + L"）";
}

std::wstring MsgWriteFailed(unsigned long error) {
    return L"下载文件写入失败（错误码：" + std::to_wstring(error) + L"）";
}

std::wstring MsgServerStatus(long status) { return L"下载服务器返回错误（HTTP " + std::to_wstring(status) + L"）"; }

}  // namespace Engine

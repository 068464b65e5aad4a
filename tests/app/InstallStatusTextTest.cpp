// The line beneath the progress bar for each stage, and its sizes, speeds and times left.
#include "app/InstallStatusText.h"

#include <gtest/gtest.h>

using Engine::InstallStage;
using Engine::InstallStatus;

namespace {

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;

InstallStatus Status(InstallStage stage, uint64_t done = 0, int64_t total = -1, uint64_t rate = 0, int retry = 0) {
    InstallStatus status;
    status.stage = stage;
    status.bytesDone = done;
    status.bytesTotal = total;
    status.bytesPerSecond = rate;
    status.retryInSeconds = retry;
    return status;
}

}  // namespace

TEST(InstallStatusTextTest, SaysTheStageAndTheDownloadsProgress) {
    const auto down = InstallStage::kDownloading;
    const int64_t package = 150 * static_cast<int64_t>(kMiB);
    struct Case {
        InstallStatus status;
        std::wstring text;
    };
    const Case cases[] = {
        {Status(InstallStage::kReporting), L"正在连接服务器…"},
        {Status(down), L"正在下载安装包…"},
        {Status(down, 12897485, package, 2202010),  // 65.6 s left, rounded up
         L"正在下载安装包  12.3 MB / 150.0 MB · 2.1 MB/s · 剩余 1 分 06 秒"},
        {Status(down, 0, package), L"正在下载安装包  0.0 KB / 150.0 MB"},  // speed not measured yet
        {Status(down, 512 * kKiB, -1, 100 * kKiB), L"正在下载安装包  512.0 KB · 100.0 KB/s"},
        {Status(down, 1023, 1048575, 1000), L"正在下载安装包  1.0 KB / 1.0 MB · 1.0 KB/s · 剩余 17 分 28 秒"},
        {Status(down, 0, 1024 * static_cast<int64_t>(kMiB), 100 * kKiB),
         L"正在下载安装包  0.0 KB / 1.0 GB · 100.0 KB/s · 剩余 2 小时 54 分"},
        {Status(down, package - 59 * kMiB, package, kMiB), L"正在下载安装包  91.0 MB / 150.0 MB · 1.0 MB/s · 剩余 59 秒"},
        {Status(down, package, package, kMiB), L"正在下载安装包  150.0 MB / 150.0 MB · 1.0 MB/s"},  // nothing left
        {Status(InstallStage::kRetrying, 5 * kMiB, package, 0, 3), L"网络中断，正在重试（3 秒后）…"},
        {Status(InstallStage::kRetrying), L"网络中断，正在重试…"},
        {Status(InstallStage::kExtracting), L"正在解压安装文件…"},
        {Status(InstallStage::kVerifying), L"正在校验安装包签名…"},
        {Status(InstallStage::kRegistering), L"正在完成安装…"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetupUi::InstallStatusText(c.status), c.text);
}

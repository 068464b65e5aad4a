#include "engine/DownloadRules.h"

#include <gtest/gtest.h>

using namespace Engine;

TEST(DownloadRules, SizeLimitIsInclusiveAndOverflowSafe) {
    EXPECT_FALSE(ExceedsPackageLimit(0, kMaxPackageBytes));
    EXPECT_TRUE(ExceedsPackageLimit(0, kMaxPackageBytes + 1));
    EXPECT_FALSE(ExceedsPackageLimit(kMaxPackageBytes - 10, 10));
    EXPECT_TRUE(ExceedsPackageLimit(kMaxPackageBytes - 10, 11));
    EXPECT_FALSE(ExceedsPackageLimit(kMaxPackageBytes, 0));
    EXPECT_TRUE(ExceedsPackageLimit(kMaxPackageBytes, 1));
    EXPECT_TRUE(ExceedsPackageLimit(1, UINT64_MAX));
    EXPECT_TRUE(ExceedsPackageLimit(UINT64_MAX, 1));
}

TEST(DownloadRules, PercentScalesToNinetyAndWaitsForATotal) {
    EXPECT_EQ(DownloadPercent(0, 0), -1);
    EXPECT_EQ(DownloadPercent(5, -1), -1);
    EXPECT_EQ(DownloadPercent(0, 1000), 0);
    EXPECT_EQ(DownloadPercent(999, 1000), 89);
    EXPECT_EQ(DownloadPercent(1000, 1000), 90);
    EXPECT_EQ(DownloadPercent(5000, 1000), 90);
    EXPECT_EQ(DownloadPercent(536870912, 536870912), 90);
    EXPECT_EQ(DownloadPercent(INT64_MAX / 100, INT64_MAX / 50), 45);
}

TEST(DownloadRules, OutcomeOrderOfPrecedence) {
    DownloadFacts facts;
    facts.transferOk = true;
    facts.responseCode = 200;
    facts.announcedLength = 10;
    facts.bytesWritten = 10;
    EXPECT_EQ(DecideDownloadOutcome(facts), L"");

    DownloadFacts writer = facts;
    writer.writerError = kMsgPackageTooLarge;
    writer.transferOk = false;
    writer.transferError = L"Failed writing received data to disk/application";
    writer.responseCode = 404;
    EXPECT_EQ(DecideDownloadOutcome(writer), kMsgPackageTooLarge);

    DownloadFacts transfer = facts;
    transfer.transferOk = false;
    transfer.transferError = L"Transferred a partial file";
    transfer.responseCode = 200;
    transfer.bytesWritten = 5;
    EXPECT_EQ(DecideDownloadOutcome(transfer), L"下载失败：Transferred a partial file");
    transfer.transferError.clear();
    EXPECT_EQ(DecideDownloadOutcome(transfer), L"下载失败：未知网络错误");

    DownloadFacts status = facts;
    status.responseCode = 404;
    EXPECT_EQ(DecideDownloadOutcome(status), L"下载服务器返回错误（HTTP 404）");
    status.responseCode = 0;
    EXPECT_EQ(DecideDownloadOutcome(status), L"下载服务器返回错误（HTTP 0）");
}

TEST(DownloadRules, EmptyOrShortBodiesAreIncomplete) {
    DownloadFacts facts;
    facts.transferOk = true;
    facts.responseCode = 200;
    facts.announcedLength = -1;
    facts.bytesWritten = 0;
    EXPECT_EQ(DecideDownloadOutcome(facts), kMsgDownloadIncomplete);
    facts.bytesWritten = 1;
    EXPECT_EQ(DecideDownloadOutcome(facts), L"");  // unknown length: not compared
    facts.announcedLength = 0;
    EXPECT_EQ(DecideDownloadOutcome(facts), L"");
    facts.announcedLength = 2;
    EXPECT_EQ(DecideDownloadOutcome(facts), kMsgDownloadIncomplete);
    facts.bytesWritten = 3;
    EXPECT_EQ(DecideDownloadOutcome(facts), kMsgDownloadIncomplete);
}

TEST(DownloadRules, MessagesCarryTheirCodes) {
    EXPECT_EQ(MsgTempFileNotOpened(5), L"无法创建下载临时文件（错误码：5）");
    EXPECT_EQ(MsgWriteFailed(112), L"下载文件写入失败（错误码：112）");
    EXPECT_EQ(MsgServerStatus(503), L"下载服务器返回错误（HTTP 503）");
    EXPECT_EQ(MsgTempFileNotOpened(4294967295ul), L"无法创建下载临时文件（错误码：4294967295）");
}

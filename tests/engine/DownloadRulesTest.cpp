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

namespace {

AttemptFacts Whole() {
    AttemptFacts facts;
    facts.end = TransferEnd::kOk;
    facts.responseCode = 200;
    facts.total = 10;
    facts.bytesWritten = 10;
    return facts;
}

}  // namespace

// One row per way an attempt can end, first match winning.
TEST(DownloadRules, AnAttemptIsJudgedInOrderOfPrecedence) {
    struct Row {
        const char* what;
        AttemptFacts facts;
        NextStep step;
        std::wstring message;
    };
    auto with = [](auto change) {
        AttemptFacts facts = Whole();
        change(facts);
        return facts;
    };
    const Row rows[] = {
        {"whole", Whole(), NextStep::kSucceed, L""},
        {"length unknown", with([](AttemptFacts& f) { f.total = -1; }), NextStep::kSucceed, L""},
        {"the rest of it", with([](AttemptFacts& f) { f.responseCode = 206, f.rangeSent = true; }), NextStep::kSucceed,
         L""},
        {"206 unasked", with([](AttemptFacts& f) { f.responseCode = 206; }), NextStep::kFail,
         L"下载服务器返回错误（HTTP 206）"},
        {"copy changed", with([](AttemptFacts& f) { f.restartWanted = true, f.writerError = L"x"; }),
         NextStep::kRestart, kMsgDownloadIncomplete},
        {"writer first", with([](AttemptFacts& f) { f.writerError = kMsgPackageTooLarge, f.end = TransferEnd::kDropped; }),
         NextStep::kFail, kMsgPackageTooLarge},
        {"proxy refused", with([](AttemptFacts& f) { f.proxyAuthError = L"p", f.end = TransferEnd::kConnectFailed; }),
         NextStep::kFail, L"p"},
        {"aborted", with([](AttemptFacts& f) { f.end = TransferEnd::kAborted, f.transferError = L"stop"; }),
         NextStep::kFail, L"下载失败：stop"},
        {"next proxy", with([](AttemptFacts& f) { f.end = TransferEnd::kConnectFailed, f.moreProxies = true; }),
         NextStep::kNextProxy, L"下载失败：未知网络错误"},
        {"no way left", with([](AttemptFacts& f) { f.end = TransferEnd::kConnectFailed, f.transferError = L"c"; }),
         NextStep::kFail, L"下载失败：c"},
        {"dropped", with([](AttemptFacts& f) { f.end = TransferEnd::kDropped, f.transferError = L"d"; }),
         NextStep::kRetry, L"下载失败：d"},
        {"stalled", with([](AttemptFacts& f) { f.end = TransferEnd::kTimedOut, f.transferError = L"t"; }),
         NextStep::kRetry, L"下载失败：t"},
        {"refused", with([](AttemptFacts& f) { f.end = TransferEnd::kOther, f.transferError = L"o"; }),
         NextStep::kFail, L"下载失败：o"},
        {"416", with([](AttemptFacts& f) { f.responseCode = 416; }), NextStep::kRestart,
         L"下载服务器返回错误（HTTP 416）"},
        {"408", with([](AttemptFacts& f) { f.responseCode = 408; }), NextStep::kRetry, L"下载服务器返回错误（HTTP 408）"},
        {"429", with([](AttemptFacts& f) { f.responseCode = 429; }), NextStep::kRetry, L"下载服务器返回错误（HTTP 429）"},
        {"503", with([](AttemptFacts& f) { f.responseCode = 503; }), NextStep::kRetry, L"下载服务器返回错误（HTTP 503）"},
        {"404", with([](AttemptFacts& f) { f.responseCode = 404; }), NextStep::kFail, L"下载服务器返回错误（HTTP 404）"},
        {"no status", with([](AttemptFacts& f) { f.responseCode = 0; }), NextStep::kFail, L"下载服务器返回错误（HTTP 0）"},
        {"empty", with([](AttemptFacts& f) { f.bytesWritten = 0, f.total = -1; }), NextStep::kFail,
         kMsgDownloadIncomplete},
        {"short", with([](AttemptFacts& f) { f.bytesWritten = 9; }), NextStep::kFail, kMsgDownloadIncomplete},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const AttemptVerdict verdict = JudgeAttempt(row.facts);
        EXPECT_EQ(verdict.step, row.step);
        EXPECT_EQ(verdict.message, row.message);
    }
}

TEST(DownloadRules, RetriesBackOffOnlyWhenNothingArrivedAndStayBounded) {
    DownloadPolicy policy;  // 1 s doubling to 16 s, 5 fruitless in a row, 40 in all, Retry-After to 60 s
    EXPECT_EQ(RetryDelayMs(policy, 3, 0, true, -1), 0);
    EXPECT_EQ(RetryDelayMs(policy, 1, 1, false, -1), 1000);
    EXPECT_EQ(RetryDelayMs(policy, 2, 2, false, -1), 2000);
    EXPECT_EQ(RetryDelayMs(policy, 4, 4, false, -1), 8000);
    policy.maxFruitlessAttempts = 10;
    EXPECT_EQ(RetryDelayMs(policy, 9, 9, false, -1), 16000);
    EXPECT_EQ(RetryDelayMs(policy, 1, 1, false, 7), 7000);
    EXPECT_EQ(RetryDelayMs(policy, 1, 1, false, 3600), 60000);
    EXPECT_EQ(RetryDelayMs(policy, 1, 1, false, 0), 0);
    EXPECT_EQ(RetryDelayMs(policy, 1, 10, false, -1), -1);
    EXPECT_EQ(RetryDelayMs(policy, 40, 0, true, -1), -1);
}

TEST(DownloadRules, ResponseHeadersAreReadStrictly) {
    std::string value;
    EXPECT_TRUE(HeaderValue("etag:  \"v1\" \r\n", "ETag", value));
    EXPECT_EQ(value, "\"v1\"");
    EXPECT_FALSE(HeaderValue("ETags: x\r\n", "ETag", value));
    EXPECT_FALSE(HeaderValue("HTTP/1.1 200 OK\r\n", "ETag", value));

    struct RangeRow {
        const char* text;
        bool ok;
        int64_t first, total;
    };
    const RangeRow ranges[] = {
        {"bytes 100-199/200", true, 100, 200}, {"bytes 0-0/*", true, 0, -1},   {"bytes 5-4/10", false, 0, 0},
        {"bytes 5-10/10", false, 0, 0},        {"bytes -1-5/10", false, 0, 0}, {"items 0-1/2", false, 0, 0},
        {"bytes 1-2", false, 0, 0},            {"bytes 99999999999999999999-1/2", false, 0, 0},
    };
    for (const RangeRow& row : ranges) {
        SCOPED_TRACE(row.text);
        int64_t first = 0, total = 0;
        ASSERT_EQ(ParseContentRange(row.text, first, total), row.ok);
        if (row.ok) {
            EXPECT_EQ(first, row.first);
            EXPECT_EQ(total, row.total);
        }
    }
    EXPECT_EQ(ParseContentLength("536870912"), 536870912);
    EXPECT_EQ(ParseContentLength("12, 12"), -1);
    EXPECT_EQ(ParseRetryAfter(" 120 "), 120);
    EXPECT_EQ(ParseRetryAfter("Wed, 21 Oct 2026 07:28:00 GMT"), -1);
    EXPECT_EQ(ParseRetryAfter("-5"), -1);
    EXPECT_EQ(ParseRetryAfter("999999999"), 86400);
    EXPECT_EQ(StrongEntityTag("\"abc\""), "\"abc\"");
    EXPECT_EQ(StrongEntityTag("W/\"abc\""), "");
    EXPECT_EQ(StrongEntityTag("abc"), "");
}

TEST(DownloadRules, RateAndSizesReadAsPeopleExpect) {
    RateMeter rate;
    EXPECT_EQ(rate.BytesPerSecond(), 0u);
    for (uint64_t second = 0; second < 20; ++second)
        rate.Add(second * 1000, second < 10 ? second * 100 : 1000 + (second - 10) * 2000);
    EXPECT_EQ(rate.BytesPerSecond(), 2000u);  // the last few seconds, not the average since the start
    EXPECT_EQ(FormatSize(0), L"0.0 KB");
    EXPECT_EQ(FormatSize(1536), L"1.5 KB");
    EXPECT_EQ(FormatSize(150u * 1024 * 1024), L"150.0 MB");
    EXPECT_EQ(FormatSize(3ull * 1024 * 1024 * 1024 / 2), L"1.5 GB");
}

TEST(DownloadRules, MessagesCarryTheirCodes) {
    EXPECT_EQ(MsgTempFileNotOpened(5), L"无法创建下载临时文件（错误码：5）");
    EXPECT_EQ(MsgWriteFailed(112), L"下载文件写入失败（错误码：112）");
    EXPECT_EQ(MsgServerStatus(503), L"下载服务器返回错误（HTTP 503）");
    EXPECT_EQ(MsgTempFileNotOpened(4294967295ul), L"无法创建下载临时文件（错误码：4294967295）");
}

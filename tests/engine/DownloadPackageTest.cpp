#include "engine/DownloadPackage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/TestDirs.h"
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

std::string Pattern(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return UINT64_MAX;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The shipped limits take minutes to give up; these take seconds.
DownloadPolicy QuickPolicy() {
    DownloadPolicy policy;
    policy.connectSeconds = 5;
    policy.stallSeconds = 3;  // longer than the servers' own one-second silences
    policy.maxAttempts = 10;
    policy.maxFruitlessAttempts = 3;
    policy.firstBackoffMs = 50;
    policy.maxBackoffMs = 200;
    policy.maxRetryAfterSeconds = 1;
    return policy;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << "the test server is not running";
        id_ = TestServer::NewId("dl");
        dir_ = MakeTempDir(L"download");
        file_ = dir_ + L"\\orb1.tmp";
        ASSERT_TRUE(WriteFileBytes(file_, ""));
    }
    void TearDown() override { RemoveTree(dir_); }

    bool Download(const std::string& route, bool tls = false, const AbortCheck& abort = nullptr,
                  const DownloadPolicy& policy = QuickPolicy()) {
        message_.clear();
        percents_.clear();
        statuses_.clear();
        DownloadJob job;
        job.url = server_.WideUrl(id_, route, tls);
        job.file = file_;
        job.progress = [this](int p) { percents_.push_back(p); };
        job.status = [this](const InstallStatus& s) { statuses_.push_back(s); };
        job.abort = abort;
        return DownloadPackage(job, message_, policy);
    }
    std::string Message() const { return std::string(message_.begin(), message_.end()); }

    const TestServer& server_ = TestServer::Get();
    std::string id_;
    std::wstring dir_, file_, message_;
    std::vector<int> percents_;
    std::vector<InstallStatus> statuses_;
};

}  // namespace

TEST_F(DownloadTest, StreamsTheBodyAndReportsProgressUpToNinety) {
    ASSERT_TRUE(Download("len/3000000")) << Message();
    EXPECT_EQ(message_, L"");
    EXPECT_EQ(ReadFileBytes(file_), Pattern(3000000));
    ASSERT_GE(percents_.size(), 2u);
    EXPECT_EQ(percents_.front(), 0);
    EXPECT_EQ(percents_.back(), 90);
    for (size_t i = 1; i + 1 < percents_.size(); ++i)
        EXPECT_GT(percents_[i], percents_[i - 1]) << "reported only when the value changes";
    EXPECT_EQ(percents_[percents_.size() - 2], 90);  // the probe's 90, then the final 90

    const auto requests = server_.Requests(id_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].Header("User-Agent"), "OrbelinInstaller/1.0");
}

TEST_F(DownloadTest, TruncatesTheExistingFile) {
    ASSERT_TRUE(WriteFileBytes(file_, std::string(5000, 'x')));
    ASSERT_TRUE(Download("len/100"));
    EXPECT_EQ(ReadFileBytes(file_), Pattern(100));
}

TEST_F(DownloadTest, WorksWithoutCallbacks) {
    std::wstring message;
    EXPECT_TRUE(DownloadPackage(server_.WideUrl(id_, "len/10"), file_, nullptr, message, nullptr));
    EXPECT_EQ(ReadFileBytes(file_), Pattern(10));
}

TEST_F(DownloadTest, FiveRedirectsAreFollowedSixAreNot) {
    ASSERT_TRUE(Download("redirect/5/len/777")) << Message();
    EXPECT_EQ(ReadFileBytes(file_), Pattern(777));
    EXPECT_EQ(server_.Requests(id_).size(), 6u);

    EXPECT_FALSE(Download("redirect/6/len/777"));
    EXPECT_EQ(message_, L"下载失败：Number of redirects hit maximum amount");
}

namespace {

// One row per way a server can answer: the message the user sees (empty: success), the file's size
// afterwards (-1: not examined; on success its bytes are compared as well) and the time it took.
// Breaks are retried, so those that keep breaking end with the last attempt's message.
struct DownloadRow {
    const char* route;
    bool tls;
    const wchar_t* message;
    int64_t fileBytes;
    double minSeconds;
    double maxSeconds;
};

constexpr wchar_t kNothing[] = L"下载失败：Server returned nothing (no headers, no data)";
constexpr wchar_t kPartial[] = L"下载失败：Transferred a partial file";
constexpr wchar_t kIncomplete[] = L"下载文件不完整，请检查网络后重试。";
constexpr wchar_t kUnsupported[] = L"下载失败：Unsupported protocol";
// libcurl is built with HTTP(S) alone, so a file:// address is not even a URL it can parse.
constexpr wchar_t kNotAUrl[] = L"下载失败：URL using bad/illegal format or missing URL";

const DownloadRow kDownloadRows[] = {
    {"status/404", false, L"下载服务器返回错误（HTTP 404）", -1, 0, 3},
    {"status/404/0", false, L"下载服务器返回错误（HTTP 404）", 0, 0, 3},
    {"status/500/2000", false, L"下载服务器返回错误（HTTP 500）", -1, 0, 3},
    {"status/503/0", false, L"下载服务器返回错误（HTTP 503）", 0, 0, 3},
    {"status/403", false, L"下载服务器返回错误（HTTP 403）", -1, 0, 3},
    {"status/204/0", false, L"下载服务器返回错误（HTTP 204）", 0, 0, 3},
    {"status/206/1000", false, L"下载服务器返回错误（HTTP 206）", -1, 0, 3},
    {"status/301/0", false, L"下载服务器返回错误（HTTP 301）", 0, 0, 3},  // no Location: nothing to follow
    {"len/0", false, kIncomplete, 0, 0, 3},
    {"chunked/0", false, kIncomplete, 0, 0, 3},
    {"chunked/1", false, L"", 1, 0, 3},
    {"chunked/70000", false, L"", 70000, 0, 3},
    {"headerstall/0", false, kNothing, 0, 0, 3},
    {"headerstall/1", false, kNothing, 0, 3, 6},  // three fruitless attempts of a second each
    {"stall/1", false, kPartial, 10, 1, 8},
    {"slow/65536/100", false, L"", 65536, 0.3, 4},
    {"loop", false, L"下载失败：Number of redirects hit maximum amount", -1, 0, 3},
    {"cross/len/4096", false, L"", 4096, 0, 3},  // http to https
    {"cross/len/4096", true, kUnsupported, 0, 0, 3},  // https is never followed to http
    {"goto/ftp", false, kUnsupported, 0, 0, 3},
    {"goto/file", false, kNotAUrl, 0, 0, 3},
    {"partial/2000/1000", false, kPartial, 1000, 0, 3},
    {"partial/1000/2000", false, L"", 1000, 0, 3},  // what follows the announced length is dropped
    {"chunked/70000/cut", false, kPartial, 70000, 0, 3},
    // Announced past the limit, then silent: refused on the headers, not after the wait.
    {"stall/30/600000000", false, L"安装包超过允许的大小限制。", 0, 0, 3},
};

}  // namespace

TEST_F(DownloadTest, EveryKindOfAnswerEndsWithItsMessageInTime) {
    for (const DownloadRow& row : kDownloadRows) {
        SCOPED_TRACE(std::string(row.route) + (row.tls ? " over https" : ""));
        const auto start = std::chrono::steady_clock::now();
        const bool ok = Download(row.route, row.tls);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(ok, row.message[0] == L'\0');
        EXPECT_EQ(message_, row.message) << Message();
        if (ok) {
            EXPECT_EQ(ReadFileBytes(file_), Pattern(static_cast<size_t>(row.fileBytes)));
        } else if (row.fileBytes >= 0) {
            EXPECT_EQ(FileSize(file_), static_cast<uint64_t>(row.fileBytes));
        }
        EXPECT_GE(elapsed.count(), row.minSeconds);
        EXPECT_LT(elapsed.count(), row.maxSeconds);
    }
}

TEST_F(DownloadTest, UnreachableServerAndBadUrls) {
    std::wstring message;
    EXPECT_FALSE(DownloadPackage(L"http://127.0.0.1:1/Orbelin.zip", file_, nullptr, message, nullptr));
    EXPECT_EQ(message, L"下载失败：Couldn't connect to server");
    message.clear();
    EXPECT_FALSE(DownloadPackage(L"", file_, nullptr, message, nullptr));
    EXPECT_EQ(message.rfind(L"下载失败：", 0), 0u);
    message.clear();
    EXPECT_FALSE(DownloadPackage(L"ftp://127.0.0.1/Orbelin.zip", file_, nullptr, message, nullptr));
    EXPECT_EQ(message, L"下载失败：Unsupported protocol");
}

TEST_F(DownloadTest, TargetThatCannotBeOpenedNamesTheSystemError) {
    std::wstring message;
    EXPECT_FALSE(
        DownloadPackage(server_.WideUrl(id_, "len/10"), dir_ + L"\\missing\\x.tmp", nullptr, message, nullptr));
    EXPECT_EQ(message, L"无法创建下载临时文件（错误码：3）");  // ERROR_PATH_NOT_FOUND
    EXPECT_TRUE(server_.Requests(id_).empty());
}

TEST_F(DownloadTest, AbortStopsATransferWithinASecond) {
    std::atomic<bool> abort{false};
    std::atomic<bool> started{false};
    std::thread closer([&] {
        while (!started)
            std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(200ms);
        abort = true;
    });
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point aborted;
    const bool ok = DownloadPackage(
        server_.WideUrl(id_, "slow/10000000/50"), file_, [&](int) { started = true; }, message_, [&] {
            if (abort && aborted == std::chrono::steady_clock::time_point())
                aborted = std::chrono::steady_clock::now();
            return abort.load();
        });
    const auto end = std::chrono::steady_clock::now();
    closer.join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(message_, L"下载失败：Operation was aborted by an application callback");
    EXPECT_LT(end - start, 5s);
    EXPECT_LT(end - aborted, 1s);
}

// A silent server is given up only after the shipped 30 s stall, so the user's abort is the quicker
// way out; it has to work before the headers as well as in the middle of the body.
TEST_F(DownloadTest, AbortEndsAStalledTransferPromptly) {
    for (const char* route : {"headerstall/30", "stall/30"}) {
        SCOPED_TRACE(route);
        std::atomic<bool> abort{false};
        std::thread closer([&] {
            std::this_thread::sleep_for(500ms);
            abort = true;
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(Download(route, false, [&] { return abort.load(); }, DownloadPolicy()));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        closer.join();
        EXPECT_EQ(message_, L"下载失败：Operation was aborted by an application callback");
        EXPECT_LT(elapsed, 3s);
    }
}

TEST_F(DownloadTest, WorksOverHttpsIncludingRedirects) {
    ASSERT_TRUE(Download("redirect/2/len/4096", true)) << Message();
    EXPECT_EQ(ReadFileBytes(file_), Pattern(4096));
}

TEST_F(DownloadTest, ExactlyTheSizeLimitIsAcceptedOneByteMoreIsNot) {
    ASSERT_TRUE(Download("len/536870912")) << Message();
    EXPECT_EQ(FileSize(file_), 536870912u);
    EXPECT_EQ(percents_.back(), 90);

    EXPECT_FALSE(Download("len/536870913"));
    EXPECT_EQ(message_, L"安装包超过允许的大小限制。");
    EXPECT_LE(FileSize(file_), 536870912u);

    EXPECT_FALSE(Download("chunked/536870913"));
    EXPECT_EQ(message_, L"安装包超过允许的大小限制。");
    DeleteFileW(file_.c_str());
}

namespace {

// A package served with faults (see the test server's pkg route), and what the download must make
// of it: the message (empty: success, with every byte right), how many requests it took and the
// Range each asked for ("-": none).
struct FaultRow {
    const char* route;
    const wchar_t* message;
    std::vector<std::string> ranges;
};

const FaultRow kFaultRows[] = {
    // Cut twice: each retry asks for the rest, guarded by the first answer's ETag.
    {"pkg/300000?cut=100000&times=2", L"", {"-", "bytes=100000-", "bytes=200000-"}},
    // Last-Modified stands in for a missing ETag.
    {"pkg/300000?cut=100000&times=1&lastmod=1", L"", {"-", "bytes=100000-"}},
    // A server that ignores Range sends it all again, and the file starts over.
    {"pkg/300000?cut=100000&times=2&norange=1", L"", {"-", "bytes=100000-", "bytes=100000-"}},
    // 416 discards the partial file and starts over once; a second 416 fails.
    {"pkg/300000?cut=100000&times=1&refuse=1", L"", {"-", "bytes=100000-", "-"}},
    {"pkg/300000?cut=100000&times=3&refuse=1", L"下载服务器返回错误（HTTP 416）",
     {"-", "bytes=100000-", "-", "bytes=100000-"}},
    // The copy changed under the resumed transfer (a new ETag on a 206): start over once.
    {"pkg/300000?cut=100000&times=1&newetag=1", L"", {"-", "bytes=100000-", "-"}},
    // Mid-body silence is a stall, ended long before the server's 30 s, and resumed. (libcurl's
    // rate is that of the last five seconds, so the stall shows some seconds after the burst.)
    {"pkg/300000?cut=100000&times=1&stall=30", L"", {"-", "bytes=100000-"}},
    // Busy twice, with Retry-After (capped at the policy's second).
    {"pkg/3000?busy=2&after=30", L"", {"-", "-", "-"}},
    // Nothing ever comes: three fruitless attempts, then the last one's message.
    {"pkg/300000?cut=0", L"下载失败：Transferred a partial file", {"-", "-", "-"}},
    {"pkg/3000?busy=9&after=0", L"下载服务器返回错误（HTTP 503）", {"-", "-", "-"}},
};

}  // namespace

TEST_F(DownloadTest, BrokenTransfersAreResumedOrRetriedWithinBounds) {
    for (const FaultRow& row : kFaultRows) {
        SCOPED_TRACE(row.route);
        id_ = TestServer::NewId("fault");
        const auto start = std::chrono::steady_clock::now();
        const bool ok = Download(row.route);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(message_, row.message) << Message();
        EXPECT_EQ(ok, row.message[0] == L'\0');
        EXPECT_LT(elapsed, 20s);
        if (ok) {
            const size_t size = std::string(row.route).find("pkg/3000?") == 0 ? 3000 : 300000;
            EXPECT_EQ(ReadFileBytes(file_), Pattern(size));
            EXPECT_EQ(percents_.back(), 90);
        }
        for (size_t i = 1; i < percents_.size(); ++i)
            EXPECT_GE(percents_[i], percents_[i - 1]) << "the bar moved backwards";
        std::vector<std::string> ranges;
        for (const RecordedRequest& request : server_.Requests(id_))
            ranges.push_back(request.HasHeader("Range") ? request.Header("Range") : "-");
        EXPECT_EQ(ranges, row.ranges);
    }
}

TEST_F(DownloadTest, ARetryIsAnnouncedAndTheWaitEndsOnAbort) {
    std::atomic<bool> abort{false};
    DownloadPolicy policy = QuickPolicy();
    policy.maxRetryAfterSeconds = 60;
    std::thread closer([&] {
        std::this_thread::sleep_for(1500ms);
        abort = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Download("pkg/3000?busy=9&after=30", false, [&] { return abort.load(); }, policy));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    closer.join();
    EXPECT_EQ(message_, L"下载失败：Operation was aborted by an application callback");
    EXPECT_LT(elapsed, 2500ms);
    ASSERT_FALSE(statuses_.empty());
    EXPECT_EQ(statuses_.back().stage, InstallStage::kRetrying);
    EXPECT_GT(statuses_.back().retryInSeconds, 25);
}

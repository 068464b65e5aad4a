#include "engine/SendDeviceReport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/DeviceIdentity.h"
#include "engine/DeviceProfile.h"
#include "engine/PathHelpers.h"
#include "support/TestDirs.h"
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

const std::string kGoodAnswer =
    "{\"code\":0,\"msg\":\"ok\",\"data\":{\"main_url\":\"http://127.0.0.1:9/p.zip\",\"version\":\"2.0.1.7\","
    "\"token\":\"tok-42\"}}";

std::wstring TokenPath() { return GetAppDataDir() + L"\\token.dat"; }

class DeviceReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << "the test server is not running";
        DeleteFileW(TokenPath().c_str());
        id_ = TestServer::NewId("report");
    }
    void TearDown() override { DeleteFileW(TokenPath().c_str()); }

    // Sends `body` to this test's report endpoint with the answer configured first.
    bool Report(int status, const std::string& answer, DeviceReportResult& result, const std::string& body = "{}",
                bool tls = false) {
        EXPECT_TRUE(server_.SetReportAnswer(id_, status, answer));
        return SendDeviceReportTo(server_.Url(id_, "api/device/report", tls), body, result, nullptr);
    }

    const TestServer& server_ = TestServer::Get();
    std::string id_;
};

}  // namespace

TEST_F(DeviceReportTest, PostsTheProfileWithItsHeaders) {
    const std::string body = BuildDeviceProfile();
    DeviceReportResult result;
    ASSERT_TRUE(Report(200, kGoodAnswer, result, body));

    const auto requests = server_.Requests(id_);
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/t/" + id_ + "/api/device/report");
    EXPECT_EQ(request.body, body);
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(request.Header("Content-Type"), "application/json");
    EXPECT_EQ(request.Header("User-Agent"), "OrbelinInstaller/1.0");
    EXPECT_FALSE(request.HasHeader("X-Device-Token"));
}

TEST_F(DeviceReportTest, StoredTokenTravelsInItsHeader) {
    ASSERT_TRUE(WriteFileBytes(TokenPath(), "stored-token-7"));
    DeviceReportResult result;
    ASSERT_TRUE(Report(200, kGoodAnswer, result));
    const auto requests = server_.Requests(id_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("X-Device-Token"), "stored-token-7");
}

TEST_F(DeviceReportTest, TokenThatWouldBreakTheHeaderLineIsNotSent) {
    ASSERT_TRUE(WriteFileBytes(TokenPath(), "tok\r\nX-Injected: 1"));
    DeviceReportResult result;
    ASSERT_TRUE(Report(200, kGoodAnswer, result));
    const auto requests = server_.Requests(id_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].HasHeader("X-Device-Token"));
    EXPECT_FALSE(requests[0].HasHeader("X-Injected"));
}

TEST_F(DeviceReportTest, AnswerFieldsAreTaken) {
    DeviceReportResult result;
    EXPECT_TRUE(Report(200, kGoodAnswer, result));
    EXPECT_EQ(result.main_url, L"http://127.0.0.1:9/p.zip");
    EXPECT_EQ(result.version, L"2.0.1.7");
    EXPECT_EQ(result.token, "tok-42");
}

TEST_F(DeviceReportTest, StatusCodePlaysNoPart) {
    DeviceReportResult result;
    EXPECT_TRUE(Report(500, kGoodAnswer, result));
    EXPECT_EQ(result.version, L"2.0.1.7");
}

TEST_F(DeviceReportTest, OnlyTheExactSuccessMarkerIsAccepted) {
    for (const char* refused : {"{\"code\": 0,\"version\":\"9\"}", "{\"code\":1,\"version\":\"9\"}",
                                "{\"version\":\"9\"}", ""}) {
        DeviceReportResult result;
        EXPECT_FALSE(Report(200, refused, result)) << refused;
        EXPECT_EQ(result.version, L"") << refused;
    }
    DeviceReportResult result;
    EXPECT_TRUE(Report(200, "{\"code\":05,\"version\":\"9\"}", result));
    EXPECT_EQ(result.version, L"9");
}

TEST_F(DeviceReportTest, MembersAreReadVerbatim) {
    DeviceReportResult result;
    ASSERT_TRUE(Report(200,
                       "{\"code\":0,\"main_url\" : \"http://x\",\"version\":\"1.0\\\"x\",\"token\":\"中文令牌\","
                       "\"tail\":\"",
                       result));
    EXPECT_EQ(result.main_url, L"");          // blanks around the colon hide it
    EXPECT_EQ(result.version, L"1.0\\\"x");   // the escape is kept
    EXPECT_EQ(result.token, "中文令牌");       // bytes as sent

    DeviceReportResult unterminated;
    ASSERT_TRUE(Report(200, "{\"code\":0,\"version\":\"7.7", unterminated));
    EXPECT_EQ(unterminated.version, L"7.7");
}

TEST_F(DeviceReportTest, AnswersPast16KiBFail) {
    const std::string head = "{\"code\":0,\"version\":\"3.3\",\"pad\":\"";
    const std::string tail = "\"}";
    DeviceReportResult atLimit;
    EXPECT_TRUE(Report(200, head + std::string(16384 - head.size() - tail.size(), 'p') + tail, atLimit));
    EXPECT_EQ(atLimit.version, L"3.3");

    DeviceReportResult over;
    EXPECT_FALSE(Report(200, head + std::string(16385 - head.size() - tail.size(), 'p') + tail, over));
    EXPECT_EQ(over.version, L"");
}

TEST_F(DeviceReportTest, RedirectsAreNotFollowed) {
    DeviceReportResult result;
    const std::string url = server_.Url(id_, "redirect/1/api/device/report");
    ASSERT_TRUE(server_.SetReportAnswer(id_, 200, kGoodAnswer));
    EXPECT_FALSE(SendDeviceReportTo(url, "{}", result, nullptr));
    EXPECT_EQ(server_.Requests(id_).size(), 1u);
}

TEST_F(DeviceReportTest, WorksOverHttps) {
    DeviceReportResult result;
    EXPECT_TRUE(Report(200, kGoodAnswer, result, "{}", true));
    EXPECT_EQ(result.token, "tok-42");
}

TEST_F(DeviceReportTest, AbortEndsAPendingReportPromptly) {
    ASSERT_TRUE(server_.SetReportAnswer(id_, 200, kGoodAnswer, 6.0));
    std::atomic<bool> abort{false};
    std::thread closer([&] {
        std::this_thread::sleep_for(300ms);
        abort = true;
    });
    DeviceReportResult result;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendDeviceReportTo(server_.Url(id_, "api/device/report"), "{}", result, [&] { return abort.load(); }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    closer.join();
    EXPECT_LT(elapsed, 3s);  // well before the server would have answered
    EXPECT_EQ(result.version, L"");
}

TEST_F(DeviceReportTest, ServerThatNeverAnswersCostsAtMostTheEightSecondLimit) {
    ASSERT_TRUE(server_.SetReportAnswer(id_, 200, kGoodAnswer, 30.0));
    DeviceReportResult result;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendDeviceReportTo(server_.Url(id_, "api/device/report"), "{}", result, [] { return false; }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 7s);
    EXPECT_LT(elapsed, 12s);
    EXPECT_EQ(result.main_url, L"");
}

TEST_F(DeviceReportTest, RefusedConnectionFailsQuietly) {
    DeviceReportResult result;
    EXPECT_FALSE(SendDeviceReportTo("http://127.0.0.1:1/api/device/report", "{}", result, nullptr));
    EXPECT_EQ(result.main_url, L"");
    EXPECT_EQ(result.token, "");
}

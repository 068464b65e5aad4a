#include "engine/SendDeviceReport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

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

namespace {

// One way the report's server can answer, and what the report makes of it.
struct ReportRow {
    const char* name;
    ReportAnswerConfig answer;
    std::string route = "api/device/report";  // where the report goes, under the row's own id
    bool accepted = false;
    DeviceReportResult fields;  // expected when accepted; a refusal leaves the caller's values
    double minSeconds = 0;
    double maxSeconds = 3;
};

ReportRow Row(const char* name, int status, const std::string& body, bool accepted = false) {
    ReportRow row;
    row.name = name;
    row.answer.status = status;
    row.answer.body = body;
    row.accepted = accepted;
    if (accepted)
        row.fields = {L"http://127.0.0.1:9/p.zip", L"2.0.1.7", "tok-42"};
    return row;
}

ReportRow WithHeader(ReportRow row, const std::string& name, const std::string& value) {
    row.answer.headers.emplace_back(name, value);
    return row;
}

// Waits out the report's 8 s limit.
ReportRow Slow(ReportRow row) {
    row.minSeconds = 7;
    row.maxSeconds = 11;
    return row;
}

}  // namespace

// Every row runs on its own thread at the same time (libcurl is built thread-safe), so the rows
// that wait out the 8 s limit cost those 8 s once. Each row also proves the report makes exactly
// one request: no retries, no redirects followed.
TEST_F(DeviceReportTest, EveryKindOfAnswerIsTakenOrRefusedWithinTheLimit) {
    const std::string elsewhereId = TestServer::NewId("elsewhere");
    ASSERT_TRUE(server_.SetReportAnswer(elsewhereId, 200, kGoodAnswer));
    const std::string elsewhere = server_.Url(elsewhereId, "api/device/report");

    std::vector<ReportRow> rows = {
        Row("200 with the marker", 200, kGoodAnswer, true),
        Row("200 without the marker", 200,
            "{\"code\":1,\"msg\":\"busy\",\"data\":{\"main_url\":\"http://127.0.0.1:9/q.zip\",\"version\":\"9.9\"}}"),
        Row("204 without a body", 204, ""),
        WithHeader(Row("301 elsewhere", 301, "moved"), "Location", elsewhere),
        WithHeader(Row("302 elsewhere", 302, "moved"), "Location", elsewhere),
        WithHeader(Row("404 page", 404, "<html><body>not found</body></html>"), "Content-Type", "text/html"),
        Row("500 with an error object", 500, "{\"code\":500,\"msg\":\"internal error\"}"),
        Row("500 with the marker: the status plays no part", 500, kGoodAnswer, true),
        WithHeader(Row("200 with an HTML page", 200, "<!DOCTYPE html><html><body>502 Bad Gateway</body></html>"),
                   "Content-Type", "text/html"),
        WithHeader(Row("200 with the wrong content type", 200, kGoodAnswer, true), "Content-Type",
                   "application/octet-stream"),
        Row("answer past the cap", 200, kGoodAnswer + std::string(1 << 20, ' ')),
    };
    // Members are searched, not parsed: what arrived before the cut still counts.
    ReportRow cut =
        Row("JSON cut short", 200, "{\"code\":0,\"data\":{\"main_url\":\"http://127.0.0.1:9/p.zip\",\"vers", true);
    cut.fields = {L"http://127.0.0.1:9/p.zip", L"", ""};
    rows.push_back(cut);

    // Text members become UTF-16 with U+FFFD for what is not UTF-8; the token stays raw bytes.
    ReportRow bytes = Row("bytes that are not UTF-8", 200,
                          "{\"code\":0,\"data\":{\"main_url\":\"http://127.0.0.1:9/\xff.zip\",\"version\":\"2.0.\xfe\","
                          "\"token\":\"t\x80k\"}}",
                          true);
    bytes.fields = {L"http://127.0.0.1:9/\xFFFD.zip", L"2.0.\xFFFD", "t\x80k"};
    rows.push_back(bytes);

    ReportRow shorter = Row("body shorter than announced", 200, kGoodAnswer);
    shorter.answer.announcedLength = static_cast<long long>(kGoodAnswer.size()) + 100;
    rows.push_back(shorter);

    ReportRow hangUp = Row("hang-up without a word", 200, "");
    hangUp.route = "headerstall/0";
    rows.push_back(hangUp);

    ReportRow drip = Row("slow drip within the limit", 200, kGoodAnswer, true);
    drip.answer.dripBytes = 16;
    drip.answer.dripGapMs = 100;
    drip.minSeconds = 0.5;
    rows.push_back(drip);

    ReportRow headerStall = Slow(Row("silence before the headers", 200, kGoodAnswer));
    headerStall.answer.delaySeconds = 20;
    rows.push_back(headerStall);

    ReportRow bodyStall = Slow(Row("silence in the body", 200, kGoodAnswer.substr(0, 40)));
    bodyStall.answer.announcedLength = static_cast<long long>(kGoodAnswer.size());
    bodyStall.answer.lingerSeconds = 20;
    rows.push_back(bodyStall);

    ReportRow slowDrip = Slow(Row("slow drip past the limit", 200, kGoodAnswer));
    slowDrip.answer.dripBytes = 1;
    slowDrip.answer.dripGapMs = 100;
    rows.push_back(slowDrip);

    const DeviceReportResult untouched{L"keep-url", L"keep-version", "keep-token"};
    std::vector<std::string> ids(rows.size());
    std::vector<DeviceReportResult> results(rows.size(), untouched);
    std::vector<char> accepted(rows.size(), 0);  // not vector<bool>: each thread writes its own element
    std::vector<double> seconds(rows.size(), 0);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < rows.size(); ++i) {
        ids[i] = TestServer::NewId("report-row");
        ASSERT_TRUE(server_.SetReportAnswer(ids[i], rows[i].answer)) << rows[i].name;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        threads.emplace_back([&, i] {
            const auto start = std::chrono::steady_clock::now();
            accepted[i] = SendDeviceReportTo(server_.Url(ids[i], rows[i].route), "{}", results[i], nullptr);
            seconds[i] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    for (size_t i = 0; i < rows.size(); ++i) {
        const ReportRow& row = rows[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(accepted[i] != 0, row.accepted);
        const DeviceReportResult& expected = row.accepted ? row.fields : untouched;
        EXPECT_EQ(results[i].main_url, expected.main_url);
        EXPECT_EQ(results[i].version, expected.version);
        EXPECT_EQ(results[i].token, expected.token);
        EXPECT_GE(seconds[i], row.minSeconds);
        EXPECT_LT(seconds[i], row.maxSeconds);
        EXPECT_EQ(server_.Requests(ids[i]).size(), 1u);
    }
    EXPECT_TRUE(server_.Requests(elsewhereId).empty());
}

TEST_F(DeviceReportTest, RefusedConnectionFailsQuietly) {
    DeviceReportResult result;
    EXPECT_FALSE(SendDeviceReportTo("http://127.0.0.1:1/api/device/report", "{}", result, nullptr));
    EXPECT_EQ(result.main_url, L"");
    EXPECT_EQ(result.token, "");
}

// The pipeline with the real device report and download against the loopback server; the later
// services are stand-ins that record what reached them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/DeviceIdentity.h"
#include "engine/DeviceProfile.h"
#include "engine/DownloadPackage.h"
#include "engine/InstallConstants.h"
#include "engine/InstallPipeline.h"
#include "engine/PathHelpers.h"
#include "engine/SendDeviceReport.h"
#include "support/RecordingEvents.h"
#include "support/TestDirs.h"
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

class NetworkServices : public IInstallServices {
public:
    explicit NetworkServices(std::string reportUrl) : reportUrl_(std::move(reportUrl)) {}

    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) override {
        return SendDeviceReportTo(reportUrl_, BuildDeviceProfile(), result, abort);
    }
    bool DownloadPackage(const DownloadJob& job, std::wstring& message) override {
        const auto& file = job.file;
        downloadFile = file;
        const bool ok = Engine::DownloadPackage(job, message);
        fileAfterDownload = Exists(file);
        return ok;
    }
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const ProgressCallback& progress) override {
        downloaded = ReadFileBytes(zipFile);
        EnsureDirectory(targetDir);
        WriteFileBytes(targetDir + L"\\Orbelin.exe", "MZ");
        WriteFileBytes(targetDir + L"\\Uninstall.exe", "MZ");
        progress(95);
        return true;
    }
    bool VerifyPackage(const std::wstring&, const std::wstring& version) override {
        verifiedVersion = version;
        return true;
    }
    void SaveToken(const std::wstring& path, const std::string& token) override { Engine::SaveToken(path, token); }
    void CreateDesktopShortcut(const std::wstring&) override {}
    void WriteUninstallEntry(const std::wstring&, const std::wstring&) override {}

    std::string downloaded;
    std::wstring verifiedVersion;
    std::wstring downloadFile;       // the temporary file the pipeline handed to the download
    bool fileAfterDownload = false;  // whether the download left it behind for the pipeline

private:
    std::string reportUrl_;
};

std::wstring TokenPath() {
    return GetAppDataDir() + L"\\token.dat";
}

class NetworkPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running());
        id_ = TestServer::NewId("e2e");
        root_ = MakeTempDir(L"e2e");
        DeleteFileW(TokenPath().c_str());
    }
    void TearDown() override {
        RemoveTree(root_);
        DeleteFileW(TokenPath().c_str());
    }
    static bool Never() { return false; }
    void Run(NetworkServices& services,
             const std::wstring& builtInUrl = L"http://127.0.0.1:1/Orbelin.zip",
             const AbortCheck& abort = Never) {
        events_ = RecordingEvents();
        version_.clear();
        RunInstallPipeline({root_, builtInUrl}, version_, services, events_, abort);
    }
    // The download's file was a fresh one in the real %TEMP% under the installer's prefix, and the
    // run removed it whatever the download's outcome.
    static void ExpectTemporaryFileRemoved(const NetworkServices& services) {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        const std::wstring dir = temp;
        ASSERT_EQ(services.downloadFile.rfind(dir, 0), 0u) << "not in %TEMP%";
        EXPECT_EQ(services.downloadFile.compare(dir.size(), std::wcslen(kTempFilePrefix), kTempFilePrefix), 0);
        EXPECT_TRUE(services.fileAfterDownload);
        EXPECT_FALSE(Exists(services.downloadFile));
    }
    std::string Answer(const std::string& mainUrl, const std::string& version, const std::string& token) {
        return "{\"code\":0,\"data\":{\"main_url\":\"" + mainUrl + "\",\"version\":\"" + version + "\",\"token\":\"" +
               token + "\"}}";
    }

    const TestServer& server_ = TestServer::Get();
    std::string id_;
    std::wstring root_;
    std::wstring version_;
    RecordingEvents events_;
};

}  // namespace

TEST_F(NetworkPipelineTest, ServerValuesDriveARunToTheEnd) {
    ASSERT_TRUE(server_.SetReportAnswer(id_, 200, Answer(server_.Url(id_, "len/300000"), "2.0.1.7", "tok-e2e")));
    NetworkServices services(server_.Url(id_, "api/device/report"));
    Run(services);

    EXPECT_EQ(events_.finished, 1);
    EXPECT_TRUE(events_.success) << std::string(events_.message.begin(), events_.message.end());
    EXPECT_EQ(version_, L"2.0.1.7");
    EXPECT_EQ(services.verifiedVersion, L"2.0.1.7");
    EXPECT_EQ(services.downloaded.size(), 300000u);
    EXPECT_EQ(ReadFileBytes(TokenPath()), "tok-e2e");
    ASSERT_GE(events_.percents.size(), 4u);
    EXPECT_EQ(events_.percents.front(), 2);
    EXPECT_EQ(events_.percents.back(), 100);
    for (size_t i = 1; i < events_.percents.size(); ++i)
        EXPECT_GE(events_.percents[i], events_.percents[i - 1]);
    EXPECT_NE(std::find(events_.percents.begin(), events_.percents.end(), 77), events_.percents.end());
    EXPECT_TRUE(IsDirectory(root_ + L"\\2.0.1.7"));
    ExpectTemporaryFileRemoved(services);
}

namespace {

struct FailedDownloadRow {
    const char* route;
    const wchar_t* message;
};

const FailedDownloadRow kFailedDownloads[] = {
    {"status/404", L"下载服务器返回错误（HTTP 404）"},
    {"headerstall/1", L"下载失败：Server returned nothing (no headers, no data)"},
    {"stall/1", L"下载失败：Transferred a partial file"},
    {"loop", L"下载失败：Number of redirects hit maximum amount"},
    {"chunked/70000/cut", L"下载失败：Transferred a partial file"},
    {"stall/30/600000000", L"安装包超过允许的大小限制。"},
};

}  // namespace

TEST_F(NetworkPipelineTest, FailedDownloadEndsWithItsMessageAndLeavesNoFileOrToken) {
    for (const FailedDownloadRow& row : kFailedDownloads) {
        SCOPED_TRACE(row.route);
        const std::string id = TestServer::NewId("e2e-download");
        ASSERT_TRUE(server_.SetReportAnswer(id, 200, Answer(server_.Url(id, row.route), "2.0.1.8", "tok-x")));
        NetworkServices services(server_.Url(id, "api/device/report"));
        Run(services);
        EXPECT_EQ(events_.finished, 1);
        EXPECT_FALSE(events_.success);
        EXPECT_EQ(events_.message, row.message);
        ExpectTemporaryFileRemoved(services);
        EXPECT_FALSE(Exists(TokenPath()));
    }
}

TEST_F(NetworkPipelineTest, AbortDuringAStalledDownloadEndsTheRunAndRemovesTheFile) {
    ASSERT_TRUE(server_.SetReportAnswer(id_, 200, Answer(server_.Url(id_, "stall/30"), "2.0.1.8", "tok-x")));
    NetworkServices services(server_.Url(id_, "api/device/report"));
    std::atomic<bool> abort{false};
    std::thread closer([&] {
        std::this_thread::sleep_for(500ms);
        abort = true;
    });
    const auto start = std::chrono::steady_clock::now();
    Run(services, L"http://127.0.0.1:1/Orbelin.zip", [&] { return abort.load(); });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    closer.join();
    EXPECT_EQ(events_.finished, 1);
    EXPECT_EQ(events_.message, L"下载失败：Operation was aborted by an application callback");
    EXPECT_LT(elapsed, 3s);
    ExpectTemporaryFileRemoved(services);
}

TEST_F(NetworkPipelineTest, FailedReportFallsBackToTheBuiltInPackage) {
    ASSERT_TRUE(server_.SetReportAnswer(id_, 503, "{\"code\":1}"));
    NetworkServices services(server_.Url(id_, "api/device/report"));
    Run(services, server_.WideUrl(id_, "chunked/1234"));
    EXPECT_TRUE(events_.success);
    EXPECT_EQ(version_, L"1.0.0.49");
    EXPECT_EQ(services.downloaded.size(), 1234u);
    EXPECT_FALSE(Exists(TokenPath()));
    const auto requests = server_.Requests(id_);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].path, "/t/" + id_ + "/chunked/1234");
}

namespace {

// A report answer that is refused whole or that the run can use only in part. "@URL@" stands for
// a package address on the test server.
struct PartialAnswerRow {
    const char* name;
    std::string answer;
    bool success;
    const wchar_t* version;  // the version the run settles on
    size_t downloaded;       // bytes of the package that reached extraction
    const wchar_t* message;  // when the run fails
};

}  // namespace

TEST_F(NetworkPipelineTest, RefusedOrPartialAnswersFallBackFieldByField) {
    const PartialAnswerRow rows[] = {
        {"past the cap, though it names a package", Answer("@URL@", "3.0.0.1", "tok-big") + std::string(20000, ' '),
         true, L"1.0.0.49", 1234, L""},
        {"cut after the package URL", "{\"code\":0,\"data\":{\"main_url\":\"@URL@\",\"vers", true, L"1.0.0.49", 999,
         L""},
        {"a version that is not UTF-8", "{\"code\":0,\"data\":{\"main_url\":\"@URL@\",\"version\":\"2.0.\xfe\"}}",
         false, L"2.0.\xFFFD", 0, L"服务端下发的版本号无效，安装已停止。"},
    };
    for (const PartialAnswerRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string id = TestServer::NewId("e2e-answer");
        std::string answer = row.answer;
        answer.replace(answer.find("@URL@"), 5, server_.Url(id, "len/999"));
        ASSERT_TRUE(server_.SetReportAnswer(id, 200, answer));
        NetworkServices services(server_.Url(id, "api/device/report"));
        Run(services, server_.WideUrl(id, "chunked/1234"));
        EXPECT_EQ(events_.finished, 1);
        EXPECT_EQ(events_.success, row.success);
        EXPECT_EQ(events_.message, row.message);
        EXPECT_EQ(version_, row.version);
        EXPECT_EQ(services.downloaded.size(), row.downloaded);
        EXPECT_FALSE(Exists(TokenPath()));
        if (row.downloaded == 0) {
            EXPECT_EQ(server_.Requests(id).size(), 1u) << "nothing but the report";
        }
    }
}

// The pipeline with the real device report and download against the loopback server; the later
// services are stand-ins that record what reached them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/DeviceIdentity.h"
#include "engine/DeviceProfile.h"
#include "engine/DownloadPackage.h"
#include "engine/InstallPipeline.h"
#include "engine/PathHelpers.h"
#include "engine/SendDeviceReport.h"
#include "support/RecordingEvents.h"
#include "support/TestDirs.h"
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;

namespace {

class NetworkServices : public IInstallServices {
public:
    explicit NetworkServices(std::string reportUrl) : reportUrl_(std::move(reportUrl)) {}

    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) override {
        return SendDeviceReportTo(reportUrl_, BuildDeviceProfile(), result, abort);
    }
    bool DownloadPackage(const std::wstring& url,
                         const std::wstring& file,
                         const ProgressCallback& progress,
                         std::wstring& message,
                         const AbortCheck& abort) override {
        return Engine::DownloadPackage(url, file, progress, message, abort);
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
    void Run(NetworkServices& services, const std::wstring& builtInUrl = L"http://127.0.0.1:1/Orbelin.zip") {
        RunInstallPipeline({root_, builtInUrl}, version_, services, events_, [] { return false; });
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
}

TEST_F(NetworkPipelineTest, FailedDownloadEndsWithItsMessageAndStoresNoToken) {
    ASSERT_TRUE(server_.SetReportAnswer(id_, 200, Answer(server_.Url(id_, "status/404"), "2.0.1.8", "tok-x")));
    NetworkServices services(server_.Url(id_, "api/device/report"));
    Run(services);
    EXPECT_EQ(events_.finished, 1);
    EXPECT_FALSE(events_.success);
    EXPECT_EQ(events_.message, L"下载服务器返回错误（HTTP 404）");
    EXPECT_FALSE(Exists(TokenPath()));
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

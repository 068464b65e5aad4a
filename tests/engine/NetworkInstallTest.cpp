// A complete installation without the UI: the real pipeline and every real service, against the
// loopback test server (device report and package download) and real signed packages.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/DeviceIdentity.h"
#include "engine/DeviceProfile.h"
#include "engine/DownloadPackage.h"
#include "engine/ExtractPackage.h"
#include "engine/InstallConstants.h"
#include "engine/InstallPipeline.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"
#include "engine/SendDeviceReport.h"
#include "engine/SystemRegistration.h"
#include "engine/VerifyPackage.h"
#include "support/ReadBack.h"
#include "support/RecordingEvents.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;

namespace {

// The installer's own services, except that the report goes to the test server and the pinned
// publisher is the test tooling's.
class RealServices : public IInstallServices {
public:
    explicit RealServices(std::string reportUrl) : reportUrl_(std::move(reportUrl)) {}

    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) override {
        return SendDeviceReportTo(reportUrl_, BuildDeviceProfile(), result, abort);
    }
    bool DownloadPackage(const DownloadJob& job, std::wstring& message) override {
        const auto& file = job.file;
        downloadFile = file;
        return Engine::DownloadPackage(job, message);
    }
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const ProgressCallback& progress) override {
        return Engine::ExtractPackage(zipFile, targetDir, progress);
    }
    bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) override {
        return Engine::VerifyPackage(installDir, expectedVersion, TestVerifyConfig());
    }
    void SaveToken(const std::wstring& path, const std::string& token) override { Engine::SaveToken(path, token); }
    void CreateDesktopShortcut(const std::wstring& installDir) override { Engine::CreateDesktopShortcut(installDir); }
    void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) override {
        Engine::WriteUninstallEntry(installRoot, productVersion);
    }

    std::wstring downloadFile;

private:
    std::string reportUrl_;
};

std::wstring TokenPath() {
    return GetAppDataDir() + L"\\token.dat";
}
std::wstring SettingsPath() {
    return GetAppDataDir() + L"\\settings.ini";
}
const char kSettings[] = "[privacy]\r\nnetworkConsent=1\r\n";

class NetworkInstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestRootCertificate()); }
    void SetUp() override {
        ASSERT_TRUE(server_.Running());
        id_ = TestServer::NewId("install");
        parent_ = MakeTempDir(L"net-install");
        root_ = parent_ + L"\\欧贝林";
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
        DeleteFileW(TokenPath().c_str());
        ASSERT_TRUE(WriteFileBytes(SettingsPath(), kSettings));
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
        DeleteFileW(TokenPath().c_str());
        DeleteFileW(SettingsPath().c_str());
        RemoveTree(parent_);
    }

    void Install(const std::string& package) {
        const std::string answer = "{\"code\":0,\"data\":{\"main_url\":\"" +
                                   server_.Url(id_, "file/" + package + ".zip") +
                                   "\",\"version\":\"1.0.0.49\",\"token\":\"server-token-" + package + "\"}}";
        ASSERT_TRUE(server_.SetReportAnswer(id_, 200, answer));
        services_ = std::make_unique<RealServices>(server_.Url(id_, "api/device/report"));
        RunInstallPipeline({root_, L"http://127.0.0.1:1/Orbelin.zip"}, version_, *services_, events_,
                           [] { return false; });
    }

    const TestServer& server_ = TestServer::Get();
    std::string id_;
    std::wstring parent_, root_, version_;
    std::unique_ptr<RealServices> services_;
    RecordingEvents events_;
};

}  // namespace

TEST_F(NetworkInstallTest, SignedPackageFromTheServerInstallsAndRegisters) {
    Install("good");
    ASSERT_EQ(events_.finished, 1);
    EXPECT_TRUE(events_.success) << std::string(events_.message.begin(), events_.message.end());
    const std::wstring installDir = root_ + L"\\1.0.0.49";

    for (const std::wstring& name : ManifestFiles(TestVerifyConfig()))
        EXPECT_TRUE(Exists(installDir + L"\\" + name)) << std::string(name.begin(), name.end());
    EXPECT_EQ(ListDir(root_), std::vector<std::wstring>{L"1.0.0.49"});
    EXPECT_EQ(ListDir(parent_), std::vector<std::wstring>{L"欧贝林"});
    EXPECT_FALSE(Exists(services_->downloadFile));

    EXPECT_EQ(ReadFileBytes(TokenPath()), "server-token-good");
    EXPECT_EQ(ReadFileBytes(SettingsPath()), kSettings);  // the pipeline never writes the consent file

    const ShortcutInfo link = ReadShortcut(DesktopShortcutPath());
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.workingDir, installDir);
    EXPECT_EQ(link.description, kProductDisplayName);
    const RegValue displayVersion = ReadUninstallValue(L"DisplayVersion");
    ASSERT_TRUE(displayVersion.present);
    EXPECT_EQ(displayVersion.Text(), std::wstring(L"1.0.0.49", 9));  // with its terminating NUL

    EXPECT_EQ(events_.percents.front(), 2);
    EXPECT_EQ(events_.percents.back(), 100);
    for (size_t i = 1; i < events_.percents.size(); ++i)
        EXPECT_GE(events_.percents[i], events_.percents[i - 1]);
}

TEST_F(NetworkInstallTest, HostilePackagesEndWithTheirMessageAndLeaveNothingOutside) {
    const struct {
        const char* package;
        const wchar_t* message;
    } cases[] = {
        {"foreign-signature", kMsgVerifyFailed},  {"unsigned-filter", kMsgVerifyFailed},
        {"tampered-filter", kMsgVerifyFailed},    {"missing-filter", kMsgVerifyFailed},
        {"wrong-file-version", kMsgVerifyFailed}, {"missing-uninstaller", kMsgMissingUninstaller},
        {"missing-both", kMsgMissingMainExe},     {"top-level-folder", kMsgMissingMainExe},
        {"unsafe-parent", kMsgExtractFailed},     {"encrypted-entry", kMsgExtractFailed},
        {"crc-corrupt-entry", kMsgExtractFailed}, {"zero-entries", kMsgExtractFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package);
        events_ = RecordingEvents();
        Install(c.package);
        EXPECT_EQ(events_.finished, 1);
        EXPECT_FALSE(events_.success);
        EXPECT_EQ(events_.message, c.message);
        EXPECT_TRUE(ListDir(root_).empty());  // nothing staged is left
        EXPECT_EQ(ListDir(parent_), std::vector<std::wstring>{L"欧贝林"});
        EXPECT_FALSE(Exists(services_->downloadFile));
        EXPECT_FALSE(Exists(TokenPath()));
        EXPECT_FALSE(Exists(DesktopShortcutPath()));
        EXPECT_FALSE(ReadUninstallValue(L"DisplayName").present);
        EXPECT_EQ(ReadFileBytes(SettingsPath()), kSettings);
        RemoveTree(root_);
    }
}

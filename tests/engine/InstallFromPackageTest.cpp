// A complete installation without the UI and without the network: the real pipeline with the
// real extraction, verification and registration, fed a real signed package from disk in place of
// the device report and the download.

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ExtractPackage.h"
#include "engine/InstallConstants.h"
#include "engine/InstallPipeline.h"
#include "engine/InstallRules.h"
#include "engine/SystemRegistration.h"
#include "engine/VerifyPackage.h"
#include "support/ReadBack.h"
#include "support/RecordingEvents.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using namespace Engine;
using namespace TestSupport;

namespace {

class LocalPackageServices : public IInstallServices {
public:
    LocalPackageServices(std::wstring package, std::wstring installRoot)
        : package_(std::move(package)), installRoot_(std::move(installRoot)) {}

    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck&) override {
        result.version = L"1.0.0.49";
        result.token = "device-token";
        return true;
    }
    bool DownloadPackage(const std::wstring&,
                         const std::wstring& file,
                         const ProgressCallback& progress,
                         std::wstring& message,
                         const AbortCheck&) override {
        downloadFile = file;
        progress(90);
        if (CopyFileW(package_.c_str(), file.c_str(), FALSE))
            return true;
        message = L"copy failed";
        return false;
    }
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const ProgressCallback& progress) override {
        return Engine::ExtractPackage(zipFile, targetDir, progress);
    }
    bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) override {
        return Engine::VerifyPackage(installDir, expectedVersion, TestVerifyConfig());
    }
    void SaveToken(const std::wstring&, const std::string& token) override { savedToken = token; }
    void CreateDesktopShortcut(const std::wstring& installDir) override { Engine::CreateDesktopShortcut(installDir); }
    void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) override {
        Engine::WriteUninstallEntry(installRoot, productVersion);
    }

    std::wstring downloadFile;
    std::string savedToken;

private:
    std::wstring package_;
    std::wstring installRoot_;
};

class InstallFromPackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestRootCertificate()); }
    void SetUp() override {
        parent_ = MakeTempDir(L"install");
        ASSERT_FALSE(parent_.empty());
        root_ = parent_ + L"\\用户 程序\\Orbelin";
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
        RemoveTree(parent_);
    }

    void Install(const std::wstring& package) {
        services_ = std::make_unique<LocalPackageServices>(PackagePath(package), root_);
        InstallRunConfig config{root_, L"http://127.0.0.1:9/Orbelin.zip"};
        RunInstallPipeline(config, version_, *services_, events_, [] { return false; });
    }
    std::wstring InstallDir() const { return root_ + L"\\1.0.0.49"; }

    // A failed run ends with exactly `message`, leaves nothing under the root (the staging folder is
    // gone) and registers nothing.
    void ExpectFailure(const std::wstring& package, const wchar_t* message) {
        Install(package);
        EXPECT_EQ(1, events_.finished);
        EXPECT_FALSE(events_.success);
        EXPECT_EQ(message, events_.message);
        EXPECT_TRUE(ListDir(root_).empty());
        EXPECT_EQ(std::vector<std::wstring>{L"Orbelin"}, ListDir(parent_ + L"\\用户 程序"));
        EXPECT_FALSE(Exists(services_->downloadFile));
        EXPECT_FALSE(Exists(DesktopShortcutPath()));
        EXPECT_FALSE(ReadUninstallValue(L"DisplayName").present);
        EXPECT_TRUE(services_->savedToken.empty());
    }

    std::wstring parent_;
    std::wstring root_;
    std::wstring version_;
    std::unique_ptr<LocalPackageServices> services_;
    RecordingEvents events_;
};

TEST_F(InstallFromPackageTest, SignedPackageInstallsAndRegisters) {
    Install(L"good");
    EXPECT_EQ(1, events_.finished);
    EXPECT_TRUE(events_.success) << events_.message;
    EXPECT_EQ(L"", events_.message);
    EXPECT_EQ(L"1.0.0.49", version_);
    ASSERT_FALSE(events_.percents.empty());
    EXPECT_EQ(100, events_.percents.back());
    EXPECT_EQ(97, events_.percents[events_.percents.size() - 2]);

    for (const std::wstring& name : ManifestFiles(TestVerifyConfig()))
        EXPECT_TRUE(Exists(InstallDir() + L"\\" + name)) << name;
    EXPECT_EQ(std::vector<std::wstring>{L"1.0.0.49"}, ListDir(root_));
    EXPECT_FALSE(Exists(services_->downloadFile));
    EXPECT_EQ("device-token", services_->savedToken);
    EXPECT_TRUE(Exists(DesktopShortcutPath()));
    EXPECT_TRUE(ReadUninstallValue(L"DisplayName").present);
}

TEST_F(InstallFromPackageTest, ForeignSignature) {
    ExpectFailure(L"foreign-signature", kMsgVerifyFailed);
}
TEST_F(InstallFromPackageTest, UnsignedFilterLibrary) {
    ExpectFailure(L"unsigned-filter", kMsgVerifyFailed);
}
TEST_F(InstallFromPackageTest, TamperedFilterLibrary) {
    ExpectFailure(L"tampered-filter", kMsgVerifyFailed);
}
TEST_F(InstallFromPackageTest, MissingFilterLibrary) {
    ExpectFailure(L"missing-filter", kMsgVerifyFailed);
}
TEST_F(InstallFromPackageTest, WrongFileVersion) {
    ExpectFailure(L"wrong-file-version", kMsgVerifyFailed);
}
TEST_F(InstallFromPackageTest, MissingUninstaller) {
    ExpectFailure(L"missing-uninstaller", kMsgMissingUninstaller);
}
TEST_F(InstallFromPackageTest, MissingBothExecutables) {
    ExpectFailure(L"missing-both", kMsgMissingMainExe);
}
TEST_F(InstallFromPackageTest, TopLevelFolder) {
    ExpectFailure(L"top-level-folder", kMsgMissingMainExe);
}
TEST_F(InstallFromPackageTest, UnsafeEntryName) {
    ExpectFailure(L"unsafe-parent", kMsgExtractFailed);
}
TEST_F(InstallFromPackageTest, EncryptedEntry) {
    ExpectFailure(L"encrypted-entry", kMsgExtractFailed);
}
TEST_F(InstallFromPackageTest, CrcCorruptEntry) {
    ExpectFailure(L"crc-corrupt-entry", kMsgExtractFailed);
}
TEST_F(InstallFromPackageTest, ZeroEntries) {
    ExpectFailure(L"zero-entries", kMsgExtractFailed);
}

}  // namespace

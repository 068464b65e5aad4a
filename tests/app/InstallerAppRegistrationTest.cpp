// The services binding reaches the real engine: shortcut, uninstall entry, extraction and
// verification are the real ones (no window is created here; the finish page's launch of the
// product is driven in InstallerPagesTest).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/EngineInstallServices.h"
#include "engine/SystemRegistration.h"
#include "support/ReadBack.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using namespace TestSupport;

namespace {

class InstallerAppRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir(L"app-register");
        ASSERT_FALSE(root_.empty());
        installDir_ = root_ + L"\\2.0.1.7";
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, Engine::kUninstallKey);
        DeleteFileW(Engine::DesktopShortcutPath().c_str());
        RemoveTree(root_);
    }

    std::wstring root_;
    std::wstring installDir_;
};

TEST_F(InstallerAppRegistrationTest, ShortcutAndUninstallEntryNameTheVersionDirectory) {
    ASSERT_TRUE(CreateDirectoryW(installDir_.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\Orbelin.exe", "MZ"));
    SetupUi::EngineInstallServices services;
    services.CreateDesktopShortcut(installDir_);
    services.WriteUninstallEntry(root_, L"2.0.1.7");
    EXPECT_EQ(installDir_ + L"\\Orbelin.exe", ReadShortcut(Engine::DesktopShortcutPath()).target);
    EXPECT_EQ(std::wstring(L"2.0.1.7") + L'\0', ReadUninstallValue(L"DisplayVersion").Text());
    EXPECT_EQ(root_ + L'\0', ReadUninstallValue(L"InstallLocation").Text());
    EXPECT_EQ(L"\"" + installDir_ + L"\\Uninstall.exe\"" + L'\0', ReadUninstallValue(L"UninstallString").Text());
}

TEST_F(InstallerAppRegistrationTest, ServicesUseTheRealExtractionAndVerification) {
    SetupUi::EngineInstallServices services;
    std::vector<int> progress;
    EXPECT_TRUE(services.ExtractPackage(PackagePath(L"good"), installDir_, [&](int p) { progress.push_back(p); }));
    EXPECT_TRUE(Exists(installDir_ + L"\\Uninstall.exe"));
    EXPECT_EQ(95, progress.back());
    EXPECT_FALSE(services.ExtractPackage(PackagePath(L"zero-entries"), installDir_, nullptr));
    // This build pins the publisher named in its build settings, not the tests' generated one.
    ASSERT_TRUE(TrustTestRootCertificate());
    EXPECT_FALSE(services.VerifyPackage(installDir_, L"1.0.0.49"));
}

}  // namespace

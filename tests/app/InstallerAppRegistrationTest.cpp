// The application object's registration steps and its services binding reach the real engine:
// shortcut, uninstall entry and launch use `installRoot` and `productVersion`, and extraction is
// the real one (no window is created here).
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/EngineInstallServices.h"
#include "app/InstallerApp.h"
#include "base/ScopedWin.h"
#include "engine/SystemRegistration.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using SetupUi::InstallerApp;
using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

std::wstring ShortcutTarget() {
    base::ComScope com;
    base::ComPtr<IShellLinkW> link;
    base::ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) &&
        SUCCEEDED(file->Load(Engine::DesktopShortcutPath().c_str(), STGM_READ)))
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    return target;
}

std::wstring UninstallString(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, Engine::kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

class InstallerAppRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir(L"app-register");
        ASSERT_FALSE(root_.empty());
        app_.installRoot = root_;
        app_.productVersion = L"2.0.1.7";
        installDir_ = root_ + L"\\2.0.1.7";
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, Engine::kUninstallKey);
        DeleteFileW(Engine::DesktopShortcutPath().c_str());
        RemoveTree(root_);
    }

    InstallerApp app_{GetModuleHandleW(nullptr)};
    std::wstring root_;
    std::wstring installDir_;
};

TEST_F(InstallerAppRegistrationTest, ShortcutAndUninstallEntryNameTheVersionDirectory) {
    ASSERT_TRUE(CreateDirectoryW(installDir_.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(installDir_ + L"\\Orbelin.exe", "MZ"));
    app_.CreateDesktopShortcut();
    app_.WriteUninstallEntry();
    EXPECT_EQ(installDir_ + L"\\Orbelin.exe", ShortcutTarget());
    EXPECT_EQ(L"2.0.1.7", UninstallString(L"DisplayVersion"));
    EXPECT_EQ(root_, UninstallString(L"InstallLocation"));
    EXPECT_EQ(L"\"" + installDir_ + L"\\Uninstall.exe\"", UninstallString(L"UninstallString"));
}

TEST_F(InstallerAppRegistrationTest, LaunchStartsTheInstalledProduct) {
    ASSERT_TRUE(CreateDirectoryW(installDir_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(TestPackageFile(L"bin\\Orbelin.exe-1.0.0.49-1.0.0.49.signed").c_str(),
                          (installDir_ + L"\\Orbelin.exe").c_str(), FALSE));
    app_.LaunchProduct();
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!Exists(installDir_ + L"\\Orbelin.exe.ran") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(Exists(installDir_ + L"\\Orbelin.exe.ran"));
}

TEST_F(InstallerAppRegistrationTest, ServicesUseTheRealExtractionAndVerification) {
    SetupUi::EngineInstallServices services(app_);
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

#include "engine/SystemRegistration.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/ScopedWin.h"
#include "support/ReadBack.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using namespace Engine;
using namespace TestSupport;
using namespace std::chrono_literals;

// Everything here goes to the real places of the throwaway Wine prefix: the user's desktop folder,
// HKEY_CURRENT_USER and the shell.

namespace {

constexpr wchar_t kDisplayName[] = L"欧贝林视频格式转换器";

// A REG_SZ holding `text` and its terminating NUL, byte for byte.
void ExpectString(const wchar_t* name, const std::wstring& text) {
    const RegValue value = ReadUninstallValue(name);
    ASSERT_TRUE(value.present) << name;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << name;
    EXPECT_EQ((text.size() + 1) * sizeof(wchar_t), value.bytes.size()) << name;
    EXPECT_EQ(text + L'\0', value.Text()) << name;
}

void ExpectDword(const wchar_t* name, DWORD expected) {
    const RegValue value = ReadUninstallValue(name);
    ASSERT_TRUE(value.present) << name;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name;
    EXPECT_EQ(4u, value.bytes.size()) << name;
    EXPECT_EQ(expected, value.Dword()) << name;
}

// The shortcut files on the desktop.
std::vector<std::wstring> DesktopShortcuts() {
    const std::wstring path = DesktopShortcutPath();
    std::vector<std::wstring> links;
    for (const std::wstring& name : ListDir(path.substr(0, path.find_last_of(L'\\')))) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, L".lnk") == 0)
            links.push_back(name);
    }
    return links;
}

class SystemRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir(L"register");
        ASSERT_FALSE(root_.empty());
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
        RemoveTree(root_);
    }

    // An installation directory holding `bytes` bytes in one file.
    std::wstring MakeInstallDir(const std::wstring& root, const std::wstring& version, size_t bytes) {
        EXPECT_TRUE(SHCreateDirectoryExW(nullptr, (root + L"\\" + version).c_str(), nullptr) == ERROR_SUCCESS);
        EXPECT_TRUE(WriteFileBytes(root + L"\\" + version + L"\\Orbelin.exe", std::string(bytes, 'x')));
        return root + L"\\" + version;
    }

    std::wstring root_;
};

// ---------------------------------------------------------------------------------------------
// Shortcut
// ---------------------------------------------------------------------------------------------

TEST_F(SystemRegistrationTest, ShortcutPathIsTheDisplayNameOnTheDesktop) {
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)));
    EXPECT_EQ(std::wstring(desktop) + L"\\" + kDisplayName + L".lnk", DesktopShortcutPath());
}

TEST_F(SystemRegistrationTest, ShortcutTargetsTheMainExecutable) {
    const std::wstring installDir = MakeInstallDir(root_ + L"\\Apps", L"2.0.1.7", 10);
    CreateDesktopShortcut(installDir);

    const ShortcutInfo link = ReadShortcut(DesktopShortcutPath());
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(installDir + L"\\Orbelin.exe", link.target);
    EXPECT_EQ(installDir + L"\\Orbelin.exe", link.idListTarget);
    EXPECT_EQ(installDir, link.workingDir);
    EXPECT_EQ(kDisplayName, link.description);
    EXPECT_EQ(installDir + L"\\Orbelin.exe", link.iconPath);
    EXPECT_EQ(0, link.iconIndex);
}

TEST_F(SystemRegistrationTest, ShortcutUnderANonAsciiRoot) {
    const std::wstring installDir = MakeInstallDir(root_ + L"\\张三的程序", L"1.0.0.49", 10);
    CreateDesktopShortcut(installDir);
    const ShortcutInfo link = ReadShortcut(DesktopShortcutPath());
    ASSERT_TRUE(link.loaded);
    // The link's item ID list keeps the target in full. (Wine's reader rebuilds GetPath from the
    // link's ANSI copy of the path, which turns the Chinese characters into "?"; Windows does not.)
    EXPECT_EQ(installDir + L"\\Orbelin.exe", link.idListTarget);
    EXPECT_EQ(installDir, link.workingDir);
    EXPECT_EQ(installDir + L"\\Orbelin.exe", link.iconPath);
}

TEST_F(SystemRegistrationTest, ShortcutWorksOnAThreadWhereComAlreadyRuns) {
    const std::wstring installDir = MakeInstallDir(root_, L"1.0.0.49", 10);
    base::ComScope com;  // the worker may have COM running already; the call must balance its own
    ASSERT_TRUE(com.Succeeded());
    CreateDesktopShortcut(installDir);
    EXPECT_TRUE(ReadShortcut(DesktopShortcutPath()).loaded);
    // COM is still usable here afterwards.
    base::ComPtr<IShellLinkW> link;
    EXPECT_TRUE(
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())));
}

// ---------------------------------------------------------------------------------------------
// Uninstall entry
// ---------------------------------------------------------------------------------------------

TEST_F(SystemRegistrationTest, UninstallEntryValuesTypesAndLengths) {
    const std::wstring installRoot = root_ + L"\\Program Files Test";
    const std::wstring installDir = MakeInstallDir(installRoot, L"2.0.1.7", 1024);
    ASSERT_TRUE(CreateDirectoryW((installDir + L"\\data").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\data\\half.bin", std::string(512, 'y')));  // 1536 bytes in all

    WriteUninstallEntry(installRoot, L"2.0.1.7");

    ExpectString(L"DisplayName", kDisplayName);
    ExpectString(L"Publisher", L"Tarvelle Software Co., Ltd.");
    ExpectString(L"DisplayVersion", L"2.0.1.7");
    ExpectString(L"InstallLocation", installRoot);
    ExpectString(L"DisplayIcon", L"\"" + installDir + L"\\Orbelin.exe\"");
    ExpectString(L"UninstallString", L"\"" + installDir + L"\\Uninstall.exe\"");
    ExpectDword(L"EstimatedSize", 1);
    ExpectDword(L"NoModify", 1);
    ExpectDword(L"NoRepair", 1);

    base::UniqueRegKey machine;  // per user only
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, machine.Put()));
}

TEST_F(SystemRegistrationTest, EstimatedSizeTruncatesToWholeKibibytes) {
    MakeInstallDir(root_, L"1.0.0.49", 1023);
    WriteUninstallEntry(root_, L"1.0.0.49");
    ExpectDword(L"EstimatedSize", 0);
}

TEST_F(SystemRegistrationTest, RootWithTrailingSeparator) {
    MakeInstallDir(root_, L"1.0.0.49", 10);
    WriteUninstallEntry(root_ + L"\\", L"1.0.0.49");
    ExpectString(L"InstallLocation", root_ + L"\\");
    ExpectString(L"UninstallString", L"\"" + root_ + L"\\1.0.0.49\\Uninstall.exe\"");
}

TEST_F(SystemRegistrationTest, SecondInstallationOfAnotherVersionOverwritesBoth) {
    const std::wstring first = MakeInstallDir(root_, L"1.0.0.49", 4096);
    CreateDesktopShortcut(first);
    WriteUninstallEntry(root_, L"1.0.0.49");
    const std::wstring second = MakeInstallDir(root_, L"2.0.1.7", 2048);
    CreateDesktopShortcut(second);
    WriteUninstallEntry(root_, L"2.0.1.7");

    EXPECT_EQ(std::vector<std::wstring>{std::wstring(kDisplayName) + L".lnk"}, DesktopShortcuts());
    const ShortcutInfo link = ReadShortcut(DesktopShortcutPath());
    EXPECT_EQ(second + L"\\Orbelin.exe", link.target);
    EXPECT_EQ(second, link.workingDir);
    ExpectString(L"DisplayVersion", L"2.0.1.7");
    ExpectString(L"InstallLocation", root_);
    ExpectString(L"DisplayIcon", L"\"" + second + L"\\Orbelin.exe\"");
    ExpectString(L"UninstallString", L"\"" + second + L"\\Uninstall.exe\"");
    ExpectDword(L"EstimatedSize", 2);
}

// ---------------------------------------------------------------------------------------------
// Directory size
// ---------------------------------------------------------------------------------------------

TEST_F(SystemRegistrationTest, DirectorySizeCountsNestedFilesOnly) {
    ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, (root_ + L"\\a\\b\\c").c_str(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, (root_ + L"\\empty\\deeper").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\top.bin", std::string(1000, 'a')));
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\a\\mid.bin", std::string(300, 'b')));
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\a\\b\\c\\deep.bin", std::string(236, 'c')));
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\a\\b\\zero.bin", ""));
    EXPECT_EQ(1536u, GetDirectorySize(root_));
    EXPECT_EQ(536u, GetDirectorySize(root_ + L"\\a"));
    EXPECT_EQ(536u, GetDirectorySize(root_ + L"\\a\\"));
    EXPECT_EQ(0u, GetDirectorySize(root_ + L"\\empty"));
    EXPECT_EQ(0u, GetDirectorySize(root_ + L"\\absent"));
}

// A link back to the folder itself would count forever if it were followed.
TEST_F(SystemRegistrationTest, DirectorySizeDoesNotFollowLinks) {
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\top.bin", std::string(1000, 'a')));
    if (!CreateSymbolicLinkW((root_ + L"\\loop").c_str(), root_.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "this Wine cannot create directory links (error " << GetLastError() << ")";
    ASSERT_NE(0u, GetFileAttributesW((root_ + L"\\loop").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(1000u, GetDirectorySize(root_));
}

// ---------------------------------------------------------------------------------------------
// Launch
// ---------------------------------------------------------------------------------------------

TEST_F(SystemRegistrationTest, LaunchStartsTheMainExecutableInTheInstallDirectory) {
    // The test program leaves "<its path>.ran" holding the directory it was started in.
    const std::wstring installDir = root_ + L"\\欧贝林 安装\\1.0.0.49";
    ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, installDir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(TestPackageFile(L"bin\\Orbelin.exe-1.0.0.49-1.0.0.49.signed").c_str(),
                          (installDir + L"\\Orbelin.exe").c_str(), FALSE));

    LaunchProduct(nullptr, installDir);

    const std::wstring marker = installDir + L"\\Orbelin.exe.ran";
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!Exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(Exists(marker));
    std::string ran;
    for (int i = 0; i < 100 && ran.empty(); ++i, std::this_thread::sleep_for(20ms))
        ran = ReadFileBytes(marker);
    const std::wstring startedIn(reinterpret_cast<const wchar_t*>(ran.data()), ran.size() / sizeof(wchar_t));
    EXPECT_EQ(installDir, startedIn);
}

}  // namespace

// A complete installation without the UI and without the network: the real pipeline with the
// real extraction, verification and registration, fed a real signed package from disk in place of
// the device report and the download.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/ScopedWin.h"
#include "engine/ExtractPackage.h"
#include "engine/InstallConstants.h"
#include "engine/InstallPipeline.h"
#include "engine/InstallRules.h"
#include "engine/SystemRegistration.h"
#include "engine/VerifyPackage.h"
#include "support/DriveSnapshot.h"
#include "support/ReadBack.h"
#include "support/RecordingEvents.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using namespace Engine;
using namespace TestSupport;

namespace {

class LocalPackageServices : public IInstallServices {
public:
    explicit LocalPackageServices(std::wstring package) : package_(std::move(package)) {}

    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck&) override {
        result.version = L"1.0.0.49";
        result.token = "device-token";
        return true;
    }
    bool DownloadPackage(const DownloadJob& job, std::wstring& message) override {
        const auto& file = job.file;
        const auto& progress = job.progress;
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

    // A run of its own each time: fresh services and a fresh record of the events.
    void Install(const std::wstring& package) {
        services_ = std::make_unique<LocalPackageServices>(PackagePath(package));
        events_ = RecordingEvents();
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

// The product keeps its own files open while it runs; the new version then cannot take the old
// one's place, and the user is asked to close the product rather than told of an extraction fault.
TEST_F(InstallFromPackageTest, RunningProductIsNamedAndKeepsItsInstallation) {
    Install(L"good");
    ASSERT_TRUE(events_.success) << events_.message;
    const std::map<std::wstring, std::string> installed = ReadTree(InstallDir());
    {
        base::UniqueFile held{CreateFileW((InstallDir() + L"\\Orbelin.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
        ASSERT_TRUE(held);
        Install(L"good");
    }
    EXPECT_EQ(1, events_.finished);
    EXPECT_FALSE(events_.success);
    // Wine's Restart Manager names no process, so the message goes without names.
    EXPECT_EQ(L"欧贝林视频格式转换器正在运行，请关闭后重试。", events_.message);
    EXPECT_EQ(std::vector<std::wstring>{L"1.0.0.49"}, ListDir(root_));
    EXPECT_TRUE(installed == ReadTree(InstallDir())) << "the previous installation changed";
}

struct PackageCase {
    const wchar_t* package;
    const wchar_t* message;  // null: the package installs
};

void PrintTo(const PackageCase& c, std::ostream* out) {
    *out << TestCaseName(c.package);
}

std::string ParamName(const ::testing::TestParamInfo<PackageCase>& info) {
    return TestCaseName(info.param.package);
}

class FailingPackageTest : public InstallFromPackageTest, public ::testing::WithParamInterface<PackageCase> {};

TEST_P(FailingPackageTest, EndsWithItsMessageAndLeavesNothing) {
    ExpectFailure(GetParam().package, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Packages,
                         FailingPackageTest,
                         ::testing::Values(PackageCase{L"foreign-signature", kMsgVerifyFailed},
                                           PackageCase{L"unsigned-filter", kMsgVerifyFailed},
                                           PackageCase{L"tampered-filter", kMsgVerifyFailed},
                                           PackageCase{L"missing-filter", kMsgVerifyFailed},
                                           PackageCase{L"wrong-file-version", kMsgVerifyFailed},
                                           PackageCase{L"missing-uninstaller", kMsgMissingUninstaller},
                                           PackageCase{L"missing-both", kMsgMissingMainExe},
                                           PackageCase{L"top-level-folder", kMsgMissingMainExe},
                                           PackageCase{L"zero-entries", kMsgExtractFailed}),
                         ParamName);

// ---------------------------------------------------------------------------------------------
// The hostile corpus (make_testpkg.py: hostile_packages), each the good package plus hostile
// entries, met by a working installation of the good package. The prefix's whole C: drive is
// listed before and after the hostile run, with its root as the current directory so that names
// resolved against the current directory or drive land on that drive. (Not the test's own folder:
// a Wine service that starts during the run takes the current directory along and keeps that
// folder from being removed.)
// ---------------------------------------------------------------------------------------------

class HostilePackageTest : public InstallFromPackageTest, public ::testing::WithParamInterface<PackageCase> {};

TEST_P(HostilePackageTest, LeavesThePreviousInstallationAsItWas) {
    ScopedCurrentDirectory current(DriveRootOf(parent_));
    ASSERT_TRUE(current.Entered());
    Install(L"good");
    ASSERT_TRUE(events_.success) << events_.message;
    const std::map<std::wstring, std::string> installed = ReadTree(InstallDir());
    const std::string shortcut = ReadFileBytes(DesktopShortcutPath());
    const std::map<std::wstring, RegValue> entry = ReadUninstallEntry();
    ASSERT_FALSE(shortcut.empty());
    ASSERT_FALSE(entry.empty());
    const std::wstring drive = DriveRootOf(parent_);
    const DriveSnapshot before = TakeSnapshot(drive);

    Install(GetParam().package);
    const std::vector<std::wstring> changed = ChangedPaths(before, TakeSnapshot(drive));

    EXPECT_EQ(1, events_.finished);
    EXPECT_FALSE(Exists(services_->downloadFile));
    EXPECT_EQ(std::vector<std::wstring>{L"1.0.0.49"}, ListDir(root_));  // no "~new" or "~old" beside it
    if (GetParam().message) {
        EXPECT_FALSE(events_.success);
        EXPECT_EQ(GetParam().message, events_.message);
        EXPECT_EQ(std::vector<std::wstring>{}, changed);
        EXPECT_TRUE(installed == ReadTree(InstallDir())) << "the previous installation changed";
        EXPECT_EQ(shortcut, ReadFileBytes(DesktopShortcutPath()));
        EXPECT_TRUE(entry == ReadUninstallEntry()) << "the uninstall entry changed";
        return;
    }
    // A package that passes replaces the installation; the shortcut is written again.
    EXPECT_TRUE(events_.success) << events_.message;
    for (const std::wstring& path : changed)
        EXPECT_TRUE(IsWithin(path, InstallDir()) || IsWithin(path, DesktopShortcutPath())) << "changed: " << path;
}

INSTANTIATE_TEST_SUITE_P(
    Corpus,
    HostilePackageTest,
    ::testing::Values(
        // Names that leave the target, that the file system rewrites, and devices (UNSAFE_NAMES).
        PackageCase{L"unsafe-parent", kMsgExtractFailed},
        PackageCase{L"unsafe-dotdot", kMsgExtractFailed},
        PackageCase{L"unsafe-dotdot-backslash", kMsgExtractFailed},
        PackageCase{L"unsafe-climb", kMsgExtractFailed},
        PackageCase{L"unsafe-mixed-climb", kMsgExtractFailed},
        PackageCase{L"unsafe-slash-root", kMsgExtractFailed},
        PackageCase{L"unsafe-backslash-root", kMsgExtractFailed},
        PackageCase{L"unsafe-drive-relative", kMsgExtractFailed},
        PackageCase{L"unsafe-drive-absolute", kMsgExtractFailed},
        PackageCase{L"unsafe-unc", kMsgExtractFailed},
        PackageCase{L"unsafe-win32-namespace", kMsgExtractFailed},
        PackageCase{L"unsafe-device-namespace", kMsgExtractFailed},
        PackageCase{L"unsafe-stream", kMsgExtractFailed},
        PackageCase{L"unsafe-dotdot-space", kMsgExtractFailed},
        PackageCase{L"unsafe-three-dots", kMsgExtractFailed},
        PackageCase{L"unsafe-trailing-dot-space", kMsgExtractFailed},
        PackageCase{L"unsafe-trailing-dot", kMsgExtractFailed},
        PackageCase{L"unsafe-control-character", kMsgExtractFailed},
        PackageCase{L"unsafe-reserved-characters", kMsgExtractFailed},
        PackageCase{L"unsafe-nul", kMsgExtractFailed},
        PackageCase{L"unsafe-con-extension", kMsgExtractFailed},
        PackageCase{L"unsafe-com1", kMsgExtractFailed},
        PackageCase{L"unsafe-lpt9-extension", kMsgExtractFailed},
        PackageCase{L"unsafe-aux-in-folder", kMsgExtractFailed},
        PackageCase{L"unsafe-com1-in-folder", kMsgExtractFailed},
        // Sizes and structure.
        PackageCase{L"huge-declared-size", kMsgExtractFailed},
        PackageCase{L"wrapping-declared-sizes", kMsgExtractFailed},
        PackageCase{L"understated-size", kMsgExtractFailed},
        PackageCase{L"truncated-central-directory", kMsgExtractFailed},
        PackageCase{L"long-component", kMsgExtractFailed},
        PackageCase{L"deep-path", kMsgExtractFailed},
        PackageCase{L"dir-then-file", kMsgExtractFailed},
        PackageCase{L"encrypted-entry", kMsgExtractFailed},
        PackageCase{L"crc-corrupt-entry", kMsgExtractFailed},
        // Images the verification must find: "version.dll" unsigned; "plugins\codec.bin" signed
        // by another publisher; an unsigned image as "sub\Uninstall.exe".
        PackageCase{L"planted-unsigned-dll", kMsgVerifyFailed},
        PackageCase{L"planted-foreign-codec", kMsgVerifyFailed},
        PackageCase{L"nested-manifest-name", kMsgVerifyFailed},
        // A second "Orbelin.exe" (or "ORBELIN.EXE") signed by another publisher after the genuine one.
        PackageCase{L"duplicate-main-foreign-later", kMsgVerifyFailed},
        PackageCase{L"duplicate-main-case-foreign-later", kMsgVerifyFailed},
        // Install: the genuine "Orbelin.exe" after a foreign one; a text file named "notes.dll".
        PackageCase{L"duplicate-main-genuine-later", nullptr},
        PackageCase{L"harmless-dll-name", nullptr}),
    ParamName);

// A drive without room (ORB_TEST_SMALL_DRIVE, as in the extraction tests): the zip bomb in a
// package is refused there before anything is unpacked, while the good package installs.
TEST_F(InstallFromPackageTest, ZipBombOnASmallDriveIsRefusedBeforeAnythingIsUnpacked) {
    const std::wstring drive = SmallTestDrive();
    if (drive.empty())
        GTEST_SKIP() << "ORB_TEST_SMALL_DRIVE names no small drive (such as S:)";
    RemoveTree(parent_);
    parent_ = drive + L"\\orbtest-install-" + std::to_wstring(GetCurrentProcessId());  // TearDown removes it
    root_ = parent_ + L"\\Orbelin";
    ASSERT_TRUE(CreateDirectoryW(parent_.c_str(), nullptr)) << "cannot write to the small drive";
    ULARGE_INTEGER available = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(parent_.c_str(), &available, nullptr, nullptr));
    ASSERT_LT(available.QuadPart, kZipBombBytes) << "the small drive has room for the zip bomb";
    const DriveSnapshot before = TakeSnapshot(drive);

    Install(L"zip-bomb");
    EXPECT_FALSE(events_.success);
    EXPECT_EQ(kMsgExtractFailed, events_.message);
    EXPECT_EQ(std::vector<std::wstring>{root_}, ChangedPaths(before, TakeSnapshot(drive)));  // the empty root

    Install(L"good");
    EXPECT_TRUE(events_.success) << events_.message;
}

}  // namespace

// Faults in every phase of a real installation: disks that fill up or refuse writes, a registry key
// that refuses, the window closing during each step, and a process killed while it saves the token.
// Every run must end with exactly one InstallFinished, never claim a success it did not have, and
// leave a previous installation as it was.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "engine/DeviceIdentity.h"
#include "engine/DownloadPackage.h"
#include "engine/DownloadRules.h"
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
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;

namespace {

// The real services, with the report answered locally and a hook called as each step begins.
class FaultServices : public IInstallServices {
public:
    explicit FaultServices(std::function<void(const std::string&)> onStep) : onStep_(std::move(onStep)) {}

    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) override {
        onStep_("report");
        if (abort())
            return false;
        result.version = L"1.0.0.49";
        return true;
    }
    bool DownloadPackage(const DownloadJob& job, std::wstring& message) override {
        const auto& file = job.file;
        onStep_("download");
        downloadFile = file;
        return Engine::DownloadPackage(job, message);
    }
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const ProgressCallback& progress) override {
        onStep_("extract");
        return Engine::ExtractPackage(zipFile, targetDir, progress);
    }
    bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) override {
        onStep_("verify");
        return Engine::VerifyPackage(installDir, expectedVersion, TestVerifyConfig());
    }
    void SaveToken(const std::wstring&, const std::string&) override { onStep_("token"); }
    void CreateDesktopShortcut(const std::wstring& installDir) override {
        onStep_("shortcut");
        Engine::CreateDesktopShortcut(installDir);
    }
    void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) override {
        onStep_("uninstall");
        Engine::WriteUninstallEntry(installRoot, productVersion);
    }

    std::wstring downloadFile;

private:
    std::function<void(const std::string&)> onStep_;
};

// A drive the test script mapped ("S:" or "R:"), or empty.
std::wstring MappedDrive(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? std::wstring(value, value + std::strlen(value)) : std::wstring();
}

// Gives the uninstall key (if present) a DACL: `deny` takes value writes and new sub-keys away from
// everyone, null gives everything back.
bool SetUninstallKeyAccess(bool deny) {
    base::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, WRITE_DAC, key.Put()) != ERROR_SUCCESS)
        return !deny;
    EXPLICIT_ACCESSW rule = {};
    BuildExplicitAccessWithNameW(&rule, const_cast<wchar_t*>(L"EVERYONE"), KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                                 DENY_ACCESS, NO_INHERITANCE);
    PACL acl = nullptr;
    if (deny && SetEntriesInAclW(1, &rule, nullptr, &acl) != ERROR_SUCCESS)
        return false;
    const DWORD result =
        SetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, acl, nullptr);
    LocalFree(acl);
    return result == ERROR_SUCCESS;
}

std::vector<std::pair<std::string, std::string>> ManySmallFiles(int count) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < count; ++i)
        entries.emplace_back("data/f" + std::to_string(i) + ".bin", "x");
    return entries;
}

class InstallFaultsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestRootCertificate()); }
    void SetUp() override {
        ASSERT_TRUE(server_.Running());
        id_ = TestServer::NewId("faults");
        temp_ = MakeTempDir(L"faults");
        ASSERT_FALSE(temp_.empty());
        Unregister();
    }
    void TearDown() override {
        Unregister();
        RemoveTree(temp_);
    }
    static void Unregister() {
        SetUninstallKeyAccess(false);
        RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
        DeleteFileW(DesktopShortcutPath().c_str());
    }

    // One run of `package` (served by the test server) into `root`.
    RecordingEvents Install(
        const std::wstring& root,
        const std::string& package,
        std::function<void(const std::string&)> onStep = [](const std::string&) {}) {
        RecordingEvents events;
        FaultServices services(std::move(onStep));
        std::wstring version;
        abort_ = false;
        const std::wstring url = server_.WideUrl(id_, "file/" + package);
        RunInstallPipeline({root, url}, version, services, events, [this] { return abort_.load(); });
        lastDownload_ = services.downloadFile;
        return events;
    }

    const TestServer& server_ = TestServer::Get();
    std::string id_;
    std::wstring temp_;
    std::wstring lastDownload_;
    std::atomic<bool> abort_{false};
};

TEST_F(InstallFaultsTest, ClosingTheWindowDuringEachStep) {
    struct Case {
        const char* step;
        bool succeeds;  // the transfers stop; what follows the download runs to its end
    };
    const Case cases[] = {{"report", false}, {"download", false}, {"extract", true},
                          {"verify", true},  {"shortcut", true},  {"uninstall", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const std::wstring root = temp_ + L"\\" + std::wstring(c.step, c.step + std::strlen(c.step));
        const RecordingEvents events = Install(root, "good.zip", [&](const std::string& step) {
            if (step == c.step)
                abort_ = true;
        });
        EXPECT_EQ(events.finished, 1);
        EXPECT_EQ(events.success, c.succeeds);
        EXPECT_FALSE(Exists(lastDownload_));
        if (c.succeeds) {
            EXPECT_TRUE(Engine::VerifyPackage(root + L"\\1.0.0.49", L"1.0.0.49", TestVerifyConfig()));
        } else {
            EXPECT_EQ(events.message.rfind(L"下载失败：", 0), 0u);
            EXPECT_TRUE(ListDir(root).empty());
        }
    }
}

// A package whose length is known and does not fit is refused before its first byte, naming the
// folder; one that announces no length fills the disk and fails on the write that does not fit.
TEST_F(InstallFaultsTest, DiskFullWhileDownloading) {
    const std::wstring drive = MappedDrive("ORB_TEST_SMALL_DRIVE");
    if (drive.empty())
        GTEST_SKIP() << "no small drive mapped (tools/test.sh maps one where it may mount a tmpfs)";
    const std::pair<const char*, std::wstring> rows[] = {
        {"len/12000000", MsgNoRoom(drive + L"\\", 12000000, 0)},
        {"chunked/12000000", MsgWriteFailed(ERROR_DISK_FULL)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        wchar_t saved[MAX_PATH] = {};
        GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
        SetEnvironmentVariableW(L"TMP", (drive + L"\\").c_str());
        RecordingEvents events;
        {
            FaultServices services([](const std::string&) {});
            std::wstring version;
            RunInstallPipeline({temp_ + L"\\root", server_.WideUrl(id_, row.first)}, version, services, events,
                               [] { return false; });
            lastDownload_ = services.downloadFile;
        }
        SetEnvironmentVariableW(L"TMP", saved);
        EXPECT_EQ(events.finished, 1);
        EXPECT_FALSE(events.success);
        // The free space in the message is whatever the drive has: compare up to it.
        const std::wstring expected = row.second.substr(0, row.second.find(L"只剩"));
        EXPECT_EQ(events.message.substr(0, expected.size()), expected);
        EXPECT_EQ(lastDownload_.rfind(drive, 0), 0u);
        EXPECT_FALSE(Exists(lastDownload_));
        EXPECT_TRUE(ListDir(drive + L"\\").empty());
    }
}

TEST_F(InstallFaultsTest, DiskFullWhileUnpackingKeepsThePreviousInstallation) {
    const std::wstring drive = MappedDrive("ORB_TEST_SMALL_DRIVE");
    if (drive.empty())
        GTEST_SKIP() << "no small drive mapped (tools/test.sh maps one where it may mount a tmpfs)";
    const std::wstring root = drive + L"\\Orbelin";
    ASSERT_TRUE(Install(root, "good.zip").success);
    const auto before = ReadTree(root);
    const std::wstring fills = temp_ + L"\\fills-the-disk.zip";
    // Declared sizes are tiny, so the free-space check lets it through, but each file takes a block
    // of its own and the disk fills half-way.
    ASSERT_TRUE(WriteTestZip(fills, ManySmallFiles(3000)));

    RecordingEvents events;
    {
        // The package is read from disk here: the download itself is not the fault under test.
        struct LocalDownload : FaultServices {
            using FaultServices::FaultServices;
            std::wstring source;
            bool DownloadPackage(const DownloadJob& job, std::wstring& message) override {
                const auto& file = job.file;
                downloadFile = file;
                message = L"copy failed";
                return CopyFileW(source.c_str(), file.c_str(), FALSE) != FALSE;
            }
        } services([](const std::string&) {});
        services.source = fills;
        std::wstring version;
        RunInstallPipeline({root, L"http://127.0.0.1:1/unused.zip"}, version, services, events, [] { return false; });
    }
    EXPECT_EQ(events.finished, 1);
    EXPECT_FALSE(events.success);
    EXPECT_EQ(events.message, kMsgExtractFailed);
    EXPECT_EQ(ReadTree(root), before);
    RemoveTree(root);
}

TEST_F(InstallFaultsTest, ReadOnlyRootFailsCleanly) {
    const std::wstring drive = MappedDrive("ORB_TEST_READONLY_DRIVE");
    if (drive.empty())
        GTEST_SKIP() << "no read-only drive mapped (tools/test.sh maps one where it may mount a tmpfs)";
    const RecordingEvents events = Install(drive + L"\\Orbelin", "good.zip");
    EXPECT_EQ(events.finished, 1);
    EXPECT_FALSE(events.success);
    EXPECT_EQ(events.message, kMsgExtractFailed);
    EXPECT_FALSE(Exists(lastDownload_));
    EXPECT_FALSE(ReadUninstallValue(L"DisplayName").present);
}

// A key the user may not write (a policy, another tool) costs the entry, never the installation.
TEST_F(InstallFaultsTest, UninstallKeyThatCannotBeWritten) {
    base::UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, nullptr, 0, KEY_READ, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(SetUninstallKeyAccess(true));
    base::UniqueRegKey probe;
    ASSERT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_SET_VALUE, probe.Put()), ERROR_SUCCESS)
        << "the key still accepts writes";

    const RecordingEvents events = Install(temp_ + L"\\root", "good.zip");
    EXPECT_TRUE(SetUninstallKeyAccess(false));
    EXPECT_EQ(events.finished, 1);
    EXPECT_TRUE(events.success);
    EXPECT_FALSE(ReadUninstallValue(L"DisplayName").present);
    EXPECT_TRUE(Exists(DesktopShortcutPath()));
}

// token.dat is replaced through a temporary file and a rename, so a process killed anywhere in
// SaveToken leaves the old token or the new one, never a mixture or a truncated file.
TEST_F(InstallFaultsTest, TokenSurvivesTheProcessBeingKilled) {
    const std::wstring path = temp_ + L"\\token.dat";
    const std::string first(kMaxTokenBytes, 'a');
    const std::string second(3000, 'b');
    SaveToken(path, first);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring writer = self;
    writer = writer.substr(0, writer.find_last_of(L'\\')) + L"\\token_writer.exe";

    srand(7);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        std::wstring command = L"\"" + writer + L"\" \"" + path + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(
            CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        base::UniqueHandle processHandle{process.hProcess};
        base::UniqueHandle threadHandle{process.hThread};
        // The writer says when it is saving in a loop; then it dies at a random moment.
        for (int waited = 0; waited < 2000 && ReadFileBytes(path + L".started").empty(); ++waited)
            Sleep(5);
        ASSERT_EQ(ReadFileBytes(path + L".started"), "1");
        Sleep(static_cast<DWORD>(rand() % 15));
        TerminateProcess(processHandle.Get(), 9);
        WaitForSingleObject(processHandle.Get(), 10000);
        DeleteFileW((path + L".started").c_str());
        const std::string left = ReadFileBytes(path);
        EXPECT_TRUE(left == first || left == second) << left.size() << " bytes";
    }
}

}  // namespace

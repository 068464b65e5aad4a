#include "engine/InstallPipeline.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "engine/InstallConstants.h"
#include "engine/PathHelpers.h"
#include "support/TestDirs.h"

using namespace Engine;
using namespace TestSupport;

namespace {

constexpr wchar_t kBuiltInUrl[] = L"http://127.0.0.1:9/Orbelin.zip";

struct Event {
    bool finished;
    int percent;
    bool success;
    std::wstring message;
};

class RecordingSink : public IInstallEventSink {
public:
    void InstallProgress(int percent) override { events.push_back({false, percent, false, L""}); }
    void InstallFinished(bool success, const std::wstring& message) override {
        events.push_back({true, 0, success, message});
    }
    void InstallStatusChanged(const InstallStatus& status) override { stages.push_back(status.stage); }

    std::vector<int> Percents() const {
        std::vector<int> percents;
        for (const auto& e : events)
            if (!e.finished)
                percents.push_back(e.percent);
        return percents;
    }
    int FinishedCount() const {
        int n = 0;
        for (const auto& e : events)
            n += e.finished ? 1 : 0;
        return n;
    }
    const Event& Last() const { return events.back(); }

    std::vector<Event> events;
    std::vector<InstallStage> stages;
};

// Fake services: each step does what the test configures and records what it was given.
class FakeServices : public IInstallServices {
public:
    bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) override {
        calls.push_back(L"report");
        abortSeenByReport = abort();
        result = report;
        return reportOk;
    }
    bool DownloadPackage(const DownloadJob& job, std::wstring& message) override {
        const auto& url = job.url;
        const auto& file = job.file;
        const auto& progress = job.progress;
        const auto& abort = job.abort;
        calls.push_back(L"download");
        downloadUrl = url;
        downloadFile = file;
        tempFileExistedDuringDownload = Exists(file);
        abortSeenByDownload = abort();
        for (int p : downloadProgress)
            progress(p);
        if (!downloadOk)
            message = downloadMessage;
        else
            WriteFileBytes(file, "PK-fake");
        return downloadOk;
    }
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const ProgressCallback& progress) override {
        calls.push_back(L"extract");
        if (extractThrows) {
            EnsureDirectory(targetDir);
            throw std::runtime_error("unexpected");
        }
        extractZip = zipFile;
        extractDir = targetDir;
        zipContentSeen = ReadFileBytes(zipFile);
        for (const auto& name : filesToExtract) {
            const std::wstring path = targetDir + L"\\" + name;
            EnsureDirectory(path.substr(0, path.find_last_of(L'\\')));
            WriteFileBytes(path, "MZ");
        }
        for (int p : extractProgress)
            progress(p);
        return extractOk;
    }
    bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) override {
        calls.push_back(L"verify");
        verifyDir = installDir;
        verifyVersion = expectedVersion;
        return verifyOk;
    }
    void SaveToken(const std::wstring& path, const std::string& token) override {
        calls.push_back(L"token");
        tokenPath = path;
        savedToken = token;
    }
    void CreateDesktopShortcut(const std::wstring& installDir) override {
        calls.push_back(L"shortcut");
        shortcutDir = installDir;
    }
    void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) override {
        calls.push_back(L"uninstall");
        uninstallRoot = installRoot;
        uninstallVersion = productVersion;
    }

    DeviceReportResult report;
    bool reportOk = false;
    bool downloadOk = true;
    std::wstring downloadMessage = L"下载失败：HTTP 404";
    std::vector<int> downloadProgress = {0, 45, 90};
    bool extractOk = true;
    bool extractThrows = false;
    std::vector<std::wstring> filesToExtract = {L"Orbelin.exe", L"Uninstall.exe"};
    std::vector<int> extractProgress = {31, 63, 95, 95};
    bool verifyOk = true;

    std::vector<std::wstring> calls;
    std::wstring downloadUrl, downloadFile, extractZip, extractDir, verifyDir, verifyVersion, tokenPath;
    std::wstring shortcutDir, uninstallRoot, uninstallVersion;
    std::string savedToken, zipContentSeen;
    bool tempFileExistedDuringDownload = false;
    bool abortSeenByReport = false, abortSeenByDownload = false;
};

class InstallPipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir(L"pipeline");
        ASSERT_FALSE(root_.empty());
    }
    void TearDown() override { RemoveTree(root_); }

    void RunPipeline() {
        InstallRunConfig config{root_, kBuiltInUrl};
        RunInstallPipeline(config, version_, services_, sink_, [this] { return abort_.load(); });
    }
    static std::wstring TokenPath() { return GetAppDataDir() + L"\\token.dat"; }

    void ExpectFailure(const std::wstring& message) {
        ASSERT_FALSE(sink_.events.empty());
        EXPECT_EQ(sink_.FinishedCount(), 1);
        EXPECT_TRUE(sink_.Last().finished);
        EXPECT_FALSE(sink_.Last().success);
        EXPECT_EQ(sink_.Last().message, message);
        for (int p : sink_.Percents())
            EXPECT_NE(p, 100);
    }

    std::wstring root_;
    std::wstring version_;
    FakeServices services_;
    RecordingSink sink_;
    std::atomic<bool> abort_{false};
};

}  // namespace

TEST_F(InstallPipelineTest, SuccessfulRunPostsEveryStepInOrder) {
    services_.report.main_url = L"http://127.0.0.1:9/pkg.zip";
    services_.report.version = L"2.0.1.7";
    services_.report.token = "tok-\x01\"raw";
    RunPipeline();

    const std::wstring installDir = root_ + L"\\2.0.1.7";
    EXPECT_EQ(version_, L"2.0.1.7");
    EXPECT_EQ(sink_.Percents(), (std::vector<int>{2, 5, 5, 41, 77, 91, 94, 97, 97, 100}));
    EXPECT_EQ(sink_.stages, (std::vector<InstallStage>{InstallStage::kReporting, InstallStage::kDownloading,
                                                       InstallStage::kExtracting, InstallStage::kVerifying,
                                                       InstallStage::kRegistering}));
    ASSERT_EQ(sink_.FinishedCount(), 1);
    EXPECT_TRUE(sink_.Last().finished);
    EXPECT_TRUE(sink_.Last().success);
    EXPECT_EQ(sink_.Last().message, L"");
    EXPECT_EQ(services_.calls, (std::vector<std::wstring>{L"report", L"download", L"extract", L"verify", L"token",
                                                          L"shortcut", L"uninstall"}));
    EXPECT_EQ(services_.downloadUrl, L"http://127.0.0.1:9/pkg.zip");
    EXPECT_EQ(services_.extractDir, installDir + L"~new");
    EXPECT_EQ(services_.extractZip, services_.downloadFile);
    EXPECT_EQ(services_.zipContentSeen, "PK-fake");
    EXPECT_EQ(services_.verifyDir, installDir + L"~new");
    EXPECT_EQ(ListDir(root_), std::vector<std::wstring>{L"2.0.1.7"});  // staged, then renamed into place
    EXPECT_TRUE(Exists(installDir + L"\\Uninstall.exe"));
    EXPECT_EQ(services_.shortcutDir, installDir);
    EXPECT_EQ(services_.uninstallRoot, root_);
    EXPECT_EQ(services_.uninstallVersion, L"2.0.1.7");
    EXPECT_EQ(services_.verifyVersion, L"2.0.1.7");
    EXPECT_EQ(services_.tokenPath, TokenPath());
    EXPECT_EQ(services_.savedToken, "tok-\x01\"raw");
}

TEST_F(InstallPipelineTest, TemporaryFileIsCreatedForTheDownloadAndRemovedAfterExtraction) {
    RunPipeline();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = services_.downloadFile;
    EXPECT_TRUE(services_.tempFileExistedDuringDownload);
    ASSERT_GT(file.size(), wcslen(temp) + 3);
    EXPECT_EQ(file.substr(0, wcslen(temp)), temp);
    EXPECT_EQ(file.substr(wcslen(temp), 3), L"orb");
    EXPECT_EQ(file.substr(file.size() - 4), L".tmp");
    EXPECT_FALSE(Exists(file));
}

TEST_F(InstallPipelineTest, FailedReportFallsBackToBuiltInUrlAndVersion) {
    services_.reportOk = false;
    RunPipeline();
    EXPECT_EQ(version_, L"1.0.0.49");
    EXPECT_EQ(services_.downloadUrl, kBuiltInUrl);
    EXPECT_EQ(services_.verifyVersion, L"1.0.0.49");
    EXPECT_TRUE(IsDirectory(root_ + L"\\1.0.0.49"));
    EXPECT_TRUE(sink_.Last().success);
}

TEST_F(InstallPipelineTest, UrlAndVersionFallBackIndependently) {
    services_.report.main_url = L"http://127.0.0.1:9/server.zip";
    RunPipeline();
    EXPECT_EQ(services_.downloadUrl, L"http://127.0.0.1:9/server.zip");
    EXPECT_EQ(version_, L"1.0.0.49");

    FakeServices second;
    second.report.version = L"a_b-C.9";
    RecordingSink sink;
    std::wstring version;
    RunInstallPipeline({root_, kBuiltInUrl}, version, second, sink, [] { return false; });
    EXPECT_EQ(second.downloadUrl, kBuiltInUrl);
    EXPECT_EQ(version, L"a_b-C.9");
    EXPECT_EQ(second.extractDir, root_ + L"\\a_b-C.9~new");
}

TEST_F(InstallPipelineTest, RootWithTrailingSeparatorGivesTheSameInstallDir) {
    services_.report.version = L"2.0.1.7";
    InstallRunConfig config{root_ + L"\\", kBuiltInUrl};
    RunInstallPipeline(config, version_, services_, sink_, [] { return false; });
    EXPECT_EQ(services_.shortcutDir, root_ + L"\\2.0.1.7");
}

TEST_F(InstallPipelineTest, InvalidServerVersionStopsBeforeAnythingIsCreated) {
    const std::vector<std::wstring> bad = {std::wstring(33, L'1'), L"1..2", L"..",  L"../x",   L"a\\b", L"1 2", L"版本",
                                           L"1.0.0.49 ",           L".",    L"NUL", L"com1.2", L"2.0."};
    for (const auto& version : bad) {
        FakeServices services;
        services.report.version = version;
        RecordingSink sink;
        std::wstring settled;
        RunInstallPipeline({root_, kBuiltInUrl}, settled, services, sink, [] { return false; });
        EXPECT_EQ(sink.Percents(), std::vector<int>{2});
        ASSERT_EQ(sink.FinishedCount(), 1);
        EXPECT_FALSE(sink.Last().success);
        EXPECT_EQ(sink.Last().message, kMsgInvalidVersion);
        EXPECT_EQ(services.calls, std::vector<std::wstring>{L"report"});
    }
    EXPECT_TRUE(ListDir(root_).empty());  // nothing at all was made under the root
}

TEST_F(InstallPipelineTest, LongestAllowedVersionIsAccepted) {
    services_.report.version = std::wstring(32, L'9');
    RunPipeline();
    EXPECT_TRUE(sink_.Last().success);
    EXPECT_TRUE(IsDirectory(root_ + L"\\" + std::wstring(32, L'9')));
}

TEST_F(InstallPipelineTest, DownloadFailureCarriesItsOwnMessageAndRemovesTheTempFile) {
    services_.downloadOk = false;
    services_.downloadProgress = {0, 10};
    RunPipeline();
    ExpectFailure(L"下载失败：HTTP 404");
    EXPECT_EQ(sink_.Percents(), (std::vector<int>{2, 5, 5, 13}));
    EXPECT_FALSE(Exists(services_.downloadFile));
    EXPECT_TRUE(ListDir(root_).empty());
    EXPECT_EQ(services_.calls, (std::vector<std::wstring>{L"report", L"download"}));
}

TEST_F(InstallPipelineTest, ExtractionFailureRemovesTheTempFile) {
    services_.extractOk = false;
    RunPipeline();
    ExpectFailure(kMsgExtractFailed);
    EXPECT_FALSE(Exists(services_.downloadFile));
    EXPECT_EQ(services_.calls, (std::vector<std::wstring>{L"report", L"download", L"extract"}));
}

TEST_F(InstallPipelineTest, MissingExecutablesAreReportedMainFirst) {
    services_.filesToExtract = {};
    RunPipeline();
    ExpectFailure(kMsgMissingMainExe);

    FakeServices onlyMain;
    onlyMain.filesToExtract = {L"Orbelin.exe"};
    RecordingSink sink;
    std::wstring version;
    RunInstallPipeline({root_ + L"\\other", kBuiltInUrl}, version, onlyMain, sink, [] { return false; });
    EXPECT_EQ(sink.Last().message, kMsgMissingUninstaller);
    EXPECT_EQ(onlyMain.calls, (std::vector<std::wstring>{L"report", L"download", L"extract"}));
}

TEST_F(InstallPipelineTest, DirectoryNamedLikeTheExecutableCountsAsPresent) {
    services_.filesToExtract = {L"Uninstall.exe"};
    services_.filesToExtract = {L"Uninstall.exe", L"Orbelin.exe\\main.bin"};
    RunPipeline();
    EXPECT_TRUE(sink_.Last().success);
}

TEST_F(InstallPipelineTest, FailedVerificationStoresNoTokenAndRegistersNothing) {
    services_.report.token = "secret";
    services_.verifyOk = false;
    RunPipeline();
    ExpectFailure(kMsgVerifyFailed);
    EXPECT_EQ(services_.calls, (std::vector<std::wstring>{L"report", L"download", L"extract", L"verify"}));
    EXPECT_TRUE(ListDir(root_).empty());  // the staged files are gone
}

TEST_F(InstallPipelineTest, EmptyTokenIsNotSaved) {
    RunPipeline();
    EXPECT_TRUE(sink_.Last().success);
    EXPECT_EQ(services_.calls,
              (std::vector<std::wstring>{L"report", L"download", L"extract", L"verify", L"shortcut", L"uninstall"}));
}

TEST_F(InstallPipelineTest, AbortCheckReflectsTheFlag) {
    RunPipeline();
    EXPECT_FALSE(services_.abortSeenByReport);
    EXPECT_FALSE(services_.abortSeenByDownload);

    abort_ = true;
    FakeServices services;
    RecordingSink sink;
    std::wstring version;
    RunInstallPipeline({root_, kBuiltInUrl}, version, services, sink, [this] { return abort_.load(); });
    EXPECT_TRUE(services.abortSeenByReport);
    EXPECT_TRUE(services.abortSeenByDownload);
}

TEST_F(InstallPipelineTest, UncreatableRootSurfacesAsExtractionFailure) {
    // A file where the root should go: EnsureDirectory fails silently.
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\file", "file"));
    services_.extractOk = false;  // what the real extractor reports when it cannot write
    InstallRunConfig config{root_ + L"\\file\\Orbelin", kBuiltInUrl};
    RunInstallPipeline(config, version_, services_, sink_, [] { return false; });
    ExpectFailure(kMsgExtractFailed);
    EXPECT_EQ("file", ReadFileBytes(root_ + L"\\file"));
}

// A run replacing an installation: the new files arrive only when every check passed, and every
// kind of failure leaves the old installation exactly as it was, with nothing staged beside it.
TEST_F(InstallPipelineTest, ExistingInstallationIsReplacedOnlyBySuccess) {
    struct Case {
        const char* name;
        void (*configure)(FakeServices&);
        const wchar_t* message;  // null: success
    };
    const Case cases[] = {
        {"success", [](FakeServices&) {}, nullptr},
        {"download", [](FakeServices& s) { s.downloadOk = false; }, L"下载失败：HTTP 404"},
        {"extract", [](FakeServices& s) { s.extractOk = false; }, kMsgExtractFailed},
        {"missing", [](FakeServices& s) { s.filesToExtract = {L"Orbelin.exe"}; }, kMsgMissingUninstaller},
        {"verify", [](FakeServices& s) { s.verifyOk = false; }, kMsgVerifyFailed},
        {"throws", [](FakeServices& s) { s.extractThrows = true; }, kMsgUnexpectedError},
    };
    const std::wstring installDir = root_ + L"\\1.0.0.49";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(installDir);
        ASSERT_TRUE(EnsureDirectory(installDir + L"\\plugins"));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\Orbelin.exe", "old main"));
        ASSERT_TRUE(WriteFileBytes(installDir + L"\\plugins\\old.dll", "old plugin"));
        FakeServices services;
        services.filesToExtract.push_back(L"plugins\\new.dll");
        c.configure(services);
        RecordingSink sink;
        std::wstring version;
        RunInstallPipeline({root_, kBuiltInUrl}, version, services, sink, [] { return false; });

        ASSERT_EQ(sink.FinishedCount(), 1);
        EXPECT_EQ(sink.Last().success, c.message == nullptr);
        EXPECT_EQ(sink.Last().message, c.message ? c.message : L"");
        EXPECT_EQ(ListDir(root_), std::vector<std::wstring>{L"1.0.0.49"});
        EXPECT_FALSE(Exists(services.downloadFile));
        const bool replaced = c.message == nullptr;
        EXPECT_EQ(ReadFileBytes(installDir + L"\\Orbelin.exe"), replaced ? "MZ" : "old main");
        EXPECT_EQ(Exists(installDir + L"\\plugins\\old.dll"), !replaced);
        EXPECT_EQ(Exists(installDir + L"\\plugins\\new.dll"), replaced);
    }
}

TEST_F(InstallPipelineTest, InstallationThatCannotBeMovedAsideStaysWhole) {
    const std::wstring installDir = root_ + L"\\1.0.0.49";
    ASSERT_TRUE(EnsureDirectory(installDir));
    ASSERT_TRUE(WriteFileBytes(installDir + L"\\Orbelin.exe", "old main"));
    // Something holds the name the old installation would move to, as a running product holds
    // its own folder.
    const std::wstring blocker = installDir + L"~old";
    ASSERT_TRUE(WriteFileBytes(blocker, "in use"));
    HANDLE held = CreateFileW(blocker.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RunPipeline();
    CloseHandle(held);
    ExpectFailure(kMsgExtractFailed);
    EXPECT_EQ(ReadFileBytes(installDir + L"\\Orbelin.exe"), "old main");
    EXPECT_EQ(ListDir(installDir), std::vector<std::wstring>{L"Orbelin.exe"});
    EXPECT_FALSE(Exists(installDir + L"~new"));
    EXPECT_EQ(services_.calls, (std::vector<std::wstring>{L"report", L"download", L"extract", L"verify"}));
}

TEST_F(InstallPipelineTest, LeftoversOfAnInterruptedRunAreCleared) {
    const std::wstring installDir = root_ + L"\\1.0.0.49";
    ASSERT_TRUE(WriteFileBytes(installDir + L"~new", "stale"));
    ASSERT_TRUE(EnsureDirectory(installDir + L"~old\\deep"));
    RunPipeline();
    EXPECT_TRUE(sink_.Last().success) << std::string(sink_.Last().message.begin(), sink_.Last().message.end());
    EXPECT_EQ(ListDir(root_), std::vector<std::wstring>{L"1.0.0.49"});
}

TEST_F(InstallPipelineTest, UnnamableTemporaryFolderEndsTheRun) {
    wchar_t saved[4096] = {};
    GetEnvironmentVariableW(L"TMP", saved, 4096);
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L't');
    SetEnvironmentVariableW(L"TMP", tooLong.c_str());
    RunPipeline();
    SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
    ExpectFailure(kMsgNoTempFile);
    EXPECT_EQ(services_.calls, std::vector<std::wstring>{L"report"});
}

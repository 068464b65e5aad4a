#include "engine/InstallPipeline.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>

#include "engine/FolderHolders.h"
#include "engine/InstallConstants.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"

namespace Engine {

namespace {

// The unique file GetTempFileNameW creates. A temporary folder whose name does not fit the buffer
// is refused: GetTempPathW then reports the length it needs and leaves the buffer empty, and an
// empty folder would put the package in the current directory.
bool CreateTempDownloadFile(std::wstring& path) {
    wchar_t dir[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, dir);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wchar_t file[MAX_PATH] = {};
    if (GetTempFileNameW(dir, kTempFilePrefix, 0, file) == 0)
        return false;
    path = file;
    return true;
}

// Deletes the file or folder it names when the run leaves its scope, whichever way it leaves.
class ScopedRemoval {
public:
    ScopedRemoval(std::wstring path, bool directory) : path_(std::move(path)), directory_(directory) {}
    ~ScopedRemoval() {
        if (directory_)
            RemoveDirectoryTree(path_);
        else
            DeleteFileW(path_.c_str());
    }
    ScopedRemoval(const ScopedRemoval&) = delete;
    ScopedRemoval& operator=(const ScopedRemoval&) = delete;
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    bool directory_;
};

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An empty folder named after the product on the desktop, beside the shortcut. Nothing depends on
// it; it mirrors what users of earlier installers found there.
void CreateDesktopProductFolder() {
    wchar_t desktop[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)))
        return;
    SHCreateDirectoryExW(nullptr, JoinPath(desktop, kProductDisplayName).c_str(), nullptr);
}

class Run {
public:
    Run(const InstallRunConfig& config,
        std::wstring& productVersion,
        IInstallServices& services,
        IInstallEventSink& events,
        const AbortCheck& abort)
        : config_(config), productVersion_(productVersion), services_(services), events_(events), abort_(abort) {}

    // Whatever escapes a step still ends the run with one failure event: an exception leaving the
    // worker thread would end the whole process, and the user would be left without an answer.
    void Execute() {
        const wchar_t* failure = nullptr;
        try {
            failure = Steps();
        } catch (...) {
            failure = finished_ ? nullptr : kMsgUnexpectedError;
        }
        if (!failure)
            return;
        try {
            events_.InstallFinished(false, failure);
        } catch (...) {
            // Not even the failure could be posted (memory is gone); the thread still ends quietly.
        }
    }

private:
    // Returns null on success, or the failure message. The download composes its own message,
    // which is kept in `downloadMessage_` and returned from there.
    const wchar_t* Steps() {
        events_.InstallProgress(2);
        Stage(InstallStage::kReporting);
        DeviceReportResult report;
        services_.SendDeviceReport(report, abort_);

        const std::wstring url = report.main_url.empty() ? config_.builtInPackageUrl : report.main_url;
        productVersion_ = report.version.empty() ? std::wstring(kBuiltInVersion) : report.version;
        if (!IsValidProductVersion(productVersion_))
            return kMsgInvalidVersion;

        const std::wstring installDir = JoinPath(config_.installRoot, productVersion_);
        // A root that cannot be created shows up as an extraction failure.
        EnsureDirectory(config_.installRoot);
        events_.InstallProgress(5);

        std::wstring tempPath;
        if (!CreateTempDownloadFile(tempPath))
            return kMsgNoTempFile;
        ScopedRemoval tempFile(tempPath, false);

        DownloadJob job;
        job.url = url;
        job.file = tempFile.Path();
        job.installRoot = config_.installRoot;
        job.progress = [this](int p) { events_.InstallProgress(MapDownloadProgress(p)); };
        job.status = [this](const InstallStatus& status) { events_.InstallStatusChanged(status); };
        job.abort = abort_;
        Stage(InstallStage::kDownloading);
        if (!services_.DownloadPackage(job, downloadMessage_))
            return downloadMessage_.c_str();

        // The package is unpacked and checked beside the installation and only then put in its
        // place, so a broken or tampered package never touches a working installation.
        ScopedRemoval staging(StagingDirFor(installDir), true);
        RemoveDirectoryTree(staging.Path());  // left by an interrupted run
        if (const wchar_t* failure = UnpackAndCheck(tempFile.Path(), staging.Path()))
            return failure;
        if (const wchar_t* failure = PutInPlace(staging.Path(), installDir))
            return failure;

        // The token is kept only once the package is known to be genuine.
        Stage(InstallStage::kRegistering);
        const std::wstring dataDir = GetAppDataDir();
        if (!report.token.empty())
            services_.SaveToken(JoinPath(dataDir, kTokenFileName), report.token);
        CreateDesktopProductFolder();
        services_.CreateDesktopShortcut(installDir);
        services_.WriteUninstallEntry(config_.installRoot, productVersion_);

        events_.InstallProgress(100);
        finished_ = true;
        events_.InstallFinished(true, std::wstring());
        return nullptr;
    }

    const wchar_t* UnpackAndCheck(const std::wstring& zipFile, const std::wstring& dir) {
        auto extractProgress = [this](int p) { events_.InstallProgress(MapExtractProgress(p)); };
        Stage(InstallStage::kExtracting);
        const bool extracted = services_.ExtractPackage(zipFile, dir, extractProgress);
        DeleteFileW(zipFile.c_str());
        if (!extracted)
            return kMsgExtractFailed;
        // The main executable is checked first, so a package lacking both names only it.
        if (!PathExists(JoinPath(dir, kMainExeName)))
            return kMsgMissingMainExe;
        if (!PathExists(JoinPath(dir, kUninstallerName)))
            return kMsgMissingUninstaller;
        Stage(InstallStage::kVerifying);
        if (!services_.VerifyPackage(dir, productVersion_))
            return kMsgVerifyFailed;
        return nullptr;
    }

    // A running product holds its folder: Windows refuses to move it, and Wine moves it from under
    // the running program. Either way the user is asked to close the product, named if possible.
    const wchar_t* PutInPlace(const std::wstring& staged, const std::wstring& installDir) {
        FolderHolders holders = FindFolderHolders(installDir);
        if (!holders.held) {
            if (ReplaceDirectory(staged, installDir, RetiredDirFor(installDir)))
                return nullptr;
            holders = FindFolderHolders(installDir);
            if (!holders.held)
                return kMsgExtractFailed;
        }
        runningMessage_ = ProductRunningMessage(holders.processNames);
        return runningMessage_.c_str();
    }

    void Stage(InstallStage stage) {
        InstallStatus status;
        status.stage = stage;
        events_.InstallStatusChanged(status);
    }

    const InstallRunConfig& config_;
    std::wstring& productVersion_;
    IInstallServices& services_;
    IInstallEventSink& events_;
    const AbortCheck& abort_;
    std::wstring downloadMessage_;
    std::wstring runningMessage_;
    bool finished_ = false;
};

}  // namespace

void RunInstallPipeline(const InstallRunConfig& config,
                        std::wstring& productVersion,
                        IInstallServices& services,
                        IInstallEventSink& events,
                        const AbortCheck& abort) {
    Run(config, productVersion, services, events, abort).Execute();
}

}  // namespace Engine

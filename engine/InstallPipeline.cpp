#include "engine/InstallPipeline.h"

#include <windows.h>
#include <shlobj.h>

#include "engine/InstallConstants.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"

namespace Engine {

namespace {

bool CreateTempDownloadFile(std::wstring& path) {
    wchar_t dir[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, dir) == 0)
        return false;
    wchar_t file[MAX_PATH] = {};
    if (GetTempFileNameW(dir, kTempFilePrefix, 0, file) == 0)
        return false;
    path = file;
    return true;
}

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
    Run(const InstallRunConfig& config, std::wstring& productVersion, IInstallServices& services,
        IInstallEventSink& events, const AbortCheck& abort)
        : config_(config), productVersion_(productVersion), services_(services), events_(events), abort_(abort) {}

    void Execute() {
        if (const wchar_t* failure = Steps())
            events_.InstallFinished(false, failure);
    }

private:
    // Returns null on success, or the failure message. The download composes its own message,
    // which is kept in `downloadMessage_` and returned from there.
    const wchar_t* Steps() {
        events_.InstallProgress(2);
        DeviceReportResult report;
        services_.SendDeviceReport(report, abort_);

        const std::wstring url = report.main_url.empty() ? config_.builtInPackageUrl : report.main_url;
        productVersion_ = report.version.empty() ? std::wstring(kBuiltInVersion) : report.version;
        if (!IsValidProductVersion(productVersion_))
            return kMsgInvalidVersion;

        const std::wstring installDir = JoinPath(config_.installRoot, productVersion_);
        // A directory that cannot be created shows up as an extraction failure.
        EnsureDirectory(installDir);
        events_.InstallProgress(5);

        std::wstring tempFile;
        if (!CreateTempDownloadFile(tempFile))
            return kMsgNoTempFile;

        auto downloadProgress = [this](int p) { events_.InstallProgress(MapDownloadProgress(p)); };
        if (!services_.DownloadPackage(url, tempFile, downloadProgress, downloadMessage_, abort_)) {
            DeleteFileW(tempFile.c_str());
            return downloadMessage_.c_str();
        }

        auto extractProgress = [this](int p) { events_.InstallProgress(MapExtractProgress(p)); };
        const bool extracted = services_.ExtractPackage(tempFile, installDir, extractProgress);
        DeleteFileW(tempFile.c_str());
        if (!extracted)
            return kMsgExtractFailed;

        // The main executable is checked first, so a package lacking both names only it.
        if (!PathExists(JoinPath(installDir, kMainExeName)))
            return kMsgMissingMainExe;
        if (!PathExists(JoinPath(installDir, kUninstallerName)))
            return kMsgMissingUninstaller;
        if (!services_.VerifyPackage(installDir, productVersion_))
            return kMsgVerifyFailed;

        // The token is kept only once the package is known to be genuine.
        const std::wstring dataDir = GetAppDataDir();
        if (!report.token.empty())
            services_.SaveToken(JoinPath(dataDir, kTokenFileName), report.token);
        CreateDesktopProductFolder();
        services_.CreateDesktopShortcut();
        services_.WriteUninstallEntry();

        events_.InstallProgress(100);
        events_.InstallFinished(true, std::wstring());
        return nullptr;
    }

    const InstallRunConfig& config_;
    std::wstring& productVersion_;
    IInstallServices& services_;
    IInstallEventSink& events_;
    const AbortCheck& abort_;
    std::wstring downloadMessage_;
};

}  // namespace

void RunInstallPipeline(const InstallRunConfig& config, std::wstring& productVersion, IInstallServices& services,
                        IInstallEventSink& events, const AbortCheck& abort) {
    Run(config, productVersion, services, events, abort).Execute();
}

}  // namespace Engine

// The services the install pipeline calls, behind one interface.
//
// `RunInstallPipeline` (InstallPipeline.h) talks to the network, the archive reader, WinTrust and
// the shell only through this interface, so tests can run the real step sequence against fakes.
// The installer binds it to the real engine services (app/EngineInstallServices). Everything here
// runs on the install worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Engine {

struct DeviceReportResult {
    std::wstring main_url;  // package URL the server sent, or empty
    std::wstring version;   // product version the package must carry, or empty
    std::string token;      // device token to store after a verified install (raw bytes)
};

using AbortCheck = std::function<bool()>;           // true: stop the transfer
using ProgressCallback = std::function<void(int)>;  // a service's own percentage

// What the run is doing, for the quiet line beneath the progress bar.
enum class InstallStage { kReporting, kDownloading, kRetrying, kExtracting, kVerifying, kRegistering };

struct InstallStatus {
    InstallStage stage = InstallStage::kReporting;
    // Downloading and retrying only:
    uint64_t bytesDone = 0;       // of the package, including what earlier attempts kept
    int64_t bytesTotal = -1;      // the package's length, -1 while unknown
    uint64_t bytesPerSecond = 0;  // recent rate, 0 until measured
    int retryInSeconds = 0;       // retrying: seconds until the next attempt
};
using StatusCallback = std::function<void(const InstallStatus&)>;

// One package download, as the pipeline hands it over.
struct DownloadJob {
    std::wstring url;
    std::wstring file;         // the temporary file the pipeline created, empty
    std::wstring installRoot;  // must have room for the package as well; empty: not checked
    ProgressCallback progress;  // 0..90, never backwards
    StatusCallback status;      // may be empty
    AbortCheck abort;           // may be empty
};

class IInstallServices {
public:
    virtual ~IInstallServices() = default;

    // Only the fields of `result` matter; the return value is informational.
    virtual bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) = 0;
    // On false `message` holds the text the user sees.
    virtual bool DownloadPackage(const DownloadJob& job, std::wstring& message) = 0;
    virtual bool ExtractPackage(const std::wstring& zipFile,
                                const std::wstring& targetDir,
                                const ProgressCallback& progress) = 0;
    virtual bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) = 0;
    virtual void SaveToken(const std::wstring& path, const std::string& token) = 0;
    // Registration is handed what it writes, so nothing on the worker thread reads the caller's
    // state.
    virtual void CreateDesktopShortcut(const std::wstring& installDir) = 0;
    virtual void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) = 0;
};

// Where the pipeline's events go (the installer posts them to its window).
class IInstallEventSink {
public:
    virtual ~IInstallEventSink() = default;
    virtual void InstallProgress(int percent) = 0;
    virtual void InstallFinished(bool success, const std::wstring& message) = 0;
    virtual void InstallStatusChanged(const InstallStatus& status) = 0;
};

}  // namespace Engine

// The services the install pipeline calls, behind one interface.
//
// `RunInstallPipeline` (InstallPipeline.h) talks to the network, the archive reader, WinTrust and
// the shell only through this interface, so tests can run the real step sequence against fakes.
// The installer binds it to the real engine services (app/EngineInstallServices). Everything here
// runs on the install worker thread.
#pragma once

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

class IInstallServices {
public:
    virtual ~IInstallServices() = default;

    // Only the fields of `result` matter; the return value is informational.
    virtual bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) = 0;
    // On false `message` holds the text the user sees.
    virtual bool DownloadPackage(const std::wstring& url,
                                 const std::wstring& file,
                                 const ProgressCallback& progress,
                                 std::wstring& message,
                                 const AbortCheck& abort) = 0;
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

// Where the pipeline's two kinds of event go (the installer posts them to its window).
class IInstallEventSink {
public:
    virtual ~IInstallEventSink() = default;
    virtual void InstallProgress(int percent) = 0;
    virtual void InstallFinished(bool success, const std::wstring& message) = 0;
};

}  // namespace Engine

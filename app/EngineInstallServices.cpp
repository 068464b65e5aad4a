#include "app/EngineInstallServices.h"

#include "app/InstallerApp.h"
#include "engine/DeviceIdentity.h"
#include "engine/DownloadPackage.h"
#include "engine/SendDeviceReport.h"

namespace SetupUi {

bool EngineInstallServices::SendDeviceReport(Engine::DeviceReportResult& result, const Engine::AbortCheck& abort) {
    return Engine::SendDeviceReport(result, abort);
}

bool EngineInstallServices::DownloadPackage(const std::wstring& url, const std::wstring& file,
                                            const Engine::ProgressCallback& progress, std::wstring& message,
                                            const Engine::AbortCheck& abort) {
    return Engine::DownloadPackage(url, file, progress, message, abort);
}

// The archive and signature services are not connected yet. Until they are, each one fails, so
// that an installation stops with a clear message instead of reporting a success it did not
// achieve.

bool EngineInstallServices::ExtractPackage(const std::wstring&, const std::wstring&, const Engine::ProgressCallback&) {
    return false;
}

bool EngineInstallServices::VerifyPackage(const std::wstring&, const std::wstring&) { return false; }

void EngineInstallServices::SaveToken(const std::wstring& path, const std::string& token) {
    Engine::SaveToken(path, token);
}

void EngineInstallServices::CreateDesktopShortcut() { app_.CreateDesktopShortcut(); }

void EngineInstallServices::WriteUninstallEntry() { app_.WriteUninstallEntry(); }

}  // namespace SetupUi

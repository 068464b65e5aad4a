#include "app/EngineInstallServices.h"

#include "app/InstallerApp.h"
#include "engine/ExtractPackage.h"
#include "engine/VerifyPackage.h"

namespace SetupUi {

// The network, archive and signature services are not connected yet. Until they are, each one
// fails, so that an installation stops with a clear message instead of reporting a success it
// did not achieve.

bool EngineInstallServices::SendDeviceReport(Engine::DeviceReportResult&, const Engine::AbortCheck&) {
    return false;  // the pipeline goes on with its built-in URL and version
}

bool EngineInstallServices::DownloadPackage(const std::wstring&, const std::wstring&, const Engine::ProgressCallback&,
                                            std::wstring& message, const Engine::AbortCheck&) {
    message = L"此版本的安装程序尚不能下载安装包。";
    return false;
}

bool EngineInstallServices::ExtractPackage(const std::wstring& zipFile, const std::wstring& targetDir,
                                           const Engine::ProgressCallback& progress) {
    return Engine::ExtractPackage(zipFile, targetDir, progress);
}

bool EngineInstallServices::VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) {
    return Engine::VerifyPackage(installDir, expectedVersion);
}

void EngineInstallServices::SaveToken(const std::wstring&, const std::string&) {}

void EngineInstallServices::CreateDesktopShortcut() { app_.CreateDesktopShortcut(); }

void EngineInstallServices::WriteUninstallEntry() { app_.WriteUninstallEntry(); }

}  // namespace SetupUi

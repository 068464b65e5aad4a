#include "app/EngineInstallServices.h"

#include "engine/DeviceIdentity.h"
#include "engine/DownloadPackage.h"
#include "engine/SendDeviceReport.h"
#include "engine/SystemRegistration.h"
#include "engine/ExtractPackage.h"
#include "engine/VerifyPackage.h"

namespace SetupUi {

bool EngineInstallServices::SendDeviceReport(Engine::DeviceReportResult& result, const Engine::AbortCheck& abort) {
    return Engine::SendDeviceReport(result, abort);
}

bool EngineInstallServices::DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) {
    return Engine::DownloadPackage(job, message);
}

bool EngineInstallServices::ExtractPackage(const std::wstring& zipFile,
                                           const std::wstring& targetDir,
                                           const Engine::ProgressCallback& progress) {
    return Engine::ExtractPackage(zipFile, targetDir, progress);
}

bool EngineInstallServices::VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) {
    return Engine::VerifyPackage(installDir, expectedVersion);
}

void EngineInstallServices::SaveToken(const std::wstring& path, const std::string& token) {
    Engine::SaveToken(path, token);
}

void EngineInstallServices::CreateDesktopShortcut(const std::wstring& installDir) {
    Engine::CreateDesktopShortcut(installDir);
}

void EngineInstallServices::WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) {
    Engine::WriteUninstallEntry(installRoot, productVersion);
}

}  // namespace SetupUi

// Binds the pipeline's service interface to the real engine services. Lives on the worker thread
// for one install run.
#pragma once

#include "engine/InstallServices.h"

namespace SetupUi {

class EngineInstallServices : public Engine::IInstallServices {
public:
    bool SendDeviceReport(Engine::DeviceReportResult& result, const Engine::AbortCheck& abort) override;
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override;
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const Engine::ProgressCallback& progress) override;
    bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) override;
    void SaveToken(const std::wstring& path, const std::string& token) override;
    void CreateDesktopShortcut(const std::wstring& installDir) override;
    void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) override;
};

}  // namespace SetupUi

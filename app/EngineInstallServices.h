// Binds the pipeline's service interface to the real engine services and to the application
// object's registration steps. Lives on the worker thread for one install run.
#pragma once

#include "engine/InstallServices.h"

namespace SetupUi {

class InstallerApp;

class EngineInstallServices : public Engine::IInstallServices {
public:
    explicit EngineInstallServices(InstallerApp& app) : app_(app) {}

    bool SendDeviceReport(Engine::DeviceReportResult& result, const Engine::AbortCheck& abort) override;
    bool DownloadPackage(const std::wstring& url,
                         const std::wstring& file,
                         const Engine::ProgressCallback& progress,
                         std::wstring& message,
                         const Engine::AbortCheck& abort) override;
    bool ExtractPackage(const std::wstring& zipFile,
                        const std::wstring& targetDir,
                        const Engine::ProgressCallback& progress) override;
    bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) override;
    void SaveToken(const std::wstring& path, const std::string& token) override;
    void CreateDesktopShortcut() override;
    void WriteUninstallEntry() override;

private:
    InstallerApp& app_;
};

}  // namespace SetupUi

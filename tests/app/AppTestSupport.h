// Shared by the installer application's tests: services that never reach the network, and a
// wait for a condition set by another thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/InstallerApp.h"
#include "engine/InstallServices.h"

namespace apptest {

// Every step fails or does nothing; tests override the step they are about.
class OfflineServices : public Engine::IInstallServices {
public:
    bool SendDeviceReport(Engine::DeviceReportResult&, const Engine::AbortCheck&) override { return false; }
    bool DownloadPackage(const Engine::DownloadJob&, std::wstring& message) override {
        message = L"offline";
        return false;
    }
    bool ExtractPackage(const std::wstring&, const std::wstring&, const Engine::ProgressCallback&) override {
        return false;
    }
    bool VerifyPackage(const std::wstring&, const std::wstring&) override { return false; }
    void SaveToken(const std::wstring&, const std::string&) override {}
    void CreateDesktopShortcut(const std::wstring&) override {}
    void WriteUninstallEntry(const std::wstring&, const std::wstring&) override {}
};

template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs `step` on the application's UI thread and waits for it.
inline bool OnUi(SetupUi::InstallerApp& app, const std::function<void()>& step) {
    std::atomic<bool> done{false};
    app.window.Post([&] {
        step();
        done = true;
    });
    return WaitUntil([&done] { return done.load(); });
}

}  // namespace apptest

// The installer's application object: the whole life of the process.
//
// Exactly one exists, on the entry point's stack. It owns the main window (and through it the
// control tree), the installation state and the install worker thread. The control pointers below
// are non-owning: the controls belong to their parents in the tree. Everything runs on the UI
// thread except `RunInstall` and the two registration steps, which run on the worker; the two
// threads share only `abortRequested`, plus `installRoot` (handed over before the worker starts)
// and `productVersion` (read by the UI only after the success event).
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <cstdint>
#include <string>
#include <thread>

#include "app/CWindow.h"
#include "uie/core/UiGdiplusSession.h"
#include "engine/InstallServices.h"

namespace UIE {
class CUiControl;
class CUiProgressBar;
class CUiLabel;
class CUiLink;
class CUiEdit;
}  // namespace UIE

namespace SetupUi {

class CAgreementControl;
class CActionButton;
class CGhostButton;
class CChromeButton;

// The main window: the display name as title, 520 × 374 DIP, the application icon, fixed size.
UIE::UiWindowOptions MainWindowOptions();

class InstallerApp {
public:
    explicit InstallerApp(HINSTANCE module);
    ~InstallerApp();
    InstallerApp(const InstallerApp&) = delete;
    InstallerApp& operator=(const InstallerApp&) = delete;

    // Start-up, message loop and shutdown. Returns the process exit code.
    int Run(HINSTANCE module, int showCommand);
    void Shutdown();
    // The window's message hook: −1 means "not handled".
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Starts one install run on a fresh worker (any previous worker is joined first).
    void StartInstallWorker();
    // The install pipeline; the worker thread's body.
    void RunInstall();
    // Registration, on the worker after a verified install.
    void CreateDesktopShortcut();
    void WriteUninstallEntry();
    // Starts the installed product (UI thread, finish page).
    void LaunchProduct();

    // Pipeline events, run on the UI thread in posting order.
    void OnInstallProgress(int percent);
    void OnInstallFinished(bool success, const std::wstring& message);

    HINSTANCE module;
    std::unique_ptr<UIE::UiGdiplusSession> gdiplus;  // from start-up until Shutdown
    CWindow window;
    UIE::CUiControl* root = nullptr;
    CAgreementControl* agreement = nullptr;
    CActionButton* installButton = nullptr;
    CGhostButton* customDirButton = nullptr;
    CChromeButton* closeButton = nullptr;
    CChromeButton* minimizeButton = nullptr;
    UIE::CUiProgressBar* progressBar = nullptr;
    UIE::CUiLabel* percentLabel = nullptr;
    UIE::CUiLabel* problemLabel = nullptr;
    UIE::CUiLink* contactLink = nullptr;
    UIE::CUiControl* customDirPage = nullptr;
    UIE::CUiControl* finishPage = nullptr;
    UIE::CUiEdit* pathEdit = nullptr;
    UIE::CUiLabel* diskSpaceLabel = nullptr;
    std::wstring installRoot;
    std::wstring productVersion;
    bool installing = false;
    std::atomic<bool> abortRequested{false};
    std::thread worker;

    // Test seam: the services the pipeline calls; null means the real engine services.
    Engine::IInstallServices* servicesOverride = nullptr;

private:
    void ResolveDefaultInstallRoot();
    void WriteThemeColours();
    void BuildPages();
    std::wstring InstallDir() const;
};

}  // namespace SetupUi

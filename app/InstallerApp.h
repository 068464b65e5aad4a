// The installer's application object: the whole life of the process.
//
// Exactly one exists, on the entry point's stack. It owns the main window (and through it the
// control tree), the installation state and the install worker thread. All of it is private: the
// entry point runs it, and everything else meets the installer through its window, as the user
// does. Everything runs on the UI thread except `RunInstall`, the worker's body; the two threads
// share only `abortRequested`, plus `installRoot` (handed over before the worker starts) and
// `productVersion` (read by the UI only after the success event).
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <memory>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "app/CWindow.h"
#include "uie/core/UiGdiplusSession.h"
#include "engine/InstallServices.h"

#include "app/CActionButton.h"
#include "app/CAgreementControl.h"
#include "app/CChromeButton.h"
#include "app/CGhostButton.h"
#include "uie/controls/CUiEdit.h"
#include "uie/controls/CUiLabel.h"
#include "uie/controls/CUiLink.h"
#include "uie/controls/CUiProgressBar.h"

namespace SetupUi {

// The main window: the display name as title, 520 × 374 DIP, the application icon, fixed size.
UIE::UiWindowOptions MainWindowOptions();

class InstallerApp {
public:
    // Shows one message of the window: MessageBoxW, or a test's stand-in that records it.
    using MessageBoxFn = std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)>;

    explicit InstallerApp(HINSTANCE module);
    ~InstallerApp();
    InstallerApp(const InstallerApp&) = delete;
    InstallerApp& operator=(const InstallerApp&) = delete;

    // Start-up, message loop and shutdown. Returns the process exit code.
    int Run(HINSTANCE module, int showCommand);
    void Shutdown();

    // The main window, for whatever drives the installer as a user or a screen reader does:
    // messages to its handle, the pixels it shows, tasks posted to the UI thread.
    UIE::CUiWindow& Window() { return window; }

    // Test seams: the services the pipeline calls (null: the real engine services), and the
    // message box every message of the window goes through. Set before Run.
    void SetServices(Engine::IInstallServices* services) { servicesOverride = services; }
    void SetMessageBox(MessageBoxFn show) { messageBox = std::move(show); }

private:
    class WindowEvents;

    // The window's message hook: −1 means "not handled".
    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ResolveDefaultInstallRoot();
    void WriteThemeColours();

    // Installation (the worker runs RunInstall).
    void StartInstallWorker();
    void RunInstall();
    void LaunchProduct();
    std::wstring InstallDir() const;

    // Pipeline events, run on the UI thread in posting order.
    void InstallProgress(int percent);
    void InstallFinished(bool success, const std::wstring& message);
    void InstallStatusChanged(const Engine::InstallStatus& status);

    // The pages (UI thread).
    void PrefetchPictures();
    void BuildMainPage();
    void AddTitle(UIE::CUiControl* page);
    void BuildCustomDirectoryPage();
    void BuildFinishPage();
    void StartInstall();
    void OpenCustomDirectoryPage();
    void ReturnToMainPage();
    void HideCustomDirectoryPage();
    void BrowseForDirectory();
    void UpdateDiskSpace(const std::wstring& path);
    void LaunchAndClose();
    void CloseWindow();
    void ShowMessage(const wchar_t* text, UINT icon);
    // Shows the installing look, or the main page's own controls again.
    void ShowInstallingLook(bool installingLook);
    std::array<UIE::CUiControl*, 4> ReadyControls() const;
    std::array<UIE::CUiControl*, 5> InstallingControls() const;
    // After a page change the focus goes to the page's primary button; the installing look has
    // none and gets its first focusable control.
    void FocusPrimary();

    HINSTANCE module;
    std::unique_ptr<UIE::UiGdiplusSession> gdiplus;  // from start-up until Shutdown
    CWindow window;
    // Non-owning: the controls belong to their parents in the window's tree.
    UIE::CUiControl* root = nullptr;
    CAgreementControl* agreement = nullptr;
    CActionButton* installButton = nullptr;
    CGhostButton* customDirButton = nullptr;
    CChromeButton* closeButton = nullptr;
    CChromeButton* minimizeButton = nullptr;
    UIE::CUiProgressBar* progressBar = nullptr;
    UIE::CUiLabel* percentLabel = nullptr;
    UIE::CUiLabel* statusLabel = nullptr;  // the stage, and the download's sizes, speed and time left
    UIE::CUiLabel* problemLabel = nullptr;
    UIE::CUiLink* contactLink = nullptr;
    UIE::CUiControl* customDirPage = nullptr;
    UIE::CUiControl* finishPage = nullptr;
    UIE::CUiEdit* pathEdit = nullptr;
    CActionButton* customInstallButton = nullptr;
    CActionButton* launchButton = nullptr;
    UIE::CUiLabel* diskSpaceLabel = nullptr;
    std::wstring installRoot;
    std::wstring productVersion;
    bool installing = false;
    std::atomic<bool> abortRequested{false};
    std::thread worker;
    Engine::IInstallServices* servicesOverride = nullptr;  // non-owning
    MessageBoxFn messageBox = MessageBoxW;

    // The last free-space answer of the custom-directory page, reused while the user types.
    struct FreeSpaceAnswer {
        std::wstring drive;
        ULONGLONG askedAt = 0;
        bool known = false;
        uint64_t bytes = 0;
    } freeSpace;
};

}  // namespace SetupUi

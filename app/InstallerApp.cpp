#include "app/InstallerApp.h"

#include <shlobj.h>
#include <gdiplus.h>

#include <memory>

#include "OrbBuildSettings.h"
#include "app/EngineInstallServices.h"
#include "app/StartupProbe.h"
#include "base/ScopedWin.h"
#include "engine/InstallConstants.h"
#include "engine/InstallPipeline.h"
#include "engine/InstallRules.h"
#include "engine/SystemRegistration.h"
#include "uie/controls/UiImageCache.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiDpiSetup.h"
#include "uie/core/UiFirstPaint.h"
#include "uie/core/UiGdiplusSession.h"
#include "uie/core/UiTheme.h"

namespace SetupUi {

namespace {

constexpr wchar_t kMutexName[] = L"Orb.Setup.Installer";

// The words Windows itself uses in Chinese for the default actions a screen reader offers.
UIE::UiActionWords ReaderActionWords() {
    UIE::UiActionWords words;
    words.press = L"按下";
    words.check = L"选中";
    words.uncheck = L"取消选中";
    words.jump = L"跳转";
    return words;
}

}  // namespace

// Carries the pipeline's events to the UI thread as tasks posted to the main window. Once the
// window is gone the host drops them, so a run that outlives its window has no visible effect.
class InstallerApp::WindowEvents : public Engine::IInstallEventSink {
public:
    explicit WindowEvents(InstallerApp& app) : app_(app) {}
    void InstallProgress(int percent) override {
        InstallerApp* app = &app_;
        app_.window.Post([app, percent] { app->InstallProgress(percent); });
    }
    void InstallFinished(bool success, const std::wstring& message) override {
        InstallerApp* app = &app_;
        app_.window.Post([app, success, message] { app->InstallFinished(success, message); });
    }
    void InstallStatusChanged(const Engine::InstallStatus& status) override {
        InstallerApp* app = &app_;
        app_.window.Post([app, status] { app->InstallStatusChanged(status); });
    }

private:
    InstallerApp& app_;
};

InstallerApp::InstallerApp(HINSTANCE moduleHandle) : module(moduleHandle) {}

InstallerApp::~InstallerApp() {
    if (worker.joinable())
        worker.join();
}

// ---------------------------------------------------------------------------------------------
// Start-up and main loop
// ---------------------------------------------------------------------------------------------

UIE::UiWindowOptions MainWindowOptions() {
    UIE::UiWindowOptions options;
    options.title = Engine::kProductDisplayName;
    options.widthDip = 520;
    options.heightDip = 374;
    options.iconResource = 101;  // the application icon of the resource script
    options.resizable = false;
    return options;
}

int InstallerApp::Run(HINSTANCE moduleHandle, int showCommand) {
    module = moduleHandle;

    base::UniqueHandle mutex{CreateMutexW(nullptr, TRUE, kMutexName)};
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    UIE::DeclareDpiAwareness();
    UIE::SeedDpiFromScreen();
    // The pictures are read and shrunk to their size at this DPI while the window is set up.
    PrefetchPictures();

    gdiplus = std::make_unique<UIE::UiGdiplusSession>();
    WriteThemeColours();
    UIE::SetActionWords(ReaderActionWords());
    // bench/startup's clock; nothing without its variable.
    UIE::SetFirstPresentedPaintHook(&WriteStartupProbe);

    if (!window.Create(module, MainWindowOptions())) {
        Shutdown();
        return 1;
    }
    BuildMainPage();
    // Installed only now, so the messages of window creation never reach it.
    window.SetMessageHook([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return OnWindowMessage(message, wParam, lParam);
    });
    ShowWindow(window.Hwnd(), showCommand);
    UpdateWindow(window.Hwnd());
    // What the main page does not show waits until its first frame is out: the shell (for the
    // default folder) and COM are each a few milliseconds of loading under Wine. Both are ready
    // before the message loop, so before any click or screen reader can ask for them; a screen
    // reader reaches the window's accessible object through COM on this thread.
    ResolveDefaultInstallRoot();
    base::ComScope com;
    // The pages the main page leads to are built once its first frame is out: nothing of theirs
    // shows before the user asks for them, and they join the tree hidden, above the main page.
    BuildCustomDirectoryPage();
    BuildFinishPage();
    // A pointer already resting on the window gets its hover now: only a shown window can track
    // the pointer leaving it.
    window.UpdateHoverFromCursor();

    MSG msg = {};
    // -1 is an error, not a message: the loop ends instead of spinning on it.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // A running installation finishes (or stops at its next abort check) before the process ends.
    if (worker.joinable())
        worker.join();
    Shutdown();
    return static_cast<int>(msg.wParam);
}

void InstallerApp::ResolveDefaultInstallRoot() {
    wchar_t buffer[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        installRoot = std::wstring(buffer) + L"\\Programs\\Orbelin";
    else
        installRoot = L".\\Orbelin";
}

void InstallerApp::WriteThemeColours() {
    UIE::UiTheme& theme = UIE::GetTheme();
    theme.accent = 0xFFFF7467;
    theme.accentGradientStart = 0xFFFF7467;
    theme.accentGradientEnd = 0xFFFF7467;
    theme.windowBackground = 0xFFFFFFFF;
    theme.text = 0xFF333333;
    theme.secondaryText = 0xFF84878C;
}

LRESULT InstallerApp::OnWindowMessage(UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_CLOSE:
            abortRequested.exchange(true);
            return -1;  // the host goes on and destroys the window
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return -1;
    }
}

void InstallerApp::Shutdown() {
    // The window object outlives GDI+; what its canvas keeps must go while GDI+ still runs.
    window.Canvas().ReleaseGdiplusObjects();
    UIE::UiImageCache::Instance().Clear();
    gdiplus.reset();
}

// ---------------------------------------------------------------------------------------------
// Installation
// ---------------------------------------------------------------------------------------------

void InstallerApp::StartInstallWorker() {
    abortRequested.exchange(false);
    if (worker.joinable())
        worker.join();
    installing = true;
    worker = std::thread([this] { RunInstall(); });
}

void InstallerApp::RunInstall() {
    EngineInstallServices engineServices;
    Engine::IInstallServices& services = servicesOverride ? *servicesOverride : engineServices;
    WindowEvents events(*this);
    Engine::InstallRunConfig config{installRoot, ORB_PACKAGE_URL};
    Engine::AbortCheck abort = [this] { return abortRequested.load(); };
    Engine::RunInstallPipeline(config, productVersion, services, events, abort);
}

std::wstring InstallerApp::InstallDir() const {
    return Engine::JoinPath(installRoot, productVersion);
}

// ---------------------------------------------------------------------------------------------
// Launch of the installed product
// ---------------------------------------------------------------------------------------------

void InstallerApp::LaunchProduct() {
    Engine::LaunchProduct(window.Hwnd(), InstallDir());
}

}  // namespace SetupUi

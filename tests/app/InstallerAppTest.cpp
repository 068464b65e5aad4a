#include "app/InstallerApp.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "support/MessagePump.h"
#include "support/TestDirs.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiFonts.h"

using apptest::WaitUntil;
using SetupUi::InstallerApp;
using TestSupport::PumpUntil;
using namespace std::chrono_literals;

namespace {

// The installer's window once start-up has shown it (it is created hidden and styled first).
HWND WaitForWindow(std::chrono::milliseconds limit = 15s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        HWND window = FindWindowW(L"Orb.UiWindow", nullptr);
        if (window && IsWindowVisible(window))
            return window;
        std::this_thread::sleep_for(10ms);
    }
    return nullptr;
}

// Stands in for the network: the download runs until the abort check says stop.
class BlockingDownloadServices : public apptest::OfflineServices {
public:
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override {
        const auto& file = job.file;
        const auto& progress = job.progress;
        const auto& abort = job.abort;
        tempFile = file;
        progress(0);
        downloading = true;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!abort() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        sawAbort = abort();
        message = L"aborted";
        return false;
    }

    std::atomic<bool> downloading{false};
    std::atomic<bool> sawAbort{false};
    std::wstring tempFile;
};

}  // namespace

TEST(InstallerAppHook, CloseRaisesAbortAndDestroyQuits) {
    InstallerApp app(GetModuleHandleW(nullptr));
    EXPECT_EQ(app.OnWindowMessage(WM_PAINT, 0, 0), -1);
    EXPECT_FALSE(app.abortRequested);
    EXPECT_EQ(app.OnWindowMessage(WM_CLOSE, 0, 0), -1);
    EXPECT_TRUE(app.abortRequested);

    EXPECT_EQ(app.OnWindowMessage(WM_DESTROY, 0, 0), 0);
    MSG msg = {};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST(InstallerAppRun, SecondInstanceEndsAtOnceWithoutAWindow) {
    HANDLE held = CreateMutexW(nullptr, TRUE, L"Orb.Setup.Installer");
    ASSERT_NE(held, nullptr);
    {
        InstallerApp app(GetModuleHandleW(nullptr));
        EXPECT_EQ(app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL), 0);
        EXPECT_EQ(app.window.Hwnd(), nullptr);
        EXPECT_EQ(app.gdiplus, nullptr);
    }
    EXPECT_EQ(FindWindowW(L"Orb.UiWindow", nullptr), nullptr);
    CloseHandle(held);
}

TEST(InstallerAppRun, ShowsTheFramelessWindowAndClosingEndsWithZero) {
    InstallerApp app(GetModuleHandleW(nullptr));
    RECT rect = {};
    LONG style = 0;
    wchar_t title[64] = {};
    bool visible = false;
    bool hasIcons = false;
    std::thread closer([&] {
        HWND window = WaitForWindow();
        if (!window)
            return;
        // The icons are set once the first frame is out.
        for (int tries = 0; tries < 500 && !hasIcons; ++tries) {
            hasIcons = SendMessageW(window, WM_GETICON, ICON_BIG, 0) && SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
            std::this_thread::sleep_for(10ms);
        }
        GetWindowRect(window, &rect);
        style = GetWindowLongW(window, GWL_STYLE);
        GetWindowTextW(window, title, 64);
        visible = IsWindowVisible(window);
        PostMessageW(window, WM_CLOSE, 0, 0);
    });
    const int exitCode = app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    closer.join();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(hasIcons);
    EXPECT_EQ(rect.right - rect.left, 520);  // the test prefix runs at 96 DPI
    EXPECT_EQ(rect.bottom - rect.top, 374);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_STREQ(title, L"欧贝林视频格式转换器");
    EXPECT_TRUE(app.abortRequested);
    EXPECT_EQ(app.window.Hwnd(), nullptr);
    // The root was arranged over the client area and the window painted into its back buffer.
    ASSERT_NE(app.root, nullptr);
    EXPECT_EQ(app.root->bounds.width, 520);
    EXPECT_EQ(app.root->bounds.height, 374);
    EXPECT_EQ(app.window.Buffer().bufferWidth, 520);
    EXPECT_EQ(app.window.Buffer().PixelAt(100, 365), 0xFFFFFFu);  // the start-up theme's white, below the header

    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    EXPECT_EQ(app.installRoot, std::wstring(local) + L"\\Programs\\Orbelin");

    // The prefix maps the UI face to an installed font, so the preferred face is chosen.
    EXPECT_EQ(UIE::uiFaceName, L"微软雅黑");
    // Readers are offered the Chinese verbs the application installed.
    EXPECT_EQ(UIE::DefaultActionName(UIE::UiRole::CheckBox, false), L"选中");
    // Shutdown released the family and stopped GDI+.
    EXPECT_EQ(UIE::uiFontFamily, nullptr);
    EXPECT_EQ(app.gdiplus, nullptr);
}

TEST(InstallerAppRun, ClosingDuringTheDownloadAbortsItAndDropsTheFinishEvent) {
    InstallerApp app(GetModuleHandleW(nullptr));
    BlockingDownloadServices services;
    app.servicesOverride = &services;
    const std::wstring root = TestSupport::MakeTempDir(L"app-abort");

    std::thread driver([&] {
        HWND window = WaitForWindow();
        if (!window)
            return;
        app.window.Post([&] {
            app.installRoot = root;
            app.StartInstallWorker();
        });
        if (WaitUntil([&] { return services.downloading.load(); }))
            PostMessageW(window, WM_CLOSE, 0, 0);
    });
    const int exitCode = app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    driver.join();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(services.downloading);
    EXPECT_TRUE(services.sawAbort);
    EXPECT_FALSE(app.worker.joinable());
    // The failure event was posted after the window had gone, so it never ran.
    EXPECT_TRUE(app.installing);
    EXPECT_FALSE(services.tempFile.empty());
    EXPECT_FALSE(TestSupport::Exists(services.tempFile));
    TestSupport::RemoveTree(root);
}

TEST(WindowPost, TasksFromAnotherThreadRunInOrderOnTheUiThread) {
    SetupUi::CWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), SetupUi::MainWindowOptions()));
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<int> order;
    std::atomic<int> wrongThread{0};

    std::thread poster([&] {
        for (int i = 0; i < 200; ++i) {
            window.Post([&, i] {
                if (GetCurrentThreadId() != uiThread)
                    ++wrongThread;
                order.push_back(i);
            });
        }
    });
    poster.join();
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 200; }));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(order[i], i);
    EXPECT_EQ(wrongThread, 0);
    DestroyWindow(window.Hwnd());
}

TEST(WindowPost, TasksQueuedAtDestructionAndAfterItNeverRunAndAreFreed) {
    SetupUi::CWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), SetupUi::MainWindowOptions()));
    auto witness = std::make_shared<int>(0);
    for (int i = 0; i < 5; ++i)
        window.Post([witness] { ++*witness; });
    EXPECT_EQ(witness.use_count(), 6);

    DestroyWindow(window.Hwnd());
    EXPECT_EQ(window.Hwnd(), nullptr);
    window.Post([witness] { ++*witness; });
    PumpUntil([] { return false; }, 100ms);

    EXPECT_EQ(*witness, 0);
    EXPECT_EQ(witness.use_count(), 1);
}

TEST(WindowHook, CloseIsOfferedToTheHookFirst) {
    SetupUi::CWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), SetupUi::MainWindowOptions()));
    int closeSeen = 0;
    int destroySeen = 0;
    bool hwndClearedBeforeDestroyHook = false;
    int32_t closeAnswer = 0;  // keep the window
    window.SetMessageHook([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_CLOSE) {
            ++closeSeen;
            return closeAnswer;
        }
        if (message == WM_DESTROY) {
            ++destroySeen;
            hwndClearedBeforeDestroyHook = window.Hwnd() == nullptr;
            return 0;
        }
        return -1;
    });
    HWND handle = window.Hwnd();
    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(closeSeen, 1);
    EXPECT_TRUE(IsWindow(handle));

    closeAnswer = -1;  // let the host destroy it
    SendMessageW(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(closeSeen, 2);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(destroySeen, 1);
    EXPECT_TRUE(hwndClearedBeforeDestroyHook);
}

#include "app/InstallerApp.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "AppTestSupport.h"
#include "support/TestDirs.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiFonts.h"

using apptest::WaitUntil;
using SetupUi::InstallerApp;
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

TEST(InstallerAppRun, SecondInstanceEndsAtOnceWithoutAWindow) {
    HANDLE held = CreateMutexW(nullptr, TRUE, L"Orb.Setup.Installer");
    ASSERT_NE(held, nullptr);
    {
        InstallerApp app(GetModuleHandleW(nullptr));
        EXPECT_EQ(app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL), 0);
        EXPECT_EQ(app.Window().Hwnd(), nullptr);
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
    EXPECT_EQ(app.Window().Hwnd(), nullptr);
    // The window painted its whole client area: the header picture over the top, the start-up
    // theme's white below it.
    const UIE::UiBackBuffer& shown = app.Window().Buffer();
    EXPECT_EQ(shown.bufferWidth, 520);
    EXPECT_EQ(shown.bufferHeight, 374);
    EXPECT_NE(shown.PixelAt(shown.bufferWidth / 2, shown.bufferHeight / 3), 0xFFFFFFu);
    EXPECT_EQ(shown.PixelAt(shown.bufferWidth / 5, shown.bufferHeight - 9), 0xFFFFFFu);

    // The prefix maps the UI face to an installed font, so the preferred face is chosen.
    EXPECT_EQ(UIE::uiFaceName, L"微软雅黑");
    // Readers are offered the Chinese verbs the application installed.
    EXPECT_EQ(UIE::DefaultActionName(UIE::UiRole::CheckBox, false), L"选中");
    // Shutdown released the family and stopped GDI+.
    EXPECT_EQ(UIE::uiFontFamily, nullptr);
}

// Closing stops the download at its next abort check; the failure it then reports comes after
// the window has gone and shows nothing.
TEST(InstallerAppRun, ClosingDuringTheDownloadAbortsItAndDropsTheFinishEvent) {
    InstallerApp app(GetModuleHandleW(nullptr));
    BlockingDownloadServices services;
    app.SetServices(&services);
    apptest::MessageLog log;
    const int exitCode = apptest::RunWithUser(app, log, [&] {
        ASSERT_TRUE(apptest::Click(app, L"我已阅读并同意《用户协议》和《隐私协议》"));
        ASSERT_TRUE(apptest::Click(app, L"立即安装"));
        ASSERT_TRUE(WaitUntil([&] { return services.downloading.load(); }));
        PostMessageW(app.Window().Hwnd(), WM_CLOSE, 0, 0);
    });

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(services.downloading);
    EXPECT_TRUE(services.sawAbort);
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_FALSE(services.tempFile.empty());
    EXPECT_FALSE(TestSupport::Exists(services.tempFile));
}

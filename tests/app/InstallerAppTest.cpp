// The installer's run from start-up to the end of the process, in the real window under Wine:
// the window it shows and paints, what Shutdown leaves, and a close during the download. The
// single instance across processes is InstallerExeTest's.
#include "app/InstallerApp.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "support/TestDirs.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiFonts.h"

using apptest::WaitUntil;
using SetupUi::InstallerApp;

TEST(InstallerAppRun, ShowsTheFramelessWindowAndClosingEndsWithZero) {
    InstallerApp app(GetModuleHandleW(nullptr));
    apptest::MessageLog log;
    RECT rect = {};
    LONG style = 0;
    wchar_t title[64] = {};
    bool visible = false;
    bool hasIcons = false;
    const int exitCode = apptest::RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        // The icons are set once the first frame is out.
        hasIcons = WaitUntil([&] {
            return SendMessageW(window, WM_GETICON, ICON_BIG, 0) && SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
        });
        GetWindowRect(window, &rect);
        style = GetWindowLongW(window, GWL_STYLE);
        GetWindowTextW(window, title, 64);
        visible = IsWindowVisible(window);
    });

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
    apptest::HeldDownload services;
    app.SetServices(&services);
    apptest::MessageLog log;
    const int exitCode = apptest::RunWithUser(app, log, [&] {
        ASSERT_TRUE(apptest::Click(app, apptest::kAgreementBox));
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

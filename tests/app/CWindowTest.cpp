// The header picture drags the window on the main page, except under the window's own buttons;
// the pages laid over it do not drag. Asked of the real window (WM_NCHITTEST) at the places a
// reader names.
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "engine/InstallConstants.h"

using SetupUi::InstallerApp;

namespace {

LRESULT HitTest(HWND window, const wchar_t* name) {
    const apptest::ReadControl control = apptest::Find(window, name);
    EXPECT_NE(control.id, 0) << "not in sight";
    const RECT& at = control.location;
    return SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2));
}

}  // namespace

TEST(CWindow, OnlyTheMainPageHeaderDragsAndItsButtonsStayClickable) {
    InstallerApp app(GetModuleHandleW(nullptr));
    apptest::MessageLog log;
    const wchar_t* title = Engine::kProductDisplayName;
    apptest::RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        EXPECT_EQ(HitTest(window, title), HTCAPTION);  // the title sits on the header picture
        EXPECT_EQ(HitTest(window, L"关闭"), HTCLIENT);
        EXPECT_EQ(HitTest(window, L"立即安装"), HTCLIENT);  // below the header

        apptest::Click(app, apptest::kAgreementBox);
        ASSERT_TRUE(apptest::Click(app, L"自定义目录"));
        EXPECT_EQ(HitTest(window, title), HTCLIENT);

        apptest::Key(app, VK_ESCAPE);
        EXPECT_EQ(HitTest(window, title), HTCAPTION);
    });
    EXPECT_EQ(log.Count(), 0u);
}

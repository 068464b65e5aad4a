#include "app/CWindow.h"

#include <gtest/gtest.h>

#include "support/DpiScope.h"

#include "uie/core/UiDpi.h"

using TestSupport::DpiScope;

using SetupUi::CWindow;

TEST(CWindow, HeaderDragsExceptTheCloseCornerAt96Dpi) {
    DpiScope dpi(96);
    CWindow window;
    EXPECT_EQ(window.CaptionHeight(), 0);
    EXPECT_EQ(window.HitTestFrame(0, 0), HTCAPTION);
    EXPECT_EQ(window.HitTestFrame(200, 259), HTCAPTION);
    EXPECT_EQ(window.HitTestFrame(200, 260), -1);
    EXPECT_EQ(window.HitTestFrame(475, 10), HTCAPTION);  // left part of the minimise button
    EXPECT_EQ(window.HitTestFrame(476, 10), -1);
    EXPECT_EQ(window.HitTestFrame(476, 51), -1);
    EXPECT_EQ(window.HitTestFrame(476, 52), HTCAPTION);
    EXPECT_EQ(window.HitTestFrame(519, 100), HTCAPTION);
}

TEST(CWindow, HeaderEdgesScaleWithDpi) {
    DpiScope dpi(144);
    CWindow window;
    EXPECT_EQ(window.HitTestFrame(10, 389), HTCAPTION);
    EXPECT_EQ(window.HitTestFrame(10, 390), -1);
    EXPECT_EQ(window.HitTestFrame(713, 20), HTCAPTION);
    EXPECT_EQ(window.HitTestFrame(714, 20), -1);
    EXPECT_EQ(window.HitTestFrame(714, 78), HTCAPTION);
}

TEST(CWindow, NoDragWhileDisabled) {
    CWindow window;
    window.captionDragEnabled = false;
    EXPECT_EQ(window.HitTestFrame(10, 10), -1);
}

// The installer's own controls: title-bar, action and ghost buttons and the success badge,
// painted into a memory buffer and driven through their mouse slots. The agreement row is driven
// in the real window (InstallerPagesTest).
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/CActionButton.h"
#include "app/CCheckBadge.h"
#include "app/CChromeButton.h"
#include "app/CGhostButton.h"
#include "uie/core/UiTestSupport.h"
#include "uie/core/UiTheme.h"

using namespace SetupUi;
using namespace UIE;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class InstallerControlsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(paint_.Create(120, 80)); }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    uitest::PaintBuffer paint_;
};

}  // namespace

TEST_F(InstallerControlsTest, ChromeHoverHighlightSitsOneDipInside) {
    for (int dpiValue : {96, 192}) {
        uitest::DpiScope dpi(dpiValue);
        CChromeButton close(CChromeButton::kClose, nullptr);
        close.bounds = {0, 0, 26, 26};
        close.OnMouseEnter();
        paint_.PaintControl(close);
        const int inset = dpiValue / 96;
        const int mid = Scale(13);
        EXPECT_EQ(paint_.Px(inset - 1, Scale(4) + inset), kWhite) << dpiValue;
        EXPECT_EQ(paint_.Px(inset, Scale(4) + inset), 0xEBEBEBu) << dpiValue;  // 0x14000000 over white
        EXPECT_LT(paint_.Px(mid, mid) & 0xFF, 0xA0u) << dpiValue;              // the cross's centre
    }
}

TEST_F(InstallerControlsTest, ButtonsClickOnlyForAStandingPressReleasedInside) {
    int clicks = 0;
    auto count = [&clicks] { ++clicks; };
    CChromeButton chrome(CChromeButton::kMinimise, count);
    CActionButton action(L"立即安装", count);
    CGhostButton ghost(L"返回", CGhostButton::kChevronBefore, count);
    for (CUiControl* button : std::vector<CUiControl*>{&chrome, &action, &ghost}) {
        button->bounds = {0, 0, 100, 30};
        struct Case {
            std::function<void()> gesture;
            int clicks;
        };
        const Case cases[] = {
            {[&] { button->OnMouseEnter(), button->OnMouseDown(5, 5), button->OnMouseUp(50, 20); }, 1},
            {[&] { button->OnMouseDown(5, 5), button->OnMouseUp(100, 20); }, 0},
            {[&] {
                 button->OnMouseDown(5, 5), button->OnMouseLeave(), button->OnMouseEnter(), button->OnMouseUp(50, 20);
             },
             0},
            {[&] {  // disabled while held
                 button->OnMouseEnter();
                 button->OnMouseDown(5, 5);
                 button->enabled = false;
                 button->OnMouseUp(50, 20);
                 button->enabled = true;
             },
             0},
        };
        for (const Case& c : cases) {
            clicks = 0;
            c.gesture();
            EXPECT_EQ(clicks, c.clicks);
        }
    }
    action.enabled = false;
    clicks = 0;
    action.OnMouseDown(5, 5);
    action.OnMouseUp(50, 20);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(action.WantsHandCursor());
    paint_.PaintControl(action);
    EXPECT_EQ(paint_.Px(3, 15), 0xD8D8D8u);
}

TEST_F(InstallerControlsTest, GhostButtonFitsItsCaptionAndChevron) {
    uitest::TextDpiScope dpi(144);
    CGhostButton back(L"返回", CGhostButton::kChevronBefore, nullptr);
    const int caption = Unscale(MeasureText(L"返回", 13, false, -1).width);
    EXPECT_EQ(back.FittingWidth(), caption + 24 + 16);
    back.bounds = {0, 0, 40, 30};
    paint_.PaintControl(back);
    // The chevron's 30 px box starts 12 px in: nothing is drawn left of it.
    for (int y = 0; y < 45; ++y)
        EXPECT_EQ(paint_.Px(11, y), kWhite) << y;
    EXPECT_NE(paint_.Px(23, 22), kWhite);  // the chevron's tip, 9 grid units of 1.25 px into the box
}

TEST_F(InstallerControlsTest, BadgeDrawsTheCheckMarkPicture) {
    CCheckBadge badge;
    badge.bounds = {0, 0, 56, 56};
    paint_.PaintControl(badge);
    EXPECT_EQ(paint_.Px(28, 4), 0xFF7467u);
    EXPECT_EQ(paint_.Px(1, 1), kWhite);
}

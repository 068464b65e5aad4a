// The installer's own controls: title-bar, action and ghost buttons, the success badge and the
// agreement row; painted into a memory buffer and driven through their mouse slots.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "app/CActionButton.h"
#include "app/CAgreementControl.h"
#include "app/CAgreementText.h"
#include "app/CCheckBadge.h"
#include "app/CChromeButton.h"
#include "app/CGhostButton.h"
#include "uie/controls/CUiLink.h"
#include "uie/core/UiInputRouter.h"
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

TEST_F(InstallerControlsTest, AgreementTextsToggleAndTheBoxReportsItsOwnClicks) {
    GetTheme().accent = 0xFFFF7467;
    CAgreementControl agreement;
    agreement.Arrange({24, 336, 280, 18});
    CUiControl* row = agreement.children.front().get();
    ASSERT_EQ(row->children.size(), 5u);
    auto* agreeText = dynamic_cast<CAgreementText*>(row->children[1].get());
    auto* andText = dynamic_cast<CAgreementText*>(row->children[3].get());
    ASSERT_TRUE(agreeText && andText);
    EXPECT_EQ(agreement.checkBox->bounds.width, 18);

    struct Step {
        CUiControl* target;
        int x;
        bool checkedAfter;
    };
    for (const Step& step : {Step{agreeText, 1, true}, Step{andText, 1, false}, Step{agreement.checkBox, 2, true},
                             Step{agreeText, 1, false}}) {
        step.target->OnMouseUp(step.x, 2);
        EXPECT_EQ(agreement.checked, step.checkedAfter);
        EXPECT_EQ(agreement.checkBox->checked, step.checkedAfter);
    }
    EXPECT_EQ(agreement.children.front()->children[2]->margin.left, -4);  // the link pulled left
}

// Pressed on a control and released elsewhere is how a user takes a click back; a button disabled
// while held does not fire either. Driven through the input router at client coordinates.
TEST_F(InstallerControlsTest, AReleaseOffTheControlOrWhileDisabledDoesNothing) {
    GetTheme().accent = 0xFFFF7467;
    int clicks = 0;
    auto count = [&clicks] { ++clicks; };
    CUiControl root;
    root.bounds = {0, 0, 520, 374};
    auto* agreement = root.Add<CAgreementControl>();
    agreement->Arrange({24, 336, 280, 18});
    auto* action = root.Add<CActionButton>(L"立即安装", count);
    action->bounds = {194, 280, 132, 36};
    auto* ghost = root.Add<CGhostButton>(L"自定义目录", CGhostButton::kChevronAfter, count);
    ghost->bounds = {400, 331, 104, 28};
    CUiControl* words = agreement->children.front()->children[1].get();
    auto* link = dynamic_cast<CUiLink*>(agreement->children.front()->children[2].get());
    ASSERT_TRUE(link);
    link->SetOnClick(count);  // instead of the browser
    UiInputRouter router{{[&root](int x, int y, int* lx, int* ly) {
                              CUiControl* hit = root.HitTest(x, y);
                              if (hit && lx && ly) {
                                  const UiPoint local = LocalTo(hit, x, y);
                                  *lx = local.x, *ly = local.y;
                              }
                              return hit;
                          },
                          {}, {}, {}}};
    auto centre = [](const CUiControl* c) {
        UiPoint p{c->bounds.width / 2, c->bounds.height / 2};
        for (; c; c = c->parent)
            p.x += c->bounds.x, p.y += c->bounds.y;
        return p;
    };
    const UiPoint away{100, 100};

    struct Row {
        CUiControl* pressed;
        bool releasedOn;
        bool disabledWhileHeld;
        int clicks;
        bool checked;
    };
    const Row rows[] = {
        {words, true, false, 0, true},   {words, false, false, 0, true},  {words, true, false, 0, false},
        {link, false, false, 0, false},  {link, true, false, 1, false},   {action, false, false, 0, false},
        {ghost, false, false, 0, false}, {ghost, true, true, 0, false},   {ghost, true, false, 1, false},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        clicks = 0;
        row.pressed->enabled = true;
        const UiPoint down = centre(row.pressed);
        const UiPoint up = row.releasedOn ? down : away;
        router.PointerMove(down.x, down.y);
        router.ButtonDown(down.x, down.y);
        router.PointerMove(up.x, up.y);
        if (row.disabledWhileHeld)
            row.pressed->enabled = false;
        router.ButtonUp(up.x, up.y);
        EXPECT_EQ(clicks, row.clicks) << i;
        EXPECT_EQ(agreement->checked, row.checked) << i;
        EXPECT_EQ(agreement->checkBox->checked, row.checked) << i;
    }
}

// The progress bar, the card and the check box, painted into a memory buffer and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "uie/controls/CUiCard.h"
#include "uie/controls/CUiCheckBox.h"
#include "uie/controls/CUiProgressBar.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kAccent = 0xFF7467;
constexpr uint32_t kTrack = 0xEFEFEF;

class PaintedControlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(paint_.Create(480, 60)); }
    void Paint(CUiControl& control) { paint_.PaintControl(control); }
    uint32_t Px(int x, int y) const { return paint_.Px(x, y); }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    uitest::PaintBuffer paint_;
};

}  // namespace

TEST_F(PaintedControlTest, ProgressFillsTheDonePartOfTheTrack) {
    CUiProgressBar bar;
    bar.bounds = {0, 0, 472, 6};
    struct Case {
        int value;
        int lastFilled;  // -1: nothing filled
    };
    for (const Case& c : {Case{0, -1}, Case{1, 3}, Case{37, 173}, Case{100, 471}}) {
        bar.SetValue(c.value);
        Paint(bar);
        if (c.lastFilled >= 0) {
            EXPECT_EQ(Px(std::max(2, c.lastFilled - 2), 3), kAccent) << c.value;
        }
        if (c.lastFilled < 471) {
            EXPECT_EQ(Px(c.lastFilled + 3, 3), kTrack) << c.value;
        }
    }
    bar.SetValue(150);
    EXPECT_EQ(bar.value, 100);
    bar.SetValue(-5);
    EXPECT_EQ(bar.value, 0);
}

TEST_F(PaintedControlTest, CardCornersAndBorder) {
    CUiCard card;
    card.bounds = {0, 0, 40, 40};
    card.fillColour = 0xFF2060A0;
    Paint(card);
    EXPECT_EQ(Px(20, 20), 0x2060A0u);
    EXPECT_EQ(Px(0, 0), kWhite);  // a negative radius means 8 DIP
    card.cornerRadius = 0;
    Paint(card);
    EXPECT_EQ(Px(0, 0), 0x2060A0u);

    card.borderColour = 0x00FF0000;  // transparent: no border
    card.borderWidth = 2;
    Paint(card);
    EXPECT_EQ(Px(20, 0), 0x2060A0u);
    card.borderColour = 0xFFFF0000;
    Paint(card);
    EXPECT_EQ(Px(20, 0), 0xFF0000u);
    EXPECT_EQ(Px(20, 1), 0xFF0000u);  // both pixels of the border inside the card
    EXPECT_EQ(Px(20, 2), 0x2060A0u);

    card.perCornerRadii = true;  // only the top-left corner square
    card.borderWidth = 0;
    card.topRightRadius = card.bottomRightRadius = card.bottomLeftRadius = 10;
    Paint(card);
    EXPECT_EQ(Px(0, 0), 0x2060A0u);
    EXPECT_EQ(Px(39, 0), kWhite);
    EXPECT_EQ(Px(39, 39), kWhite);
    EXPECT_EQ(Px(20, 20), 0x2060A0u);
}

TEST_F(PaintedControlTest, CardMeasuresAndArrangesOnlyItsFirstChild) {
    CUiCard card;
    card.padding = {4, 5, 6, 7};
    EXPECT_EQ(card.Measure(100).width, 0);
    CUiControl* first = card.Add<CUiControl>();
    first->bounds = {0, 0, 30, 12};
    CUiControl* second = card.Add<CUiControl>();
    second->bounds = {1, 2, 3, 4};
    const UiSize measured = card.Measure(100);
    EXPECT_EQ(measured.width, 30);  // the child's size, padding not added
    EXPECT_EQ(measured.height, 12);
    card.Arrange({0, 0, 100, 50});
    EXPECT_EQ(first->bounds.x, 4);
    EXPECT_EQ(first->bounds.y, 5);
    EXPECT_EQ(first->bounds.width, 90);
    EXPECT_EQ(first->bounds.height, 38);
    EXPECT_EQ(second->bounds.x, 1);  // left alone
}

TEST_F(PaintedControlTest, CheckBoxLooksAndToggles) {
    CUiCheckBox box;
    box.bounds = {0, 0, 120, 24};
    Paint(box);  // unchecked: a white box with a grey outline, 4 px down
    EXPECT_EQ(Px(8, 12), kWhite);
    EXPECT_TRUE(Px(8, 4) == 0xCCCCCCu || Px(8, 5) == 0xCCCCCCu);  // the 1 px outline on the top edge
    EXPECT_EQ(Px(8, 2), kWhite);
    box.checked = true;
    Paint(box);
    EXPECT_EQ(Px(2, 12), kAccent);
    EXPECT_EQ(Px(7, 16), kWhite);  // on the check mark's first stroke

    std::vector<bool> seen;
    box.SetOnChange([&](bool checked) { seen.push_back(checked); });
    box.OnMouseUp(130, 10);  // released outside
    box.OnMouseUp(5, 5);
    box.enabled = false;
    box.OnMouseUp(5, 5);  // disabled: never changed
    EXPECT_EQ(seen, std::vector<bool>{false});
    EXPECT_FALSE(box.checked);
    EXPECT_EQ(box.Measure(-1).height, 24);
    box.text = L"同意";
    EXPECT_GT(box.Measure(-1).width, 30);
}

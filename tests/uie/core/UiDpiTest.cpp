#include "uie/core/UiDpi.h"
#include "uie/core/UiTheme.h"

#include <gtest/gtest.h>

#include "support/DpiScope.h"

#include <climits>

using TestSupport::DpiScope;

using namespace UIE;

TEST(MulDivRound, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDivRound(6, 120, 96), 8);    // 7.5
    EXPECT_EQ(MulDivRound(-6, 120, 96), -8);  // -7.5
    EXPECT_EQ(MulDivRound(13, 120, 96), 16);  // 16.25
    EXPECT_EQ(MulDivRound(-13, 120, 96), -16);
    EXPECT_EQ(MulDivRound(1, 1, 2), 1);
    EXPECT_EQ(MulDivRound(1, 1, 3), 0);
    EXPECT_EQ(MulDivRound(2, 1, -3), -1);
    EXPECT_EQ(MulDivRound(5, 0, 96), 0);
    EXPECT_EQ(MulDivRound(1, 1, 0), -1);
}

TEST(MulDivRound, WorksPastThe32BitProductAndAnswersMinusOneOnOverflow) {
    EXPECT_EQ(MulDivRound(100000000, 144, 96), 150000000);
    EXPECT_EQ(MulDivRound(INT_MAX, 96, 192), 1073741824);  // 1073741823.5 rounds up
    EXPECT_EQ(MulDivRound(INT_MAX, 192, 96), -1);          // as Win32 MulDiv
    EXPECT_EQ(MulDivRound(INT_MIN, 2, 1), -1);
}

TEST(Scaling, FollowsTheDpiRecord) {
    DpiScope dpi(120);
    EXPECT_EQ(Scale(12), 15);
    EXPECT_EQ(Scale(13), 16);
    EXPECT_EQ(Scale(6), 8);
    EXPECT_EQ(Unscale(15), 12);
    EXPECT_EQ(Unscale(1), 1);  // 0.8
    EXPECT_EQ(Unscale(3), 2);  // 2.4
}

TEST(Scaling, WindowSizeAtCommonDpis) {
    {
        DpiScope dpi(96);
        EXPECT_EQ(Scale(520), 520);
        EXPECT_EQ(Scale(374), 374);
    }
    {
        DpiScope dpi(144);
        EXPECT_EQ(Scale(520), 780);
        EXPECT_EQ(Scale(374), 561);
        EXPECT_EQ(Unscale(561), 374);
        EXPECT_EQ(Unscale(7), 5);  // 4.67
    }
    {
        DpiScope dpi(192);
        EXPECT_EQ(Scale(520), 1040);
        EXPECT_EQ(Unscale(3), 2);  // 1.5 rounds away from zero
        EXPECT_EQ(Unscale(-3), -2);
    }
}

TEST(Scaling, UnknownDpiMeans96) {
    EXPECT_EQ(SanitizeDpi(0), 96);
    EXPECT_EQ(SanitizeDpi(-5), 96);
    EXPECT_EQ(SanitizeDpi(144), 144);
}

TEST(Theme, InitialPaletteAndColourConversions) {
    UiTheme fresh;
    EXPECT_EQ(fresh.windowBackground, 0xFFF7F8FAu);
    EXPECT_EQ(fresh.secondaryText, 0xFF999999u);
    EXPECT_EQ(fresh.accent, 0xFFFF7467u);
    EXPECT_EQ(ArgbToColorRef(0xFFFF7467), 0x006774FFu);
    EXPECT_EQ(ArgbToColorRef(0x80123456), 0x00563412u);
    EXPECT_EQ(ColorRefToArgb(0x006774FF), 0xFFFF7467u);
    EXPECT_EQ(ColorRefToArgb(ArgbToColorRef(0x12ABCDEF)), 0xFFABCDEFu);
}

// Pure geometry: edge-wise scaling of control rectangles, containment and intersection, and the
// tooltip's placement. Built natively (sanitizers) and for Windows.
#include "uie/core/UiFrameGeometry.h"
#include "uie/core/UiGeometry.h"
#include "uie/core/UiTooltipGeometry.h"

#include <gtest/gtest.h>

#include "support/DpiScope.h"

#include "uie/core/UiDpi.h"

using TestSupport::DpiScope;

using namespace UIE;

namespace {

void ExpectRect(const UiRect& r, int x, int y, int w, int h) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

}  // namespace

TEST(ScaleRect, IsTheIdentityAt96Dpi) {
    DpiScope dpi(96);
    ExpectRect(ScaleRect({3, 7, 11, 13}), 3, 7, 11, 13);
}

TEST(ScaleRect, ScalesEdgesNotSizes) {
    {
        DpiScope dpi(120);
        ExpectRect(ScaleRect({1, 1, 1, 1}), 1, 1, 2, 2);  // edges 1.25 and 2.5 give 1 and 3
    }
    {
        DpiScope dpi(144);
        ExpectRect(ScaleRect({1, 1, 1, 1}), 2, 2, 1, 1);  // edges 1.5 and 3.0 give 2 and 3
    }
    {
        DpiScope dpi(192);
        ExpectRect(ScaleRect({1, 3, 1, 5}), 2, 6, 2, 10);
        ExpectRect(ScaleRect({520 - 44, 0, 44, 52}), 952, 0, 88, 104);
    }
}

TEST(ScaleRect, AdjacentControlsMeetWithoutGapsOrOverlaps) {
    for (int dpi : {96, 120, 144, 168, 192}) {
        DpiScope scope(dpi);
        int expectedLeft = 0;
        for (int x = 0; x < 40; ++x) {
            const UiRect r = ScaleRect({x, 0, 1, 1});
            EXPECT_EQ(r.x, expectedLeft) << "dpi " << dpi << " x " << x;
            expectedLeft = r.x + r.width;
        }
        EXPECT_EQ(expectedLeft, Scale(40));
    }
}

TEST(ScaleRect, NegativeEdgesRoundHalvesAwayFromZero) {
    {
        DpiScope dpi(120);
        ExpectRect(ScaleRect({-1, -2, 2, 4}), -1, -3, 2, 6);  // -1.25, 1.25; -2.5, 2.5
    }
    {
        DpiScope dpi(144);
        ExpectRect(ScaleRect({-1, 0, 2, 1}), -2, 0, 4, 2);  // -1.5 and 1.5 both round outwards
    }
}

TEST(Unscale, OddPixelValues) {
    {
        DpiScope dpi(120);
        EXPECT_EQ(Unscale(5), 4);
        EXPECT_EQ(Unscale(7), 6);  // 5.6
        EXPECT_EQ(Unscale(-7), -6);
    }
    {
        DpiScope dpi(144);
        EXPECT_EQ(Unscale(3), 2);
        EXPECT_EQ(Unscale(5), 3);  // 3.33
        EXPECT_EQ(Unscale(7), 5);  // 4.67
        EXPECT_EQ(Unscale(-5), -3);
    }
    {
        DpiScope dpi(192);
        EXPECT_EQ(Unscale(1), 1);  // 0.5 rounds away from zero
        EXPECT_EQ(Unscale(-1), -1);
        EXPECT_EQ(Unscale(5), 3);
    }
}

// The area a nested control paints: each level is scaled on its own, so the child's edges are not
// the scaled sums of the DIP offsets.
TEST(PaintedPixelArea, FollowsThePerLevelScalingOfPainting) {
    struct Case {
        int dpi;
        std::vector<UiRect> chain;
        int outset;
        UiLtrb expected;
    };
    const Case cases[] = {
        {96, {{25, 10, 100, 50}, {1, 2, 16, 8}}, 0, {26, 12, 42, 20}},
        // 25 → 38 and 1 → 2, 17 → 26: [40, 64), where scaling the sums would give [39, 63)
        {144, {{25, 0, 100, 50}, {1, 0, 16, 10}}, 0, {40, 0, 64, 15}},
        {120, {{25, 5, 100, 50}, {3, 3, 9, 9}, {1, 1, 5, 5}}, 1, {35, 10, 44, 19}},
        {144, {{7, 7, 20, 20}}, 2, {9, 9, 43, 43}},
        {96, {}, 1, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DpiScope dpi(c.dpi);
        const UiLtrb area = PaintedPixelArea(c.chain, c.outset);
        EXPECT_EQ(area.left, c.expected.left) << c.dpi << " DPI, " << c.chain.size() << " levels";
        EXPECT_EQ(area.top, c.expected.top) << c.dpi << " DPI, " << c.chain.size() << " levels";
        EXPECT_EQ(area.right, c.expected.right) << c.dpi << " DPI, " << c.chain.size() << " levels";
        EXPECT_EQ(area.bottom, c.expected.bottom) << c.dpi << " DPI, " << c.chain.size() << " levels";
    }
}

TEST(RectContains, LeftAndTopInsideRightAndBottomOutside) {
    const UiRect r = {10, 20, 30, 40};
    EXPECT_TRUE(RectContains(r, 10, 20));
    EXPECT_TRUE(RectContains(r, 39, 59));
    EXPECT_FALSE(RectContains(r, 40, 30));
    EXPECT_FALSE(RectContains(r, 20, 60));
    EXPECT_FALSE(RectContains(r, 9, 30));
    EXPECT_FALSE(RectContains(r, 20, 19));
    EXPECT_FALSE(RectContains({0, 0, 0, 0}, 0, 0));
}

TEST(Ltrb, IntersectionAndContainment) {
    const UiLtrb a = {0, 0, 10, 10};
    EXPECT_TRUE(Intersects(a, {9, 9, 20, 20}));
    EXPECT_FALSE(Intersects(a, {10, 0, 20, 10}));  // touching edges share no pixel
    EXPECT_FALSE(Intersects(a, {5, 5, 5, 8}));     // empty
    EXPECT_FALSE(Intersects({8, 0, 2, 10}, a));    // not normalised: empty, not flipped
    const UiLtrb cut = Intersect({0, 0, 10, 10}, {12, 2, 20, 8});
    EXPECT_EQ(cut.left, 12);
    EXPECT_EQ(cut.right, 10);
    EXPECT_TRUE(IsEmpty(cut));
    EXPECT_TRUE(Contains(a, {0, 0, 10, 10}));
    EXPECT_FALSE(Contains(a, {0, 0, 11, 10}));
    const UiLtrb grown = Grow(a, 2);
    EXPECT_EQ(grown.left, -2);
    EXPECT_EQ(grown.bottom, 12);
}

TEST(TooltipGeometry, SplitsAtLineFeeds) {
    EXPECT_EQ(SplitTooltipLines(L"one").size(), 1u);
    const auto two = SplitTooltipLines(L"first\nsecond line");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], L"first");
    EXPECT_EQ(two[1], L"second line");
    const auto trailing = SplitTooltipLines(L"a\n");
    ASSERT_EQ(trailing.size(), 2u);
    EXPECT_EQ(trailing[1], L"");
}

TEST(TooltipGeometry, OpensBelowRightOfThePointer) {
    DpiScope dpi(96);
    ExpectRect(PlaceTooltip(100, 1, {10, 10}, 520, 374), 20, 26, 120, 30);
}

TEST(TooltipGeometry, FlipsInsideTheClientArea) {
    DpiScope dpi(96);
    // Near the right edge it slides left so that its right side meets the client edge.
    ExpectRect(PlaceTooltip(100, 1, {480, 10}, 520, 374), 400, 26, 120, 30);
    // Near the bottom it opens above the pointer.
    ExpectRect(PlaceTooltip(100, 1, {10, 360}, 520, 374), 20, 324, 120, 30);
    // In a client area too small for it, it keeps to the top-left corner.
    ExpectRect(PlaceTooltip(100, 1, {5, 5}, 50, 20), 0, 0, 120, 30);
}

TEST(TooltipGeometry, TwoLinesAt144Dpi) {
    DpiScope dpi(144);
    const UiRect r = PlaceTooltip(90, 2, {100, 100}, 780, 561);
    ExpectRect(r, 115, 124, 90 + 30, 18 + 2 * 27);
    ExpectRect(TooltipLineBox(r, 0), 130, 133, 90, 27);
    ExpectRect(TooltipLineBox(r, 1), 130, 160, 90, 27);
}

TEST(FrameZone, BordersCornersCaptionAndButtons) {
    const UiFrameMetrics framed = {200, 100, 4, 30};
    struct Case {
        int x, y;
        bool onButton;
        UiFrameZone expected;
    };
    const Case cases[] = {
        {0, 0, false, UiFrameZone::TopLeft},     {199, 3, false, UiFrameZone::TopRight},
        {3, 99, false, UiFrameZone::BottomLeft}, {196, 96, false, UiFrameZone::BottomRight},
        {0, 50, false, UiFrameZone::Left},       {196, 50, false, UiFrameZone::Right},
        {100, 3, false, UiFrameZone::Top},       {100, 96, false, UiFrameZone::Bottom},
        {100, 4, false, UiFrameZone::Caption},   {100, 29, false, UiFrameZone::Caption},
        {100, 10, true, UiFrameZone::Client},    {100, 30, false, UiFrameZone::Client},
        {195, 95, false, UiFrameZone::Client},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameZoneAt(c.x, c.y, framed, c.onButton), c.expected) << c.x << "," << c.y;

    const UiFrameMetrics maximised = {200, 100, 0, 30};  // no resize borders
    EXPECT_EQ(FrameZoneAt(0, 0, maximised, false), UiFrameZone::Caption);
    EXPECT_EQ(FrameZoneAt(0, 99, maximised, false), UiFrameZone::Client);
}

// Shrinking by area: whole and partial coverage, alpha-weighted colour, and the sizes refused.
#include "uie/controls/UiPixelShrink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using UIE::ShrinkPixels;
using UIE::UiPngPixels;

namespace {

// One row of pixels in the decoder's layout (a leading byte before the row).
UiPngPixels Row(const std::vector<uint8_t>& values, bool alpha) {
    UiPngPixels pixels;
    pixels.alpha = alpha;
    pixels.width = static_cast<int>(values.size()) / (alpha ? 4 : 3);
    pixels.height = 1;
    pixels.stride = 1 + values.size();
    pixels.bytes.push_back(0);
    pixels.bytes.insert(pixels.bytes.end(), values.begin(), values.end());
    return pixels;
}

std::vector<uint8_t> RowOf(const UiPngPixels& pixels) {
    const uint8_t* row = pixels.Row(0);
    return std::vector<uint8_t>(row, row + pixels.width * (pixels.alpha ? 4 : 3));
}

}  // namespace

TEST(UiPixelShrinkTest, AveragesTheAreaUnderEachPixel) {
    struct Case {
        const char* what;
        std::vector<uint8_t> source;
        bool alpha;
        int width;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"halving averages pairs",
         {0, 0, 0, 200, 100, 50, 10, 10, 10, 30, 30, 30},
         false,
         2,
         {100, 50, 25, 20, 20, 20}},
        {"three into two shares the middle pixel",
         {90, 90, 90, 0, 0, 0, 30, 30, 30},
         false,
         2,
         {60, 60, 60, 20, 20, 20}},
        {"the same size copies", {1, 2, 3, 4, 5, 6}, false, 2, {1, 2, 3, 4, 5, 6}},
        {"a transparent pixel lends no colour", {0, 0, 255, 255, 255, 0, 0, 0}, true, 1, {0, 0, 255, 128}},
        {"all transparent stays black", {9, 9, 9, 0, 7, 7, 7, 0}, true, 1, {0, 0, 0, 0}},
        {"colour is weighted by alpha", {255, 0, 0, 255, 0, 0, 255, 85}, true, 1, {191, 0, 64, 170}},
        {"three into two weights colour by alpha too",
         {100, 0, 0, 255, 0, 250, 0, 0, 0, 0, 200, 255},
         true,
         2,
         {100, 0, 0, 170, 0, 0, 200, 170}},
    };
    for (const Case& c : cases) {
        UiPngPixels out;
        ASSERT_TRUE(ShrinkPixels(Row(c.source, c.alpha), c.width, 1, out)) << c.what;
        EXPECT_EQ(out.width, c.width) << c.what;
        EXPECT_EQ(out.alpha, c.alpha) << c.what;
        EXPECT_EQ(RowOf(out), c.expected) << c.what;
    }
}

TEST(UiPixelShrinkTest, AveragesRowsAsWellAsColumns) {
    UiPngPixels square = Row({0, 0, 0, 40, 40, 40}, false);  // 2 x 2: a dark row over a light one
    square.height = 2;
    square.bytes.push_back(0);
    for (uint8_t value : {80, 80, 80, 120, 120, 120})
        square.bytes.push_back(value);
    UiPngPixels out;
    ASSERT_TRUE(ShrinkPixels(square, 1, 1, out));
    EXPECT_EQ(RowOf(out), (std::vector<uint8_t>{60, 60, 60}));
}

TEST(UiPixelShrinkTest, RefusesEmptyAndLargerTargets) {
    const UiPngPixels source = Row({1, 2, 3, 4, 5, 6}, false);
    UiPngPixels out;
    EXPECT_FALSE(ShrinkPixels(source, 0, 1, out));
    EXPECT_FALSE(ShrinkPixels(source, 3, 1, out));
    EXPECT_FALSE(ShrinkPixels(source, 2, 2, out));
    EXPECT_EQ(out.width, 0);
}

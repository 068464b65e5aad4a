// Glyphs read back from a memory buffer's pixels.
#include "uie/controls/UiGlyphs.h"

#include <gtest/gtest.h>

#include <string>

#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;

namespace {

class UiGlyphsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(buffer.Create(64, 40)); }

    // Paints one glyph on white and returns the rows of its box as '#' (dark) and '.' (light).
    std::string Draw(int type, int x, int y, int width, int height, int lineWidth) {
        buffer.Paint([&](UiCanvas& canvas) { DrawGlyph(canvas, type, x, y, width, height, 0xFF000000, lineWidth); });
        std::string rows;
        for (int row = y; row < y + height; ++row) {
            for (int column = x; column < x + width; ++column)
                rows += (buffer.Px(column, row) & 0xFF) < 128 ? '#' : '.';
            rows += '\n';
        }
        return rows;
    }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    uitest::PaintBuffer buffer;
};

}  // namespace

TEST_F(UiGlyphsTest, CrossIsExactlyTheTwoDiagonals) {
    std::string expected;
    for (int row = 0; row < 24; ++row) {
        for (int column = 0; column < 24; ++column) {
            const bool diagonal = row >= 7 && row <= 17 && (column == row || column == 24 - row);
            expected += diagonal ? '#' : '.';
        }
        expected += '\n';
    }
    EXPECT_EQ(Draw(kGlyphCross, 0, 0, 24, 24, 1), expected);
    EXPECT_EQ(Draw(kGlyphCross, 0, 0, 24, 24, 0), expected);  // a width of 0 draws 1 px lines
}

// A 46 × 30 box holds a centred 30 px square: the grid starts at x + 8 with 1.25 px a unit, so the
// square of type 1 runs from 15.5 to 30.5.
TEST_F(UiGlyphsTest, WideBoxUsesACentredSquareGrid) {
    const std::string rows = Draw(kGlyphSquare, 0, 0, 46, 30, 1);
    const std::string middle = rows.substr(15 * 47, 46);
    EXPECT_EQ(middle.find('#'), 16u) << rows;
    EXPECT_EQ(middle.rfind('#'), 31u) << rows;
    EXPECT_EQ(middle.substr(17, 14), std::string(14, '.')) << rows;
}

TEST_F(UiGlyphsTest, UnknownTypesAndEmptyBoxesDrawNothing) {
    auto anyDark = [&] {
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 64; ++x) {
                if ((buffer.Px(x, y) & 0xFF) < 128)
                    return true;
            }
        }
        return false;
    };
    Draw(11, 0, 0, 24, 24, 1);
    EXPECT_FALSE(anyDark());
    Draw(-1, 0, 0, 24, 24, 1);
    EXPECT_FALSE(anyDark());
    Draw(kGlyphCircleDot, 10, 10, 0, 24, 3);
    EXPECT_FALSE(anyDark());
    Draw(kGlyphCircleDot, 10, 10, 24, 24, 3);
    EXPECT_TRUE(anyDark());  // the same call with a width does draw
}

// Straight RGBA from the rasterizer to premultiplied BGRA for GDI+, with and without a tint, and
// the aspect-keeping fit.
#include "uie/controls/SvgPixels.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>

using UIE::StraightRgbaToPremultipliedBgra;

TEST(SvgPixelsTest, ConvertsEachPixelToPremultipliedBgra) {
    using Pixel = std::array<uint8_t, 4>;
    struct Case {
        Pixel rgba;
        int32_t tint;
        Pixel bgra;
    };
    const Case cases[] = {
        {{0xFF, 0x74, 0x67, 0xFF}, -1, {0x67, 0x74, 0xFF, 0xFF}},          // opaque: bytes swapped
        {{0xFF, 0x80, 0x10, 0x80}, -1, {0x08, 0x40, 0x80, 0x80}},          // half coverage, rounded down
        {{0xFF, 0xFF, 0xFF, 0x00}, -1, {0x00, 0x00, 0x00, 0x00}},          // no coverage
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0x008C8784, {0x84, 0x87, 0x8C, 0xFF}},  // white becomes the tint
        {{0x00, 0x00, 0x00, 0x80}, 0x008C8784, {0x42, 0x43, 0x46, 0x80}},  // the tint keeps coverage only
        {{0x12, 0x34, 0x56, 0xFF}, 0, {0x00, 0x00, 0x00, 0xFF}},           // tint 0 is black, not "none"
        {{0x12, 0x34, 0x56, 0xFF}, INT32_MIN, {0x56, 0x34, 0x12, 0xFF}},   // any negative tint is "none"
    };
    for (const Case& c : cases) {
        Pixel pixel = c.rgba;
        StraightRgbaToPremultipliedBgra(pixel.data(), 1, c.tint);
        EXPECT_EQ(pixel, c.bgra) << "tint " << c.tint << " alpha " << int(c.rgba[3]);
    }
}

TEST(SvgPixelsTest, FitKeepsTheAspectRatio) {
    EXPECT_FLOAT_EQ(UIE::SvgFitScale(56, 56, 48, 48), 48.0f / 56.0f);
    EXPECT_FLOAT_EQ(UIE::SvgFitScale(56, 56, 96, 48), 48.0f / 56.0f);
    EXPECT_FLOAT_EQ(UIE::SvgFitScale(100, 50, 50, 50), 0.5f);
}

TEST(SvgPixelsTest, RasterSizesThatOverflowAreRefused) {
    struct Case {
        int width, height;
        uint64_t limit;  // UINT32_MAX stands for the 32-bit build's SIZE_MAX
        bool fits;
    };
    const Case cases[] = {
        {48, 48, UINT32_MAX, true},         {0, 48, UINT32_MAX, false},
        {65536, 16383, UINT32_MAX, true},   {65536, 16384, UINT32_MAX, false},  // 2^32 bytes wraps to 0
        {INT_MAX / 4, 1, UINT64_MAX, true}, {INT_MAX / 4 + 1, 1, UINT64_MAX, false},
    };
    for (const Case& c : cases) {
        size_t bytes = 0;
        EXPECT_EQ(UIE::SvgRasterBytes(c.width, c.height, c.limit, bytes), c.fits) << c.width << " x " << c.height;
        if (c.fits) {
            EXPECT_EQ(bytes, static_cast<size_t>(c.width) * static_cast<size_t>(c.height) * 4u);
        }
    }
}

// The process-wide image cache over this executable's PNG resources and files on disk, and the
// image control's fit, fill and clip, read back from a memory buffer.
#include "uie/controls/UiImageCache.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/TestDirs.h"
#include "uie/controls/CUiImage.h"
#include "uie/controls/UiResources.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;
using namespace Gdiplus::DllExports;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kImage = 0x2060A0;

UINT Width(UiBitmap* bitmap) {
    UINT value = 0;
    GdipGetImageWidth(bitmap->native, &value);
    return value;
}

class ImageCacheTest : public ::testing::Test {
protected:
    void SetUp() override { cache.Clear(); }
    void TearDown() override { cache.Clear(); }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    UiImageCache& cache = UiImageCache::Instance();
    HMODULE self = GetModuleHandleW(nullptr);
};

}  // namespace

TEST_F(ImageCacheTest, ResourcesAreDecodedOnceAndScaledCopiesKeptBeside) {
    UiBitmap* header = cache.LoadFromResource(self, 102);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(Width(header), 1040u);
    EXPECT_EQ(cache.LoadFromResource(self, 102), header);
    EXPECT_EQ(cache.Size(), 1u);

    uitest::DpiScope dpi(144);
    UiBitmap* logo = cache.LoadFromResourceScaled(self, 104, 24, 24);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(Width(logo), 36u);
    EXPECT_TRUE(cache.Contains(L"res://104|36x36"));
    EXPECT_FALSE(cache.Contains(L"res://104"));  // shrunk from its pixels, no natural-size copy kept
    EXPECT_EQ(cache.LoadFromResourceScaled(self, 104, 24, 24), logo);

    EXPECT_EQ(cache.LoadFromResource(self, 4321), nullptr);
    EXPECT_EQ(cache.LoadFromResourceScaled(self, 4321, 24, 24), nullptr);
    EXPECT_EQ(cache.Size(), 2u);  // no entry for the missing id
    cache.Clear();
    EXPECT_EQ(cache.Size(), 0u);
}

TEST_F(ImageCacheTest, FailedFileLoadsAreRetried) {
    const std::wstring dir = TestSupport::MakeTempDir(L"image-cache");
    const std::wstring path = dir + L"\\avatar.png";
    EXPECT_EQ(cache.LoadFromFileScaled(path), nullptr);
    EXPECT_EQ(cache.Size(), 0u);

    const UiResourceBytes png = FindRcData(self, 104);
    ASSERT_NE(png.data, nullptr);
    ASSERT_TRUE(TestSupport::WriteFileBytes(path, std::string(static_cast<const char*>(png.data), png.size)));
    UiBitmap* avatar = cache.LoadFromFileScaled(path);
    ASSERT_NE(avatar, nullptr);
    EXPECT_EQ(Width(avatar), 30u);
    EXPECT_TRUE(cache.Contains(path));
    EXPECT_TRUE(cache.Contains(path + L"|30x30"));
    cache.Clear();  // GDI+ keeps the file open while its bitmap lives
    TestSupport::RemoveTree(dir);
}

TEST_F(ImageCacheTest, ImageControlFitsFillsAndClips) {
    // A solid 1040 × 520 picture, like the header.
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status = GdipCreateBitmapFromScan0(1040, 520, 0, PixelFormat32bppARGB, nullptr, &native);
    UiBitmapPtr picture = WrapGdipNative(native, status);
    ASSERT_TRUE(picture && picture->native);
    {
        Gdiplus::GpGraphics* g = nullptr;
        GdipGetImageGraphicsContext(picture->native, &g);
        UiGraphicsPtr graphics = WrapGdipNative(g, Gdiplus::Ok);
        GdipGraphicsClear(g, 0xFF000000 | kImage);
    }
    uitest::PaintBuffer buffer;
    ASSERT_TRUE(buffer.Create(600, 300));
    CUiImage image;
    image.bitmap = picture.get();

    struct Case {
        const char* what;
        UiRect bounds;
        int fit;
        int radius;
        std::vector<std::pair<int, int>> inside, outside;
    };
    const Case cases[] = {
        {"header box", {0, 0, 520, 260}, kFitContain, 0, {{1, 1}, {518, 258}}, {{520, 130}, {260, 260}}},
        // Letterboxed: the picture is 200 × 100 in the middle of the square.
        {"contain", {0, 0, 200, 200}, kFitContain, 0, {{100, 60}, {1, 140}}, {{100, 40}, {100, 160}}},
        {"cover", {0, 0, 200, 200}, kFitCover, 0, {{1, 1}, {199, 199}}, {{200, 100}, {100, 200}}},
        {"rounded", {0, 0, 200, 200}, kFitCover, -1, {{8, 0}, {100, 100}}, {{0, 0}, {199, 199}}},
    };
    for (const Case& c : cases) {
        image.bounds = c.bounds;
        image.fitMode = c.fit;
        image.cornerRadius = c.radius;
        buffer.PaintControl(image);
        for (auto [x, y] : c.inside)
            EXPECT_EQ(buffer.Px(x, y), kImage) << c.what << " " << x << "," << y;
        for (auto [x, y] : c.outside)
            EXPECT_EQ(buffer.Px(x, y), kWhite) << c.what << " " << x << "," << y;
    }
    image.bitmap = nullptr;
    image.backgroundColour = 0xFFA02060;
    image.cornerRadius = 0;
    buffer.PaintControl(image);
    EXPECT_EQ(buffer.Px(100, 100), 0xA02060u);  // no bitmap: only the background
}

TEST_F(ImageCacheTest, OpaquePictureAtItsOwnSizeIsCopiedPixelForPixelWithinTheClip) {
    // Every pixel its own colour, so that an offset, a flip or a blend shows. The width's rows
    // are padded (39 × 3 bytes), as odd widths are.
    constexpr int kWidth = 39;
    constexpr int kHeight = 30;
    auto colour = [](int x, int y) { return static_cast<uint32_t>((x * 6) << 16 | (y * 8) << 8 | 0x40); };
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status =
        GdipCreateBitmapFromScan0(kWidth, kHeight, 0, PixelFormat24bppRGB, nullptr, &native);
    UiBitmapPtr picture = WrapGdipNative(native, status);
    ASSERT_TRUE(picture && picture->native);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(GdipBitmapSetPixel(picture->native, x, y, 0xFF000000 | colour(x, y)), Gdiplus::Ok);
    uitest::PaintBuffer buffer;
    ASSERT_TRUE(buffer.Create(100, 80));
    CUiImage image;
    image.bitmap = picture.get();
    image.bounds = {10, 20, kWidth, kHeight};
    // A parent that ends at x = 30 cuts the picture's right part off.
    buffer.Paint([&](UiCanvas& canvas) {
        canvas.PushControl({0, 0, 30, 80}, 0);
        image.PaintTree(canvas);
        canvas.Pop();
    });
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t expected = 10 + x < 30 ? colour(x, y) : kWhite;
            ASSERT_EQ(buffer.Px(10 + x, 20 + y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(buffer.Px(9, 20), kWhite);
    EXPECT_EQ(buffer.Px(10, 19), kWhite);
    EXPECT_EQ(buffer.Px(10, 20 + kHeight), kWhite);
}

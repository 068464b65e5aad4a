// SVG icons rasterized through nanosvg into GDI+ bitmaps, drawn into a back buffer and read back;
// the per-icon bitmap cache; the named icon registry over this executable's own resources.
#include "uie/controls/SvgIcon.h"

#include <gtest/gtest.h>

#include "uie/controls/UiIconRegistry.h"
#include "uie/controls/UiResources.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBadge = 0xFF7467;

// A 56 px orange disc with a white stroke through its lower half.
const char kBadgeSvg[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='56' height='56' viewBox='0 0 56 56'>"
    "<circle cx='28' cy='28' r='28' fill='#FF7467'/>"
    "<path d='M8 44 L48 44' stroke='#FFFFFF' stroke-width='6'/></svg>";

class SvgIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(paint_.Create(128, 64));
        ASSERT_TRUE(icon.Parse(kBadgeSvg));
    }
    void Draw(SvgIcon& target, int width, int height, int32_t tint) {
        paint_.Paint([&](UiCanvas& canvas) { target.Draw(canvas, 0, 0, width, height, tint); });
    }
    uint32_t Px(int x, int y) const { return paint_.Px(x, y); }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    uitest::PaintBuffer paint_;
    SvgIcon icon;
};

}  // namespace

TEST_F(SvgIconTest, OwnColoursAndTintedSilhouetteAreSeparateBitmaps) {
    Draw(icon, 48, 48, -1);
    EXPECT_EQ(Px(24, 20), kBadge);
    EXPECT_EQ(Px(24, 37), kWhite);  // the stroke, at 44 × 48 / 56
    EXPECT_EQ(Px(1, 1), kWhite);    // outside the disc: transparent

    Draw(icon, 48, 48, 0x008C8784);
    EXPECT_EQ(Px(24, 20), 0x8C8784u);
    EXPECT_EQ(Px(24, 37), 0x8C8784u);  // the white stroke is part of the silhouette
    EXPECT_EQ(Px(1, 1), kWhite);
    EXPECT_EQ(icon.CachedBitmaps(), 2u);
    EXPECT_TRUE(icon.IsCached(48, 48, -1));
    EXPECT_TRUE(icon.IsCached(48, 48, 0x008C8784));
}

TEST_F(SvgIconTest, WideTargetKeepsTheAspectFromTheTopLeft) {
    Draw(icon, 96, 48, -1);
    EXPECT_EQ(Px(24, 20), kBadge);
    EXPECT_EQ(Px(46, 24), kBadge);  // the disc still reaches the left square's right edge
    EXPECT_EQ(Px(72, 24), kWhite);  // the right half stays transparent
    EXPECT_EQ(Px(95, 47), kWhite);
}

TEST_F(SvgIconTest, EmptySizesAndBadInputDrawNothing) {
    Draw(icon, 0, 20, -1);
    Draw(icon, 20, -1, -1);
    EXPECT_EQ(icon.CachedBitmaps(), 0u);
    EXPECT_EQ(icon.GetBitmap(0, 20, -1), nullptr);

    const UiResourceBytes png = FindRcData(GetModuleHandleW(nullptr), 104);
    ASSERT_NE(png.data, nullptr);
    SvgIcon notSvg;
    EXPECT_FALSE(notSvg.Parse(std::string(static_cast<const char*>(png.data), png.size)));
    EXPECT_FALSE(notSvg.LoadFromResource(GetModuleHandleW(nullptr), 104));
    EXPECT_FALSE(notSvg.LoadFromResource(GetModuleHandleW(nullptr), 4321));
    EXPECT_FALSE(notSvg.Parse(""));
    Draw(notSvg, 48, 48, -1);
    EXPECT_EQ(Px(24, 24), kWhite);
    EXPECT_EQ(notSvg.GetBitmap(48, 48, -1), nullptr);
}

TEST_F(SvgIconTest, AFailedLoadDropsTheOldPicturesBitmaps) {
    ASSERT_NE(icon.GetBitmap(48, 48, -1), nullptr);
    EXPECT_FALSE(icon.LoadFromResource(GetModuleHandleW(nullptr), 4321));
    EXPECT_EQ(icon.CachedBitmaps(), 0u);
    EXPECT_EQ(icon.GetBitmap(48, 48, -1), nullptr);
}

TEST_F(SvgIconTest, CacheKeepsThirtyTwoBitmapsEvictingTheLeastRecentlyUsed) {
    for (int size = 1; size <= 32; ++size) {
        ASSERT_NE(icon.GetBitmap(size, size, -1), nullptr);
        Sleep(20);  // distinct ticks
    }
    icon.GetBitmap(1, 1, -1);  // the oldest is used again
    Sleep(20);
    ASSERT_NE(icon.GetBitmap(33, 33, -1), nullptr);
    EXPECT_EQ(icon.CachedBitmaps(), 32u);
    EXPECT_TRUE(icon.IsCached(1, 1, -1));
    EXPECT_FALSE(icon.IsCached(2, 2, -1));
    EXPECT_TRUE(icon.IsCached(33, 33, -1));
}

TEST_F(SvgIconTest, ResourceIconsDrawAtTheirScale) {
    SvgIcon badge;
    ASSERT_TRUE(badge.LoadFromResource(GetModuleHandleW(nullptr), 105));
    Draw(badge, 48, 48, -1);
    EXPECT_EQ(Px(24, 6), kBadge);  // 56 px art at 48 / 56 fills the box
    EXPECT_EQ(Px(0, 0), kWhite);
}

TEST_F(SvgIconTest, RegistryResolvesNamesOnceAndCaseSensitively) {
    SvgIcon* menu = FindIcon(L"chrome_menu");  // resource 105, the badge SVG
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(FindIcon(L"chrome_menu"), menu);
    const size_t known = RegisteredIconCount();

    struct Case {
        const wchar_t* name;
        size_t storedAfter;
    };
    // "gear" (109) is missing, "back" (102) is a PNG: both are remembered as failures, once.
    // Unknown names, other cases and the empty name store nothing.
    for (const Case& c : {Case{L"gear", known + 1}, Case{L"gear", known + 1}, Case{L"back", known + 2},
                          Case{L"Gear", known + 2}, Case{L"", known + 2}, Case{L"nonesuch", known + 2}}) {
        EXPECT_EQ(FindIcon(c.name), nullptr) << c.name;
        EXPECT_EQ(RegisteredIconCount(), c.storedAfter) << c.name;
    }

    SvgIcon own;
    ASSERT_TRUE(own.Parse(kBadgeSvg));
    SetIconResolver([&own](const std::wstring& name) { return name == L"gear" ? &own : nullptr; });
    EXPECT_EQ(FindIcon(L"gear"), &own);
    EXPECT_EQ(FindIcon(L"chrome_menu"), menu);  // a null answer falls through
    SetIconResolver(nullptr);
}

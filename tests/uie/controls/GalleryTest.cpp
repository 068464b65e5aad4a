// The control gallery painted whole at 96 and 192 DPI: a few landmarks read back, and the pictures
// saved beside the test as gallery-DPI.png for people to look at.
#include <gtest/gtest.h>

#include <string>

#include "tools/gallery/GalleryPage.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"
#include "uie/core/UiTheme.h"

using namespace UIE;
using namespace Gdiplus::DllExports;

namespace {

bool SavePng(HBITMAP bitmap, const std::wstring& path) {
    // GDI+'s built-in PNG encoder.
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status = GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &native);
    UiBitmapPtr image = WrapGdipNative(native, status);
    return image && image->native && GdipSaveImageToFile(image->native, path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace

TEST(GalleryTest, PaintsEveryControlAtEachDpi) {
    uitest::GdiplusSession gdiplus;
    const UiTheme saved = GetTheme();
    GetTheme().accent = GetTheme().accentGradientStart = GetTheme().accentGradientEnd = 0xFFFF7467;
    GetTheme().secondaryText = 0xFF84878C;
    for (int dpiValue : {96, 192}) {
        uitest::TextDpiScope dpi(dpiValue);
        CUiControl root;
        const Gallery::GalleryPage page = Gallery::BuildGalleryPage(&root, 105);
        const int width = Scale(Gallery::kPageWidthDip);
        const int height = Scale(Gallery::kPageHeightDip);
        uitest::PaintBuffer paint;
        ASSERT_TRUE(paint.Create(width, height));
        paint.PaintControl(root);
        const UiBackBuffer& buffer = paint.buffer;

        EXPECT_EQ(buffer.PixelAt(Scale(166), Scale(322)), 0xFF7467u) << dpiValue;  // the install button
        EXPECT_EQ(buffer.PixelAt(Scale(30), Scale(277)), 0xFF7467u) << dpiValue;   // 37 % of the bar
        EXPECT_EQ(buffer.PixelAt(Scale(400), Scale(277)), 0xEFEFEFu) << dpiValue;  // its empty track
        EXPECT_EQ(buffer.PixelAt(Scale(474), Scale(206)), 0xFF7467u) << dpiValue;  // the badge's disc
        EXPECT_EQ(buffer.PixelAt(Scale(32), Scale(182)), 0xFF7467u) << dpiValue;   // the ticked box
        EXPECT_NE(buffer.PixelAt(Scale(36), Scale(28)), buffer.PixelAt(Scale(60), Scale(28))) << dpiValue;  // logo
        EXPECT_TRUE(
            SavePng(static_cast<HBITMAP>(buffer.bufferBitmap.Get()), L"gallery-" + std::to_wstring(dpiValue) + L".png"))
            << dpiValue;
        EXPECT_NE(page.installButton, nullptr);
    }
    GetTheme() = saved;
}

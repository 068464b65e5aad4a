#include "uie/controls/CUiImage.h"

#include <algorithm>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"

namespace UIE {

using namespace Gdiplus::DllExports;

UiAccessInfo CUiImage::Describe() {
    UiAccessInfo info;
    if (!accessName.empty()) {
        info.role = UiRole::Graphic;
        info.name = accessName;
    }
    return info;
}

void CUiImage::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    const float radius = static_cast<float>(Scale(cornerRadius < 0 ? 8 : cornerRadius));
    if ((backgroundColour >> 24) != 0)
        canvas.FillRoundRect(radius, {0, 0, px.width, px.height}, backgroundColour);
    if (!bitmap || !bitmap->native)
        return;
    UINT imageWidth = 0;
    UINT imageHeight = 0;
    GdipGetImageWidth(bitmap->native, &imageWidth);
    GdipGetImageHeight(bitmap->native, &imageHeight);
    if (imageWidth < 1 || imageHeight < 1)
        return;
    const float iw = static_cast<float>(imageWidth);
    const float ih = static_cast<float>(imageHeight);
    const float sx = static_cast<float>(px.width) / iw;
    const float sy = static_cast<float>(px.height) / ih;
    const float scale = fitMode == kFitCover ? std::max(sx, sy) : std::min(sx, sy);
    const float dw = scale * iw;
    const float dh = scale * ih;
    const float dx = (static_cast<float>(px.width) - dw) * 0.5f;
    const float dy = (static_cast<float>(px.height) - dh) * 0.5f;
    // A square box that the picture fills at its own size (the header, shrunk beforehand) needs
    // no resampling: an opaque one is copied as it stands.
    if (radius <= 0.0f && scale == 1.0f && dx == 0.0f && dy == 0.0f && canvas.CopyOpaqueBitmap(bitmap, 0, 0))
        return;

    UiCanvas::GraphicsFrame frame(canvas);
    Gdiplus::GpGraphics* g = frame.Target();
    if (!g)
        return;
    // The image's clip narrows the control's clip from the canvas and is undone after drawing.
    // (A container would reset the clip under Wine's GDI+.)
    Gdiplus::GraphicsState state = 0;
    const Gdiplus::GpStatus saved = GdipSaveGraphics(g, &state);
    frame.Keep(saved);
    if (saved != Gdiplus::Ok)
        return;
    UiPathPtr rounded;
    if (radius > 0.0f)
        rounded = UiCanvas::CreateRoundRectPath(0.0f, 0.0f, static_cast<float>(px.width), static_cast<float>(px.height),
                                                radius);
    if (rounded && rounded->native)
        frame.Keep(GdipSetClipPath(g, rounded->native, Gdiplus::CombineModeIntersect));
    else  // the picture where it lies, never past the box (a cover picture overhangs it)
        frame.Keep(GdipSetClipRect(g, std::max(dx, 0.0f), std::max(dy, 0.0f), std::min(dw, static_cast<float>(px.width)),
                                   std::min(dh, static_cast<float>(px.height)), Gdiplus::CombineModeIntersect));
    frame.Keep(GdipSetInterpolationMode(g, Gdiplus::InterpolationModeHighQualityBicubic));
    frame.Keep(GdipDrawImageRectRect(g, bitmap->native, dx, dy, dw, dh, 0.0f, 0.0f, iw, ih, Gdiplus::UnitPixel, nullptr,
                                     nullptr, nullptr));
    GdipRestoreGraphics(g, state);
}

}  // namespace UIE

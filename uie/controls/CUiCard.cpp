#include "uie/controls/CUiCard.h"

#include <algorithm>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"

namespace UIE {

using namespace Gdiplus::DllExports;

namespace {
constexpr int kDefaultRadiusDip = 8;
}

UiSize CUiCard::Measure(int availableWidth) {
    if (children.empty())
        return {};
    const int offered = availableWidth < 1 ? -1 : availableWidth - padding.left - padding.right;
    return children.front()->Measure(offered);  // the padding is not added
}

void CUiCard::Layout() {
    if (children.empty())
        return;
    children.front()->Arrange({padding.left, padding.top, bounds.width - padding.left - padding.right,
                               bounds.height - padding.top - padding.bottom});
}

void CUiCard::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    if (perCornerRadii) {
        PaintPerCorner(canvas, px.width, px.height);
        return;
    }
    const float radius = static_cast<float>(Scale(cornerRadius < 0 ? kDefaultRadiusDip : cornerRadius));
    const UiRect box = {0, 0, px.width, px.height};
    if (gradient)
        canvas.FillRoundRectGradient(box, gradientStart, gradientEnd, gradientMode, radius);
    else
        canvas.FillRoundRect(radius, box, fillColour);
    if (HasBorder())
        canvas.StrokeRoundRect(radius, box, borderColour, BorderPixels());
}

float CUiCard::BorderPixels() const {
    return static_cast<float>(std::max(1, borderWidth * GetDpi().dpi / 96));
}

// One closed path from the four radii, clockwise from the top-left corner's end.
void CUiCard::PaintPerCorner(UiCanvas& canvas, int width, int height) {
    UiPathPtr path = CreateGdipPath();
    if (!path || !path->native)
        return;
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float tl = static_cast<float>(Scale(topLeftRadius));
    const float tr = static_cast<float>(Scale(topRightRadius));
    const float br = static_cast<float>(Scale(bottomRightRadius));
    const float bl = static_cast<float>(Scale(bottomLeftRadius));
    Gdiplus::GpPath* p = path->native;
    GdipStartPathFigure(p);
    GdipAddPathLine(p, tl, 0, w - tr, 0);
    if (tr > 0)
        GdipAddPathArc(p, w - 2 * tr, 0, 2 * tr, 2 * tr, 270, 90);
    GdipAddPathLine(p, w, tr, w, h - br);
    if (br > 0)
        GdipAddPathArc(p, w - 2 * br, h - 2 * br, 2 * br, 2 * br, 0, 90);
    GdipAddPathLine(p, w - br, h, bl, h);
    if (bl > 0)
        GdipAddPathArc(p, 0, h - 2 * bl, 2 * bl, 2 * bl, 90, 90);
    GdipAddPathLine(p, 0, h - bl, 0, tl);
    if (tl > 0)
        GdipAddPathArc(p, 0, 0, 2 * tl, 2 * tl, 180, 90);
    GdipClosePathFigure(p);
    if (gradient)
        canvas.FillPathGradient(*path, {0, 0, width, height}, gradientStart, gradientEnd, gradientMode);
    else
        canvas.FillPath(*path, fillColour);
    if (HasBorder())
        canvas.StrokePath(*path, borderColour, BorderPixels());
}

}  // namespace UIE

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
    if (!HasBorder())
        return;
    // The pen is centred on its path: the path runs half the pen's width inside the edge, so that
    // a wide border lies wholly inside the card instead of half of it being cut off.
    const float width = BorderPixels();
    const float half = width >= 2.0f ? width / 2.0f : 0.0f;
    UiPathPtr outline = UiCanvas::CreateRoundRectPath(half, half, static_cast<float>(px.width) - 2.0f * half,
                                                      static_cast<float>(px.height) - 2.0f * half,
                                                      std::max(0.0f, radius - half));
    if (outline && outline->native)
        canvas.StrokePath(*outline, borderColour, width);
}

float CUiCard::BorderPixels() const {
    return static_cast<float>(std::max(1, borderWidth * GetDpi().dpi / 96));
}

void CUiCard::PaintPerCorner(UiCanvas& canvas, int width, int height) {
    const int radii[4] = {Scale(topLeftRadius), Scale(topRightRadius), Scale(bottomRightRadius),
                          Scale(bottomLeftRadius)};
    canvas.FillCornerRect({0, 0, width, height}, radii, gradient ? gradientStart : fillColour, gradientEnd,
                          gradient ? gradientMode : -1);
    if (!HasBorder())
        return;
    const float pen = BorderPixels();
    const float half = pen >= 2.0f ? pen / 2.0f : 0.0f;  // inside the card, as above
    UiPathPtr outline = UiCanvas::CreateCornerPath(half, half, static_cast<float>(width) - 2.0f * half,
                                                   static_cast<float>(height) - 2.0f * half, radii);
    if (outline && outline->native)
        canvas.StrokePath(*outline, borderColour, pen);
}

}  // namespace UIE

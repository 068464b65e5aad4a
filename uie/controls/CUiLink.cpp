#include "uie/controls/CUiLink.h"

#include <algorithm>

#include "uie/controls/UiIconRegistry.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {
constexpr int kIconGapDip = 4;
constexpr int kHeightDip = 20;
}  // namespace

UiSize CUiLink::Measure(int) {
    const int textWidth = Unscale(MeasureText(text.c_str(), fontSize, false, -1).width);
    return {iconSize <= 0 ? textWidth : textWidth + iconSize + kIconGapDip, kHeightDip};
}

void CUiLink::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    int x = 0;
    if (SvgIcon* icon = FindIcon(iconName)) {
        const int side = Scale(iconSize);
        icon->Draw(canvas, 0, (px.height - side) / 2, side, side, iconTint);
        x = side + Scale(kIconGapDip);
    }
    if (text.empty())
        return;
    const COLORREF colour = ArgbToColorRef(linkColour);
    canvas.DrawText(text.c_str(), fontSize, colour, {x, 0, px.width - x, px.height}, 0, false);
    if (!IsHovered())
        return;
    const UiSize textPx = MeasureText(text.c_str(), fontSize, false, -1);
    const int y = (px.height + textPx.height) / 2 - Scale(1);
    canvas.DrawLine(x, y, x + textPx.width, y, colour, std::max(1, Scale(1)));
}

UiAccessInfo CUiLink::Describe() {
    return Described(UiRole::Link, text);
}

}  // namespace UIE

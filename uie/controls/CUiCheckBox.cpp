#include "uie/controls/CUiCheckBox.h"

#include <algorithm>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace UIE {

using namespace Gdiplus::DllExports;

namespace {
constexpr int kBoxDip = 16;
constexpr int kCornerDip = 4;
constexpr int kCaptionLeftDip = 24;
constexpr int kCaptionSize = 13;
constexpr Gdiplus::ARGB kUncheckedFill = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kUncheckedBorder = 0xFFCCCCCC;
}  // namespace

UiSize CUiCheckBox::Measure(int) {
    return {Unscale(MeasureText(text.c_str(), kCaptionSize, false, -1).width) + 30, 24};
}

void CUiCheckBox::OnMouseUp(int x, int y) {
    if (x < 0 || y < 0 || x >= bounds.width || y >= bounds.height)
        return;
    Activate();
}

bool CUiCheckBox::Activate() {
    if (!enabled)
        return false;
    checked = !checked;
    Invalidate();
    NotifyAccess(UiAccessEvent::StateChange);
    if (onChange)
        onChange(checked);
    return true;
}

UiAccessInfo CUiCheckBox::Describe() {
    UiAccessInfo info = Described(UiRole::CheckBox, text);
    info.checked = checked;
    return info;
}

void CUiCheckBox::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    const int side = Scale(kBoxDip);
    PaintBox(canvas, (px.height - side) / 2, side);
    if (text.empty())
        return;
    const UiTheme& theme = GetTheme();
    const int left = Scale(kCaptionLeftDip);
    canvas.DrawText(text.c_str(), kCaptionSize, ArgbToColorRef(enabled ? theme.text : theme.secondaryText),
                    {left, 0, px.width - left, px.height}, 0, false);
}

void CUiCheckBox::PaintBox(UiCanvas& canvas, int top, int side) {
    const float radius = static_cast<float>(Scale(kCornerDip));
    if (!checked) {
        canvas.FillRoundRect(radius, {0, top, side, side}, kUncheckedFill);
        const int e = std::max(1, GetDpi().dpi / 96);
        const float half = static_cast<float>(e) / 2.0f;
        UiPathPtr outline = UiCanvas::CreateRoundRectPath(
            half, static_cast<float>(top) + half, static_cast<float>(side - e), static_cast<float>(side - e), radius);
        if (outline && outline->native)
            canvas.StrokePath(*outline, kUncheckedBorder, static_cast<float>(e));
        return;
    }
    canvas.FillRoundRect(radius, {0, top, side, side}, GetTheme().accent);
    if (side <= 0)
        return;
    // The mark is drawn on a 24-unit grid stretched over the box.
    const float u = static_cast<float>(side) / 24.0f;
    const float t = static_cast<float>(top);
    UiPathPtr mark = CreateGdipPath();
    if (!mark || !mark->native)
        return;
    const Gdiplus::PointF points[] = {{5 * u, t + 13 * u}, {10 * u, t + 18 * u}, {19 * u, t + 6 * u}};
    GdipAddPathLine2(mark->native, points, 3);
    canvas.StrokePath(*mark, 0xFFFFFFFF, static_cast<float>(std::max(1, Scale(2))), true);
}

}  // namespace UIE

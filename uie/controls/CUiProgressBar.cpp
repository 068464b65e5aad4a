#include "uie/controls/CUiProgressBar.h"

#include <algorithm>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {
constexpr Gdiplus::ARGB kTrackColour = 0xFFEFEFEF;
}

void CUiProgressBar::SetValue(int percent) {
    const int before = value;
    value = std::clamp(percent, 0, 100);
    Invalidate();
    if (value != before)
        NotifyAccess(UiAccessEvent::ValueChange);
}

UiAccessInfo CUiProgressBar::Describe() {
    UiAccessInfo info = Described(UiRole::ProgressBar, std::wstring());
    info.value = PercentValue(value);
    return info;
}

void CUiProgressBar::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    const float radius = static_cast<float>(px.height) * 0.5f;
    canvas.FillRoundRect(radius, {0, 0, px.width, px.height}, kTrackColour);
    const int filled = px.width * value / 100;
    if (filled <= 0)
        return;
    // The gradient spans the done part, not the whole track.
    const UiTheme& theme = GetTheme();
    canvas.FillRoundRectGradient({0, 0, std::min(filled, px.width), px.height}, theme.accentGradientStart,
                                 theme.accentGradientEnd, 0, radius);
}

}  // namespace UIE

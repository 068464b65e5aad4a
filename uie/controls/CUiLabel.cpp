#include "uie/controls/CUiLabel.h"

#include <algorithm>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace UIE {

CUiLabel::CUiLabel() : textColour(ArgbToColorRef(GetTheme().text)) {}

void CUiLabel::SetText(const std::wstring& value) {
    const bool changed = value != text;
    if (&value != &text)
        text = value;
    RequestLayout();
    if (changed)
        NotifyAccess(UiAccessEvent::NameChange);
}

UiAccessInfo CUiLabel::Describe() {
    UiAccessInfo info;
    if (!text.empty()) {
        info.role = UiRole::StaticText;
        info.name = text;
    }
    return info;
}

UiSize CUiLabel::Measure(int) {
    const int padX = padding.left + padding.right;
    const int padY = padding.top + padding.bottom;
    if (text.empty())
        return {minWidth, fontSize + 8 + padY};
    const UiSize px = MeasureText(text.c_str(), fontSize, bold, -1);
    return {std::max(Unscale(px.width) + 2 + padX, minWidth), Unscale(px.height) + 4 + padY};
}

void CUiLabel::Paint(UiCanvas& canvas) {
    if (text.empty())
        return;
    const UiRect px = GetPixelRect();
    const int left = Scale(padding.left);
    const int top = Scale(padding.top);
    const int width = std::max(0, px.width - left - Scale(padding.right));
    const int height = std::max(0, px.height - top - Scale(padding.bottom));
    canvas.DrawText(text.c_str(), fontSize, textColour & 0xFFFFFF, {left, top, width, height}, textAlignment, bold);
}

}  // namespace UIE

#include "uie/controls/CUiButton.h"

#include <algorithm>

#include "uie/controls/UiIconRegistry.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {
constexpr int kRadiusDip = 6;
constexpr int kHeightDip = 34;
constexpr int kIconLeftDip = 12;
constexpr Gdiplus::ARGB kDisabledStart = 0xFFD8D8D8;
constexpr Gdiplus::ARGB kDisabledEnd = 0xFFC4C4C4;
constexpr Gdiplus::ARGB kDefaultBorder = 0xFFDDDDDD;
constexpr Gdiplus::ARGB kPressedShade = 0x18000000;
constexpr Gdiplus::ARGB kHoverLight = 0x10FFFFFF;
constexpr Gdiplus::ARGB kPressedLight = 0x18FFFFFF;
constexpr Gdiplus::ARGB kTextHover = 0x18FF6B4A;
constexpr Gdiplus::ARGB kTextPressed = 0x28FF6B4A;
constexpr int kHorizontalGradient = 0;
}  // namespace

UiSize CUiButton::Measure(int) {
    const int textWidth = Unscale(MeasureText(text.c_str(), fontSize, style == kButtonFilled, -1).width);
    const int extra = iconName.empty() ? 8 : iconSize + iconGap;
    return {std::max(textWidth + 24 + extra, minWidth), kHeightDip};
}

UiAccessInfo CUiButton::Describe() {
    return Described(UiRole::PushButton, text);
}

void CUiButton::OnClick(int x, int y) {
    if (onClickAt)
        onClickAt(x, y);
    else if (onClick)
        onClick();
}

void CUiButton::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    const UiRect box = {0, 0, px.width, px.height};
    const float radius = static_cast<float>(Scale(kRadiusDip));
    if (style == kButtonFilled)
        PaintFilled(canvas, box, radius);
    else if (style == kButtonOutlined)
        PaintOutlined(canvas, box, radius);
    else
        PaintTextOnly(canvas, box, radius);
}

void CUiButton::PaintFilled(UiCanvas& canvas, const UiRect& box, float radius) {
    const UiTheme& theme = GetTheme();
    if (enabled)
        canvas.FillRoundRectGradient(box, theme.accentGradientStart, theme.accentGradientEnd, kHorizontalGradient,
                                     radius);
    else
        canvas.FillRoundRectGradient(box, kDisabledStart, kDisabledEnd, kHorizontalGradient, radius);
    if (IsPressed())
        canvas.FillRoundRect(radius, box, kPressedShade);
    else if (IsHovered())
        canvas.FillRoundRect(radius, box, kHoverLight);
    // Always white and bold, whatever the text colour field says.
    PaintContent(canvas, box, 0xFFFFFF, true);
}

void CUiButton::PaintOutlined(UiCanvas& canvas, const UiRect& box, float radius) {
    if (customFill) {
        canvas.FillRoundRect(radius, box, fillColour);
        if (IsPressed() && enabled)
            canvas.FillRoundRect(radius, box, kPressedLight);
        else if (IsHovered() && enabled)
            canvas.FillRoundRect(radius, box, kHoverLight);
    } else {
        canvas.FillRoundRect(radius, box, IsHovered() && enabled ? 0xFFFAFAFA : 0xFFFFFFFF);
    }
    const Gdiplus::ARGB border = customBorder && enabled ? borderColour : kDefaultBorder;
    if ((border >> 24) != 0) {
        const int sw = std::max(1, GetDpi().dpi / 96);
        const float half = static_cast<float>(sw) / 2.0f;
        UiPathPtr outline = UiCanvas::CreateRoundRectPath(half, half, static_cast<float>(box.width - sw),
                                                          static_cast<float>(box.height - sw), radius);
        if (outline && outline->native)
            canvas.StrokePath(*outline, border, static_cast<float>(sw));
    }
    PaintContent(canvas, box, CaptionColour(GetTheme().text), false);
}

void CUiButton::PaintTextOnly(UiCanvas& canvas, const UiRect& box, float radius) {
    if (IsHovered() && enabled)
        canvas.FillRoundRect(radius, box, kTextHover);
    if (IsPressed() && enabled)
        canvas.FillRoundRect(radius, box, kTextPressed);
    PaintContent(canvas, box, CaptionColour(GetTheme().accent), false);
}

COLORREF CUiButton::CaptionColour(Gdiplus::ARGB styleDefault) const {
    if (!enabled)
        return ArgbToColorRef(GetTheme().secondaryText);
    return textColour == -1 ? ArgbToColorRef(styleDefault) : static_cast<COLORREF>(textColour) & 0xFFFFFF;
}

void CUiButton::PaintContent(UiCanvas& canvas, const UiRect& box, COLORREF colour, bool bold) {
    if (iconName.empty()) {
        canvas.DrawText(text.c_str(), fontSize, colour, box, kTextCenter, bold);
        return;
    }
    const int side = Scale(iconSize);
    const int gap = Scale(iconGap);
    int x0 = Scale(kIconLeftDip);
    if (centreContent) {
        const int textWidth = MeasureText(text.c_str(), fontSize, bold, -1).width;
        x0 = std::max(0, (box.width - textWidth - gap - side) / 2);
    }
    if (SvgIcon* icon = FindIcon(iconName))
        icon->Draw(canvas, x0, (box.height - side) / 2, side, side, -1);
    // The caption keeps the icon's room even when the icon is missing.
    const int textLeft = x0 + side + gap;
    canvas.DrawText(text.c_str(), fontSize, colour, {textLeft, 0, box.width - textLeft, box.height}, 0, bold);
}

}  // namespace UIE

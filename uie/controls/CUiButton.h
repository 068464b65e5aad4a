// A push button: filled (the accent gradient), outlined or text-only, with an optional leading
// named icon. A click counts only when the press is still standing at the release and the release
// lies inside the button; leaving the button drops the press.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <string>

#include "uie/controls/CUiClickable.h"

namespace UIE {

enum UiButtonStyle { kButtonFilled = 0, kButtonOutlined = 1, kButtonText = 2 };

class CUiButton : public CUiClickable {
public:
    // Replaces the click handler when set; receives the release point in local DIP.
    using PositionHandler = std::function<void(int x, int y)>;

    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    UiAccessInfo Describe() override;

    std::wstring text;
    int style = kButtonFilled;  // any value but filled and outlined is text-only
    int32_t textColour = -1;    // 0x00BBGGRR for outlined and text-only; -1: the style's own
    bool customBorder = false;
    Gdiplus::ARGB borderColour = 0xFFDDDDDD;
    bool customFill = false;
    Gdiplus::ARGB fillColour = 0xFF000000;
    std::wstring iconName;
    int iconSize = 20;  // DIP
    int iconGap = 6;    // DIP
    bool centreContent = false;
    int fontSize = 13;
    int minWidth = 0;  // DIP
    PositionHandler onClickAt;

private:
    void OnClick(int x, int y) override;
    void PaintFilled(UiCanvas& canvas, const UiRect& box, float radius);
    void PaintOutlined(UiCanvas& canvas, const UiRect& box, float radius);
    void PaintTextOnly(UiCanvas& canvas, const UiRect& box, float radius);
    void PaintContent(UiCanvas& canvas, const UiRect& box, COLORREF colour, bool bold);
    COLORREF CaptionColour(Gdiplus::ARGB styleDefault) const;
};

}  // namespace UIE

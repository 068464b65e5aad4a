// One line of link-coloured text, optionally after a named icon, underlined while the pointer is
// over it. A press on the link and a release on it run its handler; a release elsewhere cancels
// (the window hands the release to the control that took the press, wherever it lands).
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <string>

#include "uie/core/CUiControl.h"

namespace UIE {

class CUiLink : public CUiControl {
public:
    using ClickHandler = std::function<void()>;

    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseUp(int x, int y) override;
    bool WantsHandCursor() override { return true; }
    bool IsFocusable() override { return true; }
    UiAccessInfo Describe() override;
    bool Activate() override;

    void SetOnClick(ClickHandler handler) { onClick = std::move(handler); }

    std::wstring text;
    int fontSize = 13;
    bool hovered = false;
    std::wstring iconName;
    int iconSize = 0;                       // DIP; 0 reserves no room
    int32_t iconTint = -1;                  // negative: the icon's own colours
    Gdiplus::ARGB linkColour = 0xFF268BDD;  // text and underline
    // Last, so a link destroys its handler before its strings.
    ClickHandler onClick;
};

}  // namespace UIE

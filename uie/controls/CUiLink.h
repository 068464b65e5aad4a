// One line of link-coloured text, optionally after a named icon, underlined while the pointer is
// over it. It clicks as every CUiClickable does.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>

#include "uie/controls/CUiClickable.h"

namespace UIE {

class CUiLink : public CUiClickable {
public:
    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    UiAccessInfo Describe() override;

    std::wstring text;
    int fontSize = 13;
    std::wstring iconName;
    int iconSize = 0;                       // DIP; 0 reserves no room
    int32_t iconTint = -1;                  // negative: the icon's own colours
    Gdiplus::ARGB linkColour = 0xFF268BDD;  // text and underline
};

}  // namespace UIE

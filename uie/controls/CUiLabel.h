// One line of text in a colour, size and weight of its own; never wrapped, cut with an ellipsis
// when it does not fit. Takes no input, so subclasses can add their own.
#pragma once

#include <windows.h>

#include <string>

#include "uie/core/CUiControl.h"

namespace UIE {

class CUiLabel : public CUiControl {
public:
    CUiLabel();

    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    UiAccessInfo Describe() override;  // static text; an empty label has nothing to read

    // A new text may change the label's size, so every ancestor lays out again.
    void SetText(const std::wstring& value);

    std::wstring text;
    int fontSize = 13;
    bool bold = false;
    COLORREF textColour;    // 0x00BBGGRR
    int textAlignment = 0;  // 0 left, 1 centred, 2 right
    int minWidth = 0;       // DIP
};

}  // namespace UIE

// A 16 DIP check box with a drawn check mark and an optional caption. A release inside an enabled
// box toggles it and tells the change handler the new state; the owner may also set `checked`
// directly, which tells nobody.
#pragma once

#include <functional>
#include <string>

#include "uie/core/CUiControl.h"

namespace UIE {

class CUiCheckBox : public CUiControl {
public:
    using ChangeHandler = std::function<void(bool checked)>;

    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    void OnMouseUp(int x, int y) override;
    bool WantsHandCursor() override { return enabled; }
    bool IsFocusable() override { return true; }
    UiAccessInfo Describe() override;
    bool Activate() override;  // toggles, as a click does

    void SetOnChange(ChangeHandler handler) { onChange = std::move(handler); }

    std::wstring text;
    bool checked = false;
    ChangeHandler onChange;

private:
    void PaintBox(UiCanvas& canvas, int top, int side);
};

}  // namespace UIE

// The installer's main push button ("立即安装", "立即体验"): an accent rounded box with a white
// caption, grey and inert while disabled. A press that leaves the button is cancelled.
#pragma once

#include <functional>
#include <string>

#include "uie/core/CUiControl.h"

namespace SetupUi {

class CActionButton : public UIE::CUiControl {
public:
    CActionButton(std::wstring text, std::function<void()> onClick);

    void Paint(UIE::UiCanvas& canvas) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseDown(int x, int y) override;
    void OnMouseUp(int x, int y) override;
    bool WantsHandCursor() override { return enabled; }
    bool IsFocusable() override { return true; }
    UIE::UiAccessInfo Describe() override;
    bool Activate() override;

    std::wstring text;
    std::function<void()> onClick;
    bool hovered = false;
    bool pressed = false;
};

}  // namespace SetupUi

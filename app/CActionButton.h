// The installer's main push button ("立即安装", "立即体验"): an accent rounded box with a white
// caption, grey and inert while disabled. A press that leaves the button is cancelled.
#pragma once

#include <functional>
#include <string>

#include "uie/controls/CUiClickable.h"

namespace SetupUi {

class CActionButton : public UIE::CUiClickable {
public:
    CActionButton(std::wstring text, std::function<void()> onClick);

    void Paint(UIE::UiCanvas& canvas) override;
    UIE::UiAccessInfo Describe() override;

private:
    std::wstring text_;
};

}  // namespace SetupUi

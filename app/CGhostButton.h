// A quiet text button in grey ("自定义安装目录 >", "< 返回"), with an optional chevron before or
// after the caption and an accent wash on hover and press. A press that leaves it is cancelled.
#pragma once

#include <functional>
#include <string>

#include "uie/core/CUiControl.h"

namespace SetupUi {

class CGhostButton : public UIE::CUiControl {
public:
    enum IconKind { kNoIcon = 0, kChevronBefore = 1, kChevronAfter = 2 };

    CGhostButton(std::wstring text, int iconKind, std::function<void()> onClick);

    void Paint(UIE::UiCanvas& canvas) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseDown(int x, int y) override;
    void OnMouseUp(int x, int y) override;
    bool WantsHandCursor() override { return true; }
    bool IsFocusable() override { return true; }
    UIE::UiAccessInfo Describe() override;
    bool Activate() override;

    // The width that fits the caption (and chevron) exactly, in DIP.
    int FittingWidth() const;

    std::wstring text;
    int iconKind;
    std::function<void()> onClick;
    bool hovered = false;
    bool pressed = false;
};

}  // namespace SetupUi

// A quiet text button in grey ("自定义目录 >", "< 返回"), with an optional chevron before or
// after the caption and an accent wash on hover and press. A press that leaves it is cancelled.
#pragma once

#include <functional>
#include <string>

#include "uie/controls/CUiClickable.h"

namespace SetupUi {

class CGhostButton : public UIE::CUiClickable {
public:
    enum IconKind { kNoIcon = 0, kChevronBefore = 1, kChevronAfter = 2 };

    CGhostButton(std::wstring text, int iconKind, std::function<void()> onClick);

    void Paint(UIE::UiCanvas& canvas) override;
    UIE::UiAccessInfo Describe() override;

    // The width that fits the caption (and chevron) exactly, in DIP.
    int FittingWidth() const;

private:
    std::wstring text_;
    int iconKind_;
};

}  // namespace SetupUi

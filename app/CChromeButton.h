// The window's own title-bar buttons: a close cross or a minimise bar on a faint rounded hover
// highlight. A click is a press and a release inside. Readers hear "关闭" or "最小化"; the
// keyboard reaches them after the page, as it would a title bar's buttons.
#pragma once

#include <functional>

#include "uie/controls/CUiClickable.h"

namespace SetupUi {

class CChromeButton : public UIE::CUiClickable {
public:
    enum Kind : unsigned char { kClose = 0, kMinimise = 1 };

    CChromeButton(unsigned char kind, std::function<void()> onClick);

    void Paint(UIE::UiCanvas& canvas) override;
    UIE::UiAccessInfo Describe() override;

private:
    unsigned char kind_;  // kClose, any other value minimises
};

}  // namespace SetupUi

// The finish page's success badge: the check-mark SVG of the executable's resources, or a drawn
// green disc with a white tick when that picture cannot be loaded.
#pragma once

#include "uie/core/CUiControl.h"

namespace SetupUi {

class CCheckBadge : public UIE::CUiControl {
public:
    void Paint(UIE::UiCanvas& canvas) override;
    UIE::UiAccessInfo Describe() override;  // a graphic named by `accessName`
};

}  // namespace SetupUi

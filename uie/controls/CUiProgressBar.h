// A pill-shaped bar showing a percentage: a grey track and a gradient fill in the accent colours
// over the done part. Its size is whatever its owner arranges.
#pragma once

#include "uie/core/CUiControl.h"

namespace UIE {

class CUiProgressBar : public CUiControl {
public:
    void Paint(UiCanvas& canvas) override;
    UiAccessInfo Describe() override;  // named by `accessName`; the value reads "37%"

    // Clamped to 0 to 100; repaints.
    void SetValue(int percent);

    int value = 0;
};

}  // namespace UIE

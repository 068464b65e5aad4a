// A row or column of controls: the visible children are placed one after another along one axis
// with fixed, measured or weighted sizes, margins, a uniform spacing, a rule for left-over space
// and an alignment across the axis (UiLinearArithmetic). The layout measures itself from its
// children, so layouts nest, and re-arranges itself at paint time when a child asked for layout.
// It is never a hit-test result itself. DIP throughout; UI thread only.
#pragma once

#include <vector>

#include "uie/core/CUiControl.h"
#include "uie/core/UiLinearArithmetic.h"

namespace UIE {

class CUiLinearLayout : public CUiControl {
public:
    CUiLinearLayout() { mouseTransparent = true; }

    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    void Layout() override;

    UiEdges inset;
    int horizontal = 1;  // non-zero: a row; 0: a column
    int spacing = 0;
    int justify = 0;           // 0 start, 1 centre, 2 end, 3 space between, 4 space around
    int defaultAlignment = 3;  // for children whose alignment is -1: 1 centre, 2 end, else start

private:
    UiLinearParams Params() const;
    std::vector<UiLinearChild> VisibleChildren() const;
};

}  // namespace UIE

// The arithmetic of the linear layout: how much room a row or column of children wants, and where
// each child goes. Pure: a child is described by its size rules and a measuring function, so the
// rules are tested natively, without controls or a window. All values DIP.
#pragma once

#include <functional>
#include <vector>

#include "uie/core/UiGeometry.h"

namespace UIE {

// What the layout reads of one visible child.
struct UiLinearChild {
    int widthSpec = -1;  // -1 wrap, -2 fill, 0 or more fixed
    int heightSpec = -1;
    float weight = 0.0f;  // 0 or less counts as 1
    UiEdges margin;
    UiEdges padding;
    int alignment = -1;  // -1: the layout's default
    std::function<UiSize(int offeredWidth)> measure;
};

struct UiLinearParams {
    UiEdges inset;
    bool horizontal = true;  // a row; false: a column
    int spacing = 0;
    int justify = 0;           // 0 start, 1 centre, 2 end, 3 space between, 4 space around
    int defaultAlignment = 3;  // 1 centre, 2 end, anything else start
};

// The size the layout wants for `availableWidth` (negative: unbounded), insets included.
UiSize MeasureLinear(const UiLinearParams& params, const std::vector<UiLinearChild>& children, int availableWidth);
// Each child's bounds, in order, inside a layout of `size`.
std::vector<UiRect> ArrangeLinear(const UiLinearParams& params,
                                  const std::vector<UiLinearChild>& children,
                                  UiSize size);

}  // namespace UIE

#include "uie/core/CUiLinearLayout.h"

namespace UIE {

UiLinearParams CUiLinearLayout::Params() const {
    UiLinearParams params;
    params.inset = inset;
    params.horizontal = horizontal != 0;
    params.spacing = spacing;
    params.justify = justify;
    params.defaultAlignment = defaultAlignment;
    return params;
}

std::vector<UiLinearChild> CUiLinearLayout::VisibleChildren() const {
    std::vector<UiLinearChild> described;
    for (const auto& child : children) {
        if (!child->visible)
            continue;
        CUiControl* control = child.get();
        described.push_back({control->widthSpec, control->heightSpec, control->weight, control->margin,
                             control->padding, control->alignment,
                             [control](int offered) { return control->Measure(offered); }});
    }
    return described;
}

UiSize CUiLinearLayout::Measure(int availableWidth) {
    return MeasureLinear(Params(), VisibleChildren(), availableWidth);
}

void CUiLinearLayout::Layout() {
    const std::vector<UiRect> placed = ArrangeLinear(Params(), VisibleChildren(), {bounds.width, bounds.height});
    size_t i = 0;
    for (auto& child : children) {
        if (child->visible && i < placed.size())
            child->Arrange(placed[i++]);
    }
}

// A child whose text or visibility changed asked for layout; it is re-arranged here, within the
// layout's unchanged bounds, before anything is drawn.
void CUiLinearLayout::Paint(UiCanvas&) {
    if (!layoutPending)
        return;
    Layout();
    layoutPending = false;
}

}  // namespace UIE

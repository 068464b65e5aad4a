#include "uie/core/UiLinearArithmetic.h"

#include <algorithm>

#include "uie/core/CUiControl.h"

namespace UIE {

namespace {

// The two axes seen from the layout: main along the row or column, cross across it.
struct Axes {
    bool row;
    int MainSpec(const UiLinearChild& c) const { return row ? c.widthSpec : c.heightSpec; }
    int CrossSpec(const UiLinearChild& c) const { return row ? c.heightSpec : c.widthSpec; }
    int MainStart(const UiEdges& e) const { return row ? e.left : e.top; }
    int MainEnd(const UiEdges& e) const { return row ? e.right : e.bottom; }
    int CrossStart(const UiEdges& e) const { return row ? e.top : e.left; }
    int CrossEnd(const UiEdges& e) const { return row ? e.bottom : e.right; }
    int Main(const UiSize& s) const { return row ? s.width : s.height; }
    int Cross(const UiSize& s) const { return row ? s.height : s.width; }
};

float Weight(const UiLinearChild& c) {
    return c.weight > 0.0f ? c.weight : 1.0f;
}

// The child's outer size (w, h) when offered the layout's inner width.
UiSize OuterSize(const UiLinearChild& c, int innerWidth) {
    int offered = (c.widthSpec >= 0 ? c.widthSpec : innerWidth) - c.margin.left - c.margin.right;
    if (offered >= 0)
        offered = std::max(0, offered - c.padding.left - c.padding.right);
    const UiSize measured = c.measure ? c.measure(offered) : UiSize{};
    return {c.widthSpec >= 0 ? c.widthSpec : measured.width + c.padding.left + c.padding.right,
            c.heightSpec >= 0 ? c.heightSpec : measured.height + c.padding.top + c.padding.bottom};
}

}  // namespace

UiSize MeasureLinear(const UiLinearParams& params, const std::vector<UiLinearChild>& children, int availableWidth) {
    const Axes axes{params.horizontal};
    const UiEdges& inset = params.inset;
    const int inner = availableWidth < 0 ? 10000 : availableWidth - inset.left - inset.right;
    int sum = 0;
    int cross = 0;
    bool mainFill = false;
    bool crossFill = false;
    for (const UiLinearChild& c : children) {
        const UiSize outer = OuterSize(c, inner);
        sum += axes.MainStart(c.margin) + axes.Main(outer) + axes.MainEnd(c.margin);
        cross = std::max(cross, axes.CrossStart(c.margin) + axes.Cross(outer) + axes.CrossEnd(c.margin));
        mainFill = mainFill || axes.MainSpec(c) == kSpecFill;
        crossFill = crossFill || axes.CrossSpec(c) == kSpecFill;
    }
    if (children.size() > 1)
        sum += params.spacing * static_cast<int>(children.size() - 1);
    if (availableWidth > 0) {
        // Children that stretch across the width make the layout claim all of it.
        if (axes.row && mainFill)
            sum = inner;
        if (!axes.row && crossFill)
            cross = inner;
    }
    const int horizontalInsets = inset.left + inset.right;
    const int verticalInsets = inset.top + inset.bottom;
    if (axes.row)
        return {sum + horizontalInsets, cross + verticalInsets};
    return {cross + horizontalInsets, sum + verticalInsets};
}

std::vector<UiRect> ArrangeLinear(const UiLinearParams& params,
                                  const std::vector<UiLinearChild>& children,
                                  UiSize size) {
    const Axes axes{params.horizontal};
    const UiEdges& inset = params.inset;
    const UiSize inner = {size.width - inset.left - inset.right, size.height - inset.top - inset.bottom};
    const int mainRoom = std::max(0, axes.Main(inner));
    const int crossRoom = std::max(0, axes.Cross(inner));
    const size_t n = children.size();
    std::vector<UiRect> placed(n);
    if (n == 0)
        return placed;

    // First pass: cross sizes, fixed and measured main sizes, the weights of the filling children.
    std::vector<int> mainSize(n, 0);
    std::vector<int> crossSize(n, 0);
    std::vector<bool> filling(n, false);
    int fillsLeft = 0;
    float totalWeight = 0.0f;
    int used = 0;
    for (size_t i = 0; i < n; ++i) {
        const UiLinearChild& c = children[i];
        const int crossFree = std::max(0, crossRoom - axes.CrossStart(c.margin) - axes.CrossEnd(c.margin));
        const UiSize outer = OuterSize(c, inner.width);
        const int crossSpec = axes.CrossSpec(c);
        if (crossSpec == kSpecFill)
            crossSize[i] = crossFree;
        else
            crossSize[i] = std::min(crossSpec == kSpecWrap ? axes.Cross(outer) : crossSpec, crossFree);
        const int mainSpec = axes.MainSpec(c);
        if (mainSpec == kSpecFill) {
            filling[i] = true;
            ++fillsLeft;
            totalWeight += Weight(c);
        } else {
            mainSize[i] = mainSpec == kSpecWrap ? axes.Main(outer) : mainSpec;
        }
        used += axes.MainStart(c.margin) + mainSize[i] + axes.MainEnd(c.margin);
    }
    used += params.spacing * static_cast<int>(n - 1);
    int free = std::max(0, mainRoom - used);

    int offset = 0;
    int gap = params.spacing;
    if (params.justify != 0 && totalWeight == 0.0f && free > 0) {
        const int count = static_cast<int>(n);
        switch (params.justify) {
            case 1:
                offset = free / 2;
                break;
            case 2:
                offset = free;
                break;
            case 3:
                if (count > 1)
                    gap = params.spacing + free / (count - 1);
                break;
            case 4: {
                const int share = free / count;
                offset = share / 2;
                gap = params.spacing + share;
                break;
            }
            default:
                break;
        }
    }

    // Second pass: the filling children share the free space, the last one takes the remainder.
    int position = (axes.row ? inset.left : inset.top) + offset;
    const int crossOrigin = axes.row ? inset.top : inset.left;
    for (size_t i = 0; i < n; ++i) {
        const UiLinearChild& c = children[i];
        if (filling[i]) {
            if (--fillsLeft > 0) {  // another filling child follows
                mainSize[i] = static_cast<int>(static_cast<float>(free) * Weight(c) / totalWeight + 0.5f);
                free -= mainSize[i];
            } else {
                mainSize[i] = free;
            }
            totalWeight = std::max(0.0f, totalWeight - Weight(c));
        }
        const int room = crossRoom - axes.CrossStart(c.margin) - axes.CrossEnd(c.margin);
        const int cross = std::min(crossSize[i], room);
        const int alignment = c.alignment == -1 ? params.defaultAlignment : c.alignment;
        const int crossOffset = alignment == 1 ? (room - cross) / 2 : alignment == 2 ? room - cross : 0;
        const int crossPosition = crossOrigin + crossOffset + axes.CrossStart(c.margin);
        const int mainPosition = position + axes.MainStart(c.margin);
        placed[i] = axes.row ? UiRect{mainPosition, crossPosition, mainSize[i], cross}
                             : UiRect{crossPosition, mainPosition, cross, mainSize[i]};
        position += axes.MainStart(c.margin) + mainSize[i] + axes.MainEnd(c.margin) + gap;
    }
    return placed;
}

}  // namespace UIE

#include "uie/core/UiTooltip.h"

#include <algorithm>
#include <vector>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiInputRouter.h"
#include "uie/core/UiTooltipGeometry.h"

namespace UIE {

void UiTooltip::Follow(CUiControl* hovered, UiPoint anchor) {
    CUiControl* owner = nullptr;
    for (CUiControl* c = hovered; c && !owner; c = c->parent) {
        if (!c->tooltip.empty())
            owner = c;
    }
    if (owner != owner_) {
        Hide();
        owner_ = owner;
        if (owner) {
            text_ = owner->tooltip;
            anchor_ = anchor;
            hooks_.startDelay();
        }
    } else if (!showing_) {
        anchor_ = anchor;  // the delay is not restarted
    }
}

void UiTooltip::Show() {
    if (!owner_ || text_.empty())
        return;
    showing_ = true;
    box_ = Rect();  // measured once; every paint while it shows reuses it
    hooks_.invalidate(Grow(ToLtrb(box_), 2));
}

void UiTooltip::Hide() {
    if (owner_)
        hooks_.stopDelay();
    owner_ = nullptr;
    if (showing_) {
        showing_ = false;
        hooks_.invalidate(Grow(ToLtrb(box_), 2));
    }
}

void UiTooltip::Forget(CUiControl* subtree) {
    if (IsInSubtree(owner_, subtree))
        Hide();
}

UiRect UiTooltip::Rect() const {
    const std::vector<std::wstring> lines = SplitTooltipLines(text_);
    int widest = 0;
    for (const auto& line : lines)
        widest = std::max(widest, MeasureText(line.c_str(), kTooltipTextSize, false, -1).width);
    const UiSize client = hooks_.clientSize();
    return PlaceTooltip(widest, static_cast<int>(lines.size()), anchor_, client.width, client.height);
}

void UiTooltip::Paint(UiCanvas& canvas, const UiLtrb& dirty) const {
    if (!showing_ || !Intersects(ToLtrb(box_), dirty))
        return;
    canvas.FillRoundRect(static_cast<float>(Scale(6)), box_, 0xF5323236);
    const std::vector<std::wstring> lines = SplitTooltipLines(text_);
    for (size_t i = 0; i < lines.size(); ++i) {
        const UiRect line = TooltipLineBox(box_, static_cast<int>(i));
        canvas.DrawString(lines[i].c_str(), kTooltipTextSize, 0xFFFFFFFF, static_cast<float>(line.x),
                          static_cast<float>(line.y), static_cast<float>(line.width), static_cast<float>(line.height),
                          kAlignNear, false);
    }
}

}  // namespace UIE

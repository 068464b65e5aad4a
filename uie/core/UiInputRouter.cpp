#include "uie/core/UiInputRouter.h"

#include <algorithm>

namespace UIE {

UiPoint LocalTo(const CUiControl* control, int x, int y) {
    int ax = 0;
    int ay = 0;
    control->GetAbsolutePosition(ax, ay);
    return {x - ax, y - ay};
}

bool IsInSubtree(const CUiControl* control, const CUiControl* subtree) {
    for (const CUiControl* c = control; c; c = c->parent) {
        if (c == subtree)
            return true;
    }
    return false;
}

// True when the hit control or one of its ancestors claims the pointer at this point.
bool UiInputRouter::Intercepted(CUiControl* hit, int x, int y) {
    for (CUiControl* c = hit; c; c = c->parent) {
        const UiPoint local = LocalTo(c, x, y);
        if (c->InterceptPointer(local.x, local.y))
            return true;
    }
    return false;
}

void UiInputRouter::SetHovered(CUiControl* candidate) {
    if (candidate == hovered_)
        return;
    if (hovered_)
        hovered_->OnMouseLeave();
    hovered_ = candidate;
    if (hovered_)
        hovered_->OnMouseEnter();
}

void UiInputRouter::UpdateHoverWithin(const std::vector<CUiControl*>& inside) {
    const std::vector<CUiControl*> before = hoverWithin_;
    auto contains = [](const std::vector<CUiControl*>& list, CUiControl* c) {
        return std::find(list.begin(), list.end(), c) != list.end();
    };
    for (CUiControl* c : before) {
        if (!contains(inside, c))
            c->OnHoverWithin(false);
    }
    for (CUiControl* c : inside) {
        if (!contains(before, c))
            c->OnHoverWithin(true);
    }
    hoverWithin_ = inside;
}

void UiInputRouter::ReleaseCapture() {
    captured_ = nullptr;
    if (hooks_.releaseCapture)
        hooks_.releaseCapture();
}

bool UiInputRouter::PointerMove(int x, int y) {
    if (captured_) {
        const UiPoint local = LocalTo(captured_, x, y);
        captured_->OnMouseMove(local.x, local.y);
        return true;
    }
    int lx = 0;
    int ly = 0;
    CUiControl* hit = hooks_.hitTest(x, y, &lx, &ly);
    std::vector<CUiControl*> inside;
    for (CUiControl* c = hit; c; c = c->parent) {
        if (c->TracksHoverWithin())
            inside.push_back(c);
    }
    SetHovered(Intercepted(hit, x, y) ? nullptr : hit);
    if (hovered_)
        hovered_->OnMouseMove(lx, ly);
    UpdateHoverWithin(inside);
    return false;
}

void UiInputRouter::PointerLeave() {
    if (hovered_) {
        CUiControl* left = hovered_;
        hovered_ = nullptr;
        left->OnMouseLeave();
    }
    UpdateHoverWithin({});
}

void UiInputRouter::MoveFocus(CUiControl* target) {
    if (target == focused_)
        return;
    CUiControl* before = focused_;
    if (focused_)
        focused_->OnBlur();
    focused_ = target;
    if (focused_)
        focused_->OnFocus();
    if (hooks_.focusMoved)
        hooks_.focusMoved(before, focused_);
}

void UiInputRouter::ButtonDown(int x, int y) {
    int lx = 0;
    int ly = 0;
    CUiControl* hit = hooks_.hitTest(x, y, &lx, &ly);

    CUiControl* target = hit;
    for (CUiControl* c = hit; c; c = c->parent) {
        if (c->IsPointerTarget()) {
            target = c;
            break;
        }
    }
    CUiControl* focusable = nullptr;
    for (CUiControl* c = hit; c && !focusable; c = c->parent) {
        if (c->IsFocusable())
            focusable = c;
    }
    MoveFocus(focusable);  // a press outside every focusable control removes the focus
    if (!hit)
        return;

    const bool intercepted = Intercepted(hit, x, y);
    for (CUiControl* c = hit; c; c = c->parent) {
        const UiPoint local = LocalTo(c, x, y);
        if (c->OnDescendantMouseDown(hit, local.x, local.y, lx, ly)) {
            if (hooks_.takeCapture)
                hooks_.takeCapture();
            captured_ = c;  // after the system capture, whose notification clears it
            hit->OnMouseDown(lx, ly);
            return;
        }
        if (!intercepted && c->WantsHandCursor())
            break;  // a clickable control shields its ancestors
    }
    if (hooks_.takeCapture)
        hooks_.takeCapture();
    captured_ = target;
    const UiPoint local = target == hit ? UiPoint{lx, ly} : LocalTo(target, x, y);
    target->OnMouseDown(local.x, local.y);
}

void UiInputRouter::ButtonUp(int x, int y) {
    if (!captured_)
        return;
    CUiControl* releasing = captured_;
    ReleaseCapture();
    // Delivered wherever the pointer is; the control decides whether it was released inside.
    const UiPoint local = LocalTo(releasing, x, y);
    releasing->OnMouseUp(local.x, local.y);
}

void UiInputRouter::DoubleClick(int x, int y) {
    int lx = 0;
    int ly = 0;
    if (CUiControl* hit = hooks_.hitTest(x, y, &lx, &ly))
        hit->OnDoubleClick(lx, ly);
}

void UiInputRouter::Wheel(int x, int y, int delta) {
    for (CUiControl* c = hooks_.hitTest(x, y, nullptr, nullptr); c; c = c->parent) {
        if (c->OnMouseWheel(delta))
            return;
    }
}

void UiInputRouter::KeyDown(unsigned virtualKey) {
    if (focused_)
        focused_->OnKeyDown(virtualKey);
}

void UiInputRouter::Char(wchar_t ch) {
    if (focused_)
        focused_->OnChar(ch);
}

UiInputRouter::Cursor UiInputRouter::CursorForHover() {
    if (!hovered_)
        return Cursor::Default;
    if (hovered_->WantsTextCursor())
        return Cursor::Text;
    for (CUiControl* c = hovered_; c; c = c->parent) {
        if (c->WantsHandCursor())
            return Cursor::Hand;
    }
    return Cursor::Default;
}

void UiInputRouter::ReleaseAll() {
    MoveFocus(nullptr);
    if (captured_)
        ReleaseCapture();
    SetHovered(nullptr);
    UpdateHoverWithin({});
}

void UiInputRouter::ReleaseSubtree(CUiControl* subtree) {
    if (IsInSubtree(focused_, subtree))
        MoveFocus(nullptr);
    if (IsInSubtree(captured_, subtree))
        ReleaseCapture();
    if (IsInSubtree(hovered_, subtree))
        SetHovered(nullptr);
    std::vector<CUiControl*> inside;
    for (CUiControl* c : hoverWithin_) {
        if (!IsInSubtree(c, subtree))
            inside.push_back(c);
    }
    UpdateHoverWithin(inside);
}

void UiInputRouter::ForgetSubtree(CUiControl* subtree) {
    if (IsInSubtree(focused_, subtree))
        focused_ = nullptr;
    if (IsInSubtree(hovered_, subtree))
        hovered_ = nullptr;
    if (IsInSubtree(captured_, subtree))
        captured_ = nullptr;
    hoverWithin_.erase(std::remove_if(hoverWithin_.begin(), hoverWithin_.end(),
                                      [&](CUiControl* c) { return IsInSubtree(c, subtree); }),
                       hoverWithin_.end());
}

}  // namespace UIE

#include "uie/controls/CUiClickable.h"

namespace UIE {

void CUiClickable::OnMouseEnter() {
    Feed(UiButtonInput::Enter, 0, 0);
}

void CUiClickable::OnMouseLeave() {
    Feed(UiButtonInput::Leave, 0, 0);
}

void CUiClickable::OnMouseDown(int x, int y) {
    Feed(UiButtonInput::Press, x, y);
}

void CUiClickable::OnMouseUp(int x, int y) {
    const bool inside = x >= 0 && y >= 0 && x < bounds.width && y < bounds.height;
    Feed(inside ? UiButtonInput::ReleaseInside : UiButtonInput::ReleaseOutside, x, y);
}

// Keys and readers have no point: the click lands in the middle.
bool CUiClickable::Activate() {
    if (!enabled)
        return false;
    Feed(UiButtonInput::Activate, bounds.width / 2, bounds.height / 2);
    return true;
}

void CUiClickable::OnClick(int, int) {
    if (onClick)
        onClick();
}

void CUiClickable::Feed(UiButtonInput input, int x, int y) {
    const UiButtonOutcome outcome = behavior_.Handle(input, enabled);
    if (outcome.repaint)
        Invalidate();
    if (outcome.click)
        OnClick(x, y);
}

}  // namespace UIE

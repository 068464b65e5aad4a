#include "uie/controls/UiButtonBehavior.h"

namespace UIE {

UiButtonOutcome UiButtonBehavior::Handle(UiButtonInput input, bool enabled) {
    const bool hoveredBefore = hovered_;
    const bool pressedBefore = pressed_;
    bool click = false;
    switch (input) {
        case UiButtonInput::Enter:
            hovered_ = true;
            break;
        case UiButtonInput::Leave:
            hovered_ = false;
            pressed_ = false;
            break;
        case UiButtonInput::Press:
            pressed_ = true;
            break;
        case UiButtonInput::ReleaseInside:
        case UiButtonInput::ReleaseOutside:
            // The release reaches the control that took the press wherever it lands.
            click = pressed_ && enabled && input == UiButtonInput::ReleaseInside;
            pressed_ = false;
            break;
        case UiButtonInput::Activate:
            click = enabled;
            break;
    }
    return {hovered_ != hoveredBefore || pressed_ != pressedBefore, click};
}

}  // namespace UIE

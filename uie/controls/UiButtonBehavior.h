// What every clickable control (buttons, links, the title-bar buttons) does between the pointer,
// the keyboard and a screen reader, written once, as Dear ImGui's ButtonBehavior is: hovered and
// pressed, fed one input at a time on the UI thread. A click comes only from a standing press
// released inside the control while it is enabled, or from an activation (a key or a screen
// reader) while it is enabled. Leaving the control drops the press, even if the pointer comes
// back before the release. CUiClickable is the control that feeds it.
#pragma once

namespace UIE {

enum class UiButtonInput { Enter, Leave, Press, ReleaseInside, ReleaseOutside, Activate };

struct UiButtonOutcome {
    bool repaint = false;  // hovered or pressed changed
    bool click = false;
};

class UiButtonBehavior {
public:
    UiButtonOutcome Handle(UiButtonInput input, bool enabled);

    bool IsHovered() const { return hovered_; }
    bool IsPressed() const { return pressed_; }

private:
    bool hovered_ = false;
    bool pressed_ = false;
};

}  // namespace UIE

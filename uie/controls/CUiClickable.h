// The base of every clickable control: it feeds the pointer, the keyboard and screen readers to a
// UiButtonBehavior and repaints whenever hovered or pressed changes. A subclass paints from
// IsHovered()/IsPressed(); a click runs onClick, or the subclass's OnClick, which gets the release
// point in local DIP (the middle for keys and readers). It takes the focus and shows the hand
// cursor while enabled.
#pragma once

#include <functional>

#include "uie/controls/UiButtonBehavior.h"
#include "uie/core/CUiControl.h"

namespace UIE {

class CUiClickable : public CUiControl {
public:
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseDown(int x, int y) override;
    void OnMouseUp(int x, int y) override;
    bool WantsHandCursor() override { return enabled; }
    bool IsFocusable() override { return true; }
    bool Activate() override;

    bool IsHovered() const { return behavior_.IsHovered(); }
    bool IsPressed() const { return behavior_.IsPressed(); }

    void SetOnClick(std::function<void()> handler) { onClick = std::move(handler); }

    std::function<void()> onClick;

protected:
    virtual void OnClick(int x, int y);

private:
    void Feed(UiButtonInput input, int x, int y);

    UiButtonBehavior behavior_;
};

}  // namespace UIE

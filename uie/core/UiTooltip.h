// The window's one tooltip: which control owns it, the delay before it shows, where it is drawn
// and its painting.
//
// The nearest ancestor of the hovered control that has a tooltip text owns it. A new owner starts
// the delay (the window's timer, through `Hooks`); when the delay ends the tooltip is measured
// once and shown beside the pointer's position at the time, inside the client area. Moving to
// another owner, pressing, the wheel, a capture or leaving the window hides it. Client pixels
// throughout. UI thread only.
#pragma once

#include <functional>
#include <string>

#include "uie/core/CUiControl.h"
#include "uie/core/UiGeometry.h"

namespace UIE {

class UiCanvas;

class UiTooltip {
public:
    struct Hooks {
        std::function<void()> startDelay;
        std::function<void()> stopDelay;
        std::function<void(const UiLtrb&)> invalidate;
        std::function<UiSize()> clientSize;  // pixels
    };

    explicit UiTooltip(Hooks hooks) : hooks_(std::move(hooks)) {}

    // The pointer moved to `anchor` over `hovered` (or over nothing).
    void Follow(CUiControl* hovered, UiPoint anchor);
    // The delay has passed.
    void Show();
    void Hide();
    // A subtree is going: a tooltip it owns goes with it.
    void Forget(CUiControl* subtree);
    // Draws the showing tooltip when it meets `dirty`.
    void Paint(UiCanvas& canvas, const UiLtrb& dirty) const;

    // Where the tooltip is (or would be) drawn for the current text and anchor.
    UiRect Rect() const;
    CUiControl* Owner() const { return owner_; }
    bool Showing() const { return showing_; }
    const std::wstring& Text() const { return text_; }
    UiPoint Anchor() const { return anchor_; }

private:
    Hooks hooks_;
    CUiControl* owner_ = nullptr;  // non-owning
    bool showing_ = false;
    std::wstring text_;
    UiPoint anchor_;
    UiRect box_;  // measured when shown
};

}  // namespace UIE

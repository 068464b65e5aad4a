// Pointer, keyboard and focus routing over a control tree, without a window.
//
// The router holds the three roles a control can have — hovered, capturing the pointer, focused —
// and the controls that track the pointer within their subtree, and keeps them consistent: every
// change of role is announced to the controls in a fixed order, and a subtree that is hidden or
// destroyed gives its roles up. Coordinates are client DIP. The window host feeds it the window's
// messages and lends it hit testing and the system capture through `Hooks`. UI thread only.
#pragma once

#include <functional>
#include <vector>

#include "uie/core/CUiControl.h"

namespace UIE {

class UiInputRouter {
public:
    struct Hooks {
        // The control under (x, y) and the point in its local coordinates; null for none.
        std::function<CUiControl*(int x, int y, int* localX, int* localY)> hitTest;
        std::function<void()> takeCapture;
        std::function<void()> releaseCapture;
        // After the focus moved (either may be null); the host repaints the ring and tells readers.
        std::function<void(CUiControl* before, CUiControl* after)> focusMoved;
    };
    enum class Cursor { Default, Hand, Text };

    explicit UiInputRouter(Hooks hooks) : hooks_(std::move(hooks)) {}

    // True when a control holds the capture and got the move; hover then stays as it was.
    bool PointerMove(int x, int y);
    void PointerLeave();
    void ButtonDown(int x, int y);
    void ButtonUp(int x, int y);
    void DoubleClick(int x, int y);
    void Wheel(int x, int y, int delta);  // bubbles from the control under the point
    void KeyDown(unsigned virtualKey);
    void Char(wchar_t ch);
    Cursor CursorForHover();

    void MoveFocus(CUiControl* target);
    void CaptureLost() { captured_ = nullptr; }
    // Every role is given up, with the events a control expects (blur, leave, hover-within off).
    void ReleaseAll();
    // A hidden subtree: the roles held inside it are given up, with their events.
    void ReleaseSubtree(CUiControl* subtree);
    // A subtree about to be destroyed: the roles inside it are dropped without events.
    void ForgetSubtree(CUiControl* subtree);

    CUiControl* Hovered() const { return hovered_; }
    CUiControl* Captured() const { return captured_; }
    CUiControl* Focused() const { return focused_; }
    const std::vector<CUiControl*>& HoverWithin() const { return hoverWithin_; }

private:
    bool Intercepted(CUiControl* hit, int x, int y);
    void SetHovered(CUiControl* candidate);
    void UpdateHoverWithin(const std::vector<CUiControl*>& inside);
    void ReleaseCapture();

    Hooks hooks_;
    CUiControl* hovered_ = nullptr;         // non-owning
    CUiControl* captured_ = nullptr;        // non-owning
    CUiControl* focused_ = nullptr;         // non-owning
    std::vector<CUiControl*> hoverWithin_;  // non-owning
};

// (x, y) in client DIP relative to `control`'s top-left corner.
UiPoint LocalTo(const CUiControl* control, int x, int y);
// True when `control` is `subtree` or lies below it.
bool IsInSubtree(const CUiControl* control, const CUiControl* subtree);

}  // namespace UIE

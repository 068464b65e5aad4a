// The scene: everything the toolkit knows about a window's content, without the window.
//
// It owns the root controls and the modal layers above them, routes pointer, keyboard and focus
// events (through UiInputRouter), keeps the reading order and the shown-controls walk that the
// keyboard and screen readers share, hands out access ids and control timers, and holds the
// tooltip's state. What only a native window can do (repaint pixels, capture the pointer, run a
// timer, tell readers) it asks of its `UiSceneHost`; without a host those requests do nothing, so
// a scene runs and is tested with no window at all. Coordinates are client DIP except where a
// parameter says pixels. UI thread only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "uie/core/CUiControl.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiGeometry.h"
#include "uie/core/UiInputRouter.h"
#include "uie/core/UiTooltip.h"

namespace UIE {

// Timer of the tooltip delay; control timers are numbered from kFirstControlTimerId.
constexpr unsigned kTooltipTimerId = 8;
constexpr unsigned kTooltipDelayMs = 500;
constexpr unsigned kFirstControlTimerId = 100;

// What a scene needs from the native window that shows it.
class UiSceneHost {
public:
    virtual void InvalidatePixels(const UiLtrb& area) = 0;  // client pixels
    virtual void InvalidateAll() = 0;
    virtual void CapturePointer() = 0;
    virtual void ReleasePointer() = 0;
    virtual bool StartTimer(unsigned id, unsigned intervalMs) = 0;
    virtual void StopTimer(unsigned id) = 0;
    virtual UiSize ClientPixels() const = 0;
    virtual void RaiseAccessEvent(CUiControl& control, UiAccessEvent event) = 0;
    // The native window handle, for system services bound to a window (caret, clipboard).
    virtual void* NativeWindow() const = 0;

protected:
    ~UiSceneHost() = default;
};

// A control shown above the roots, centred in the client area, that alone receives the pointer.
struct UiModalLayer {
    std::unique_ptr<CUiControl> control;
    int width = 0;    // DIP
    int height = 0;   // DIP
    int offsetY = 0;  // DIP added to the centred top
    std::function<void()> onClosed;
};

class UiScene final : public IUiScene {
public:
    explicit UiScene(UiSceneHost* host = nullptr);
    ~UiScene();
    UiScene(const UiScene&) = delete;
    UiScene& operator=(const UiScene&) = delete;

    // Takes ownership; the root becomes the topmost. Layout is the caller's (Arrange).
    void AddRoot(std::unique_ptr<CUiControl> root);
    // Opens a modal layer of width × height DIP; `onClosed` runs when it is closed.
    void PushLayer(std::unique_ptr<CUiControl> control,
                   int width,
                   int height,
                   int offsetY,
                   std::function<void()> onClosed);
    // False when no layer was open.
    bool CloseTopLayer();
    void ResizeTopLayer(int width, int height);
    bool HasLayer() const { return !layers_.empty(); }
    // Lays every root over a client area of width × height DIP and centres the layers in it.
    void Arrange(int width, int height);
    // Events arrive nested (a handler may run a message loop). Layers closed during an event
    // may still be on the call stack; they are destroyed when the outermost event ends.
    void BeginEvent() { ++eventDepth_; }
    void EndEvent();

    // Pointer input. `pixel` is the same point in client pixels: the tooltip's anchor.
    void PointerMove(int x, int y, UiPoint pixel);
    void PointerLeave();
    void ButtonDown(int x, int y);
    void ButtonUp(int x, int y) { input_.ButtonUp(x, y); }
    void DoubleClick(int x, int y) { input_.DoubleClick(x, y); }
    void Wheel(int x, int y, int delta);
    void CaptureLost() { input_.CaptureLost(); }
    UiInputRouter::Cursor CursorForHover() { return input_.CursorForHover(); }
    // The control under (x, y), with the point in its local coordinates; a modal layer alone
    // receives the pointer.
    CUiControl* HitTestAt(int x, int y, int* localX, int* localY);

    // Keyboard input and focus.
    void KeyDown(unsigned virtualKey) { input_.KeyDown(virtualKey); }
    void Char(wchar_t ch) { input_.Char(ch); }
    void FocusControl(CUiControl* target) { input_.MoveFocus(target); }
    // Tab and Shift+Tab: the next focusable control in reading order, wrapping around.
    void MoveFocusInOrder(bool backwards);
    // Enter and Space act on the focused control; Enter leaves a check box alone (as in a dialog,
    // where Enter means the default button, not the box). False: nothing acted.
    bool ActivateFocused(bool enterKey);
    // The focus ring shows after keyboard use only; the host decides when.
    bool FocusCuesShown() const { return focusCuesShown_; }
    void SetFocusCuesShown(bool shown);

    // A timer whose ticks reach `target->OnTimer`; 0 when none could be started.
    unsigned SetControlTimer(CUiControl* target, unsigned intervalMs);
    void KillControlTimer(unsigned timerId);
    // A timer ticked; false when it is none of the scene's.
    bool TimerTick(unsigned timerId);

    // A control was hidden: hover, capture, focus, tooltip and timers held in its subtree are
    // given up, as when a modal layer closes.
    void ReleaseSubtree(CUiControl* subtree) override;
    void HideTooltip() { tooltip_.Hide(); }

    // The controls in sight in reading order: every one with a role, or only those that take the
    // focus. Hidden controls, pages laid over and everything below a modal layer are left out.
    std::vector<CUiControl*> ShownControls(bool focusableOnly);
    bool IsShown(const CUiControl* control) const;
    // Any control attached to this scene, shown or not; null for an unknown id.
    CUiControl* FindByAccessId(long id);
    long NextAccessId() override { return nextAccessId_++; }

    // Requests to the host (nothing without one).
    void InvalidatePixels(const UiLtrb& area) override;
    void InvalidateAll() override;
    void RaiseAccessEvent(CUiControl* control, UiAccessEvent event) override;
    void* NativeWindow() const override { return host_ ? host_->NativeWindow() : nullptr; }

    CUiControl* Hovered() const { return input_.Hovered(); }
    CUiControl* Captured() const { return input_.Captured(); }
    CUiControl* Focused() const { return input_.Focused(); }
    const std::vector<CUiControl*>& HoverWithin() const { return input_.HoverWithin(); }
    const UiTooltip& Tooltip() const { return tooltip_; }
    const std::vector<std::unique_ptr<CUiControl>>& Roots() const { return roots_; }
    const std::vector<UiModalLayer>& Layers() const { return layers_; }

private:
    void ArrangeLayers();
    void ForgetSubtree(CUiControl* subtree);
    void FocusMoved(CUiControl* before, CUiControl* after);
    void InvalidateFocusRing(const CUiControl* control);
    UiSize ClientPixels() const;

    UiSceneHost* host_;  // non-owning; may be null
    std::vector<std::unique_ptr<CUiControl>> roots_;
    std::vector<UiModalLayer> layers_;
    std::vector<UiModalLayer> closedLayers_;
    int eventDepth_ = 0;
    int width_ = 0;  // DIP, of the last Arrange
    int height_ = 0;
    std::vector<std::pair<unsigned, CUiControl*>> timerTargets_;  // non-owning targets
    unsigned nextTimerId_ = kFirstControlTimerId;
    long nextAccessId_ = 1;
    bool focusCuesShown_ = false;
    UiInputRouter input_;
    UiTooltip tooltip_;
};

// The keyboard focus ring: a rounded outline this far outside the control, this thick (DIP).
constexpr int kFocusRingGapDip = 2;
constexpr int kFocusRingWidthDip = 2;

}  // namespace UIE

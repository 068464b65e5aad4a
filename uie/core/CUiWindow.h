// The window host: one native top-level window that hosts trees of CUiControl.
//
// The host registers the class "Orb.UiWindow", creates the frameless window centred on the
// screen, owns its root controls (and any modal layers) and is the only part of the toolkit that
// touches the HWND: it turns window messages into control operations (hover, capture, focus,
// keyboard, IME, wheel, double click, cursors, tooltips), answers the non-client messages that
// make a borderless window movable and resizable, and paints the trees into its back buffer on
// WM_PAINT. It also gives the keyboard its way around the controls (Tab and Shift+Tab in reading
// order, Enter and Space for the focused control, a focus ring shown after keyboard use only) and
// answers screen readers through Active Accessibility. Its owner sees unhandled messages first through `messageHook`
// (WM_CLOSE before the window is destroyed, WM_DESTROY after the host's own clean-up). Message coordinates are client
// pixels; everything handed to controls is DIP. UI thread only, except `Post`, which other
// threads use to run a task on the UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "uie/core/CUiControl.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiAccessible.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiGeometry.h"
#include "uie/core/UiGlPresenter.h"
#include "uie/core/UiInputRouter.h"
#include "uie/core/UiTooltip.h"

namespace UIE {

// Private message that wakes the window to run its posted tasks. It carries nothing: the tasks
// wait in the window's own queue, so a stray message from another process can do no harm.
constexpr UINT kPostedTaskMessage = 0x806E;
// Private message that starts the OpenGL presenter once the window's first frame is out.
constexpr UINT kStartPresenterMessage = 0x806F;
// Private message that sets the window's icons and DWM frame once it is up (see Create).
constexpr UINT kDecorateMessage = 0x8070;
// Window timer of the tooltip delay; control timers are numbered from kFirstControlTimerId.
constexpr UINT_PTR kTooltipTimerId = 8;
constexpr unsigned kTooltipDelayMs = 500;
constexpr unsigned kFirstControlTimerId = 100;
// Colour laid over everything below a modal layer (ARGB).
constexpr uint32_t kModalDimColour = 0x6E000000;
// The keyboard focus ring: a rounded outline this far outside the control, this thick (DIP).
constexpr int kFocusRingGapDip = 2;
constexpr int kFocusRingWidthDip = 2;
constexpr uint32_t kFocusRingColour = 0xFF333333;

// What the owner decides about its window: the host itself knows nothing of the product.
struct UiWindowOptions {
    std::wstring title;
    int widthDip = 0;
    int heightDip = 0;
    int iconResource = 0;  // icon resource of the module; 0: none
    bool resizable = true;
};

// A control shown above the roots, centred in the client area, that alone receives the pointer.
struct UiModalLayer {
    std::unique_ptr<CUiControl> control;
    int width = 0;    // DIP
    int height = 0;   // DIP
    int offsetY = 0;  // DIP added to the centred top
    std::function<void()> onClosed;
};

class CUiWindow {
public:
    // Parameters and result at the platform's full width: on 64-bit Windows they carry pointers.
    using MessageHook = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;
    using Task = std::function<void()>;

    CUiWindow() = default;
    CUiWindow(const CUiWindow&) = delete;
    CUiWindow& operator=(const CUiWindow&) = delete;

    // Virtual operations, in this order.
    virtual ~CUiWindow();
    virtual void CloseTopLayer();
    virtual void ResizeTopLayer(int width, int height);
    virtual int CaptionHeight();  // DIP; a drag strip at the top of the client area
    virtual void OnCreate();
    virtual void OnSize(int width, int height);  // DIP: arranges every root over the client area
    virtual void OnDestroy();
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);  // −1: not handled
    virtual void OnCaptionCommand(int command);
    virtual int HitTestFrame(int x, int y);  // client pixels; −1: no opinion
    virtual bool OnEscape();                 // closes the top layer when one is open

    // Registers the class once per process and creates the (hidden) window, centred on the
    // screen. False: no window.
    bool Create(HINSTANCE instance, const UiWindowOptions& options);
    // Takes ownership; the root becomes the topmost and is arranged over the client area.
    void AddRoot(std::unique_ptr<CUiControl> root);
    // OpenGL takes a long time to start (under Wine, Mesa's renderer easily takes longer than
    // everything else before the first frame), so the window's first frame is copied with BitBlt
    // and the presenter starts right after it, from the message loop, and shows the same frame.
    // StartPresenter starts it at once instead (true when it presents); StopPresenter stops it
    // and keeps it stopped, with every paint copied with BitBlt.
    bool StartPresenter();
    void StopPresenter();
    // Runs `task` on the UI thread, in posting order, while the window exists. Any thread. A task
    // posted after the window began to close is dropped (destroyed, never run).
    void Post(Task task);
    // How Post wakes the window: PostMessageW. A test puts a failing stand-in here to lose a wake-up.
    using PostWakeFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
    PostWakeFn postWake = PostMessageW;

    // Opens a modal layer of width × height DIP; `onClosed` runs when it is closed.
    void PushLayer(std::unique_ptr<CUiControl> control, int width, int height, int offsetY, Task onClosed);
    // A window timer whose ticks reach `target->OnTimer`; 0 when none could be started.
    unsigned SetControlTimer(CUiControl* target, unsigned intervalMs);
    void KillControlTimer(unsigned timerId);

    // A control was hidden: hover, capture, focus, tooltip and timers held in its subtree are given
    // up, as when a modal layer closes.
    void ReleaseSubtree(CUiControl* subtree);

    // The controls holding the pointer and keyboard roles; the router keeps them consistent.
    CUiControl* Hovered() const { return input.Hovered(); }
    CUiControl* Captured() const { return input.Captured(); }
    CUiControl* Focused() const { return input.Focused(); }
    const std::vector<CUiControl*>& HoverWithin() const { return input.HoverWithin(); }
    const UiTooltip& Tooltip() const { return tooltip; }

    // Re-evaluates hover for where the pointer is now (after the tree was built or changed under
    // a resting pointer); nothing when it is outside the client area.
    void UpdateHoverFromCursor();
    // The control under (x, y) in client DIP, with the point in its local coordinates.
    CUiControl* HitTestAt(int x, int y, int* localX, int* localY);
    // Where the tooltip is (or would be) drawn, in client pixels.
    UiRect TooltipRect() const;
    // Draws `dirty` (client pixels) of the window into the back buffer.
    void RenderBuffer(const UiLtrb& dirty);

    // Keyboard focus. Moves it to `target` (null: nowhere), as a click or Tab would.
    void FocusControl(CUiControl* target);
    // Tab and Shift+Tab: the next focusable control in reading order, wrapping around.
    void MoveFocusInOrder(bool backwards);
    // The controls in sight in reading order: every one with a role, or only those that take the
    // focus. Hidden controls, pages laid over and everything below a modal layer are left out.
    std::vector<CUiControl*> ShownControls(bool focusableOnly);
    bool IsShown(const CUiControl* control) const;
    // The focus ring shows after keyboard use and hides after a click (the system's UI state,
    // UISF_HIDEFOCUS). Changing it goes through WM_CHANGEUISTATE like any window's.
    bool FocusCuesShown() const { return focusCuesShown; }
    void SetFocusCues(bool shown);
    // Client pixels a control covers, grown by `outset` pixels.
    UiLtrb ControlPixelArea(const CUiControl* control, int outset) const;

    // Screen readers.
    long NextAccessId() { return nextAccessId++; }
    // Any control attached to this window, shown or not; null for an unknown id.
    CUiControl* FindByAccessId(long id);
    void RaiseAccessEvent(CUiControl* control, UiAccessEvent event);

    HWND hwnd = nullptr;
    HINSTANCE instance = nullptr;
    std::wstring title;
    std::vector<std::unique_ptr<CUiControl>> roots;
    MessageHook messageHook;
    UiBackBuffer buffer;
    // Shows the buffer through OpenGL while it works; BitBlt otherwise.
    UiGlPresenter presenter;
    UiCanvas canvas;
    bool trackingLeave = false;
    std::map<unsigned, CUiControl*> timerTargets;  // non-owning
    std::vector<UiModalLayer> layers;
    unsigned nextTimerId = kFirstControlTimerId;

private:
    UiInputRouter input{{[this](int x, int y, int* lx, int* ly) { return HitTestAt(x, y, lx, ly); },
                         [this] { SetCapture(hwnd); }, [] { ReleaseCapture(); },
                         [this](CUiControl* before, CUiControl* after) { OnFocusMoved(before, after); }}};
    UiTooltip tooltip{{[this] { SetTimer(hwnd, kTooltipTimerId, kTooltipDelayMs, nullptr); },
                       [this] {
                           if (hwnd)
                               KillTimer(hwnd, kTooltipTimerId);
                       },
                       [this](const UiLtrb& area) { InvalidatePixels(area); }, [this] { return ClientSizePx(); }}};

    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultPath(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunPostedTasks();
    void OnDestroyMessage(WPARAM wParam, LPARAM lParam);
    void StopTasks();
    void ApplyDwmFrame();
    UiSize ClientSizeDip() const;

    // Pointer and keyboard
    void OnPointerMove(int px, int py);
    void OnPointerLeave();
    void OnButtonDown(int px, int py);
    void OnWheel(WPARAM wParam, LPARAM lParam);
    void OnKeyDown(WPARAM virtualKey, LPARAM lParam);
    bool ActivateFocused(WPARAM virtualKey);
    void OnFocusMoved(CUiControl* before, CUiControl* after);
    void OnUpdateUiState(WPARAM wParam);
    void InvalidateFocusRing(const CUiControl* control);
    void PaintFocusRing();
    LRESULT OnGetObject(HWND window, WPARAM wParam, LPARAM lParam);
    bool OnSetCursor(LPARAM lParam);
    void OnImeStartComposition();
    bool OnImeComposition(LPARAM lParam);
    void OnTimerMessage(WPARAM timerId);

    // Frame
    LRESULT OnNcHitTest(LPARAM lParam);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    int CaptionStripHeight();
    void InvalidateCaptionStrip();
    void RunCaptionCommand(int command);

    // Tooltip
    void HideTooltip();
    UiSize ClientSizePx() const;
    void InvalidatePixels(const UiLtrb& area);

    // Painting and layers. Paint is false when nothing was drawn (minimised, no DC).
    bool Paint();
    bool PresentBuffer(int width, int height);
    bool TopLayerCovers(const UiLtrb& dirty);
    void PaintLayers(const UiLtrb& dirty, bool onlyTop);
    void ArrangeLayers(int width, int height);
    void ForgetSubtree(CUiControl* subtree);
    void ApplyIcons();

    // The icon resource that kDecorateMessage sets; 0 once set, or when there is none.
    int pendingIconResource = 0;

    // Where the presenter's start after the first frame stands: Create sets Waiting, the first
    // frame posts kStartPresenterMessage, and StartPresenter or StopPresenter end it.
    enum class PresenterStart { Done, Waiting, Posted };
    PresenterStart presenterStart = PresenterStart::Done;

    // Posted tasks: the queue and the window they are posted to, shared with other threads.
    std::mutex taskLock;
    std::vector<Task> pendingTasks;
    HWND taskTarget = nullptr;
    bool wakePosted = false;  // a wake message is on its way; cleared when the tasks are taken
    // Layers closed while the message that closed them is still being handled; their controls may
    // be on the call stack, so they are destroyed when the outermost message returns.
    std::vector<UiModalLayer> closedLayers;
    int messageDepth = 0;

    bool focusCuesShown = false;
    // The character the key just handled here would still type (Tab, Enter, Space): dropped.
    wchar_t swallowChar = 0;
    long nextAccessId = 1;
    // Made on a reader's first request; cut off from the window when it is destroyed, while
    // readers may still hold it.
    base::ComPtr<UiAccessible> accessible;
};

}  // namespace UIE

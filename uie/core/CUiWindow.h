// The window host: one native top-level window that shows a scene (UiScene).
//
// The host registers the class "Orb.UiWindow", creates the frameless window centred on the
// screen and turns window messages into scene operations: pointer, keyboard, IME, wheel, timers,
// cursors and the keyboard cues (Tab and Shift+Tab move the focus in reading order, Enter and
// Space act on the focused control, the focus ring shows after keyboard use only). On WM_PAINT
// it paints the scene (UiScenePainter) into the window's pixels (UiWindowSurface: the back buffer,
// presented through OpenGL where it works, BitBlt otherwise). The frame (UiWindowFrame), screen
// readers (UiAccessBridge), the IME (UiWindowIme) and posted tasks (UiTaskQueue) have files of
// their own. Its owner sees unhandled messages first through the message hook (WM_CLOSE before
// the window is destroyed, WM_DESTROY after the host's own clean-up). Message coordinates are
// client pixels; everything handed to the scene is DIP. UI thread only, except `Post`, which
// other threads use to run a task on the UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uie/core/CUiControl.h"
#include "uie/core/UiAccessBridge.h"
#include "uie/core/UiGeometry.h"
#include "uie/core/UiScene.h"
#include "uie/core/UiTaskQueue.h"
#include "uie/core/UiWindowSurface.h"

namespace UIE {

// Private message that wakes the window to run its posted tasks (UiTaskQueue).
constexpr UINT kPostedTaskMessage = 0x806E;
// Private message that starts the OpenGL presenter once the window's first frame is out.
constexpr UINT kStartPresenterMessage = 0x806F;
// Private message that sets the window's icons and DWM frame once it is up (see Create).
constexpr UINT kDecorateMessage = 0x8070;

// What the owner decides about its window: the host itself knows nothing of the product.
struct UiWindowOptions {
    std::wstring title;
    int widthDip = 0;
    int heightDip = 0;
    int iconResource = 0;  // icon resource of the module; 0: none
    bool resizable = true;
};

class CUiWindow : private UiSceneHost {
public:
    // Parameters and result at the platform's full width: on 64-bit Windows they carry pointers.
    using MessageHook = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;
    using Task = UiTaskQueue::Task;

    CUiWindow() = default;
    CUiWindow(const CUiWindow&) = delete;
    CUiWindow& operator=(const CUiWindow&) = delete;

    // Virtual operations, in this order.
    virtual ~CUiWindow();
    virtual void CloseTopLayer();
    virtual void ResizeTopLayer(int width, int height);
    virtual int CaptionHeight();  // DIP; a drag strip at the top of the client area
    virtual void OnCreate();
    virtual void OnSize(int width, int height);  // DIP: arranges the scene over the client area
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
    // The OpenGL presenter starts after the window's first frame (see UiWindowSurface).
    // StartPresenter starts it at once instead (true when it presents); StopPresenter stops it
    // and keeps it stopped, with every paint copied with BitBlt.
    bool StartPresenter();
    void StopPresenter();
    // Runs `task` on the UI thread, in posting order, while the window exists. Any thread. A task
    // posted after the window began to close is dropped (destroyed, never run).
    void Post(Task task);
    // How Post wakes the window: PostMessageW. A test puts a failing stand-in here to lose a wake-up.
    void SetPostWake(UiTaskQueue::WakeFn wake) { tasks.SetWake(wake); }
    void SetMessageHook(MessageHook hook) { messageHook = std::move(hook); }

    // Re-evaluates hover for where the pointer is now (after the tree was built or changed under
    // a resting pointer); nothing when it is outside the client area.
    void UpdateHoverFromCursor();
    // Draws `dirty` (client pixels) of the window into the back buffer.
    void RenderBuffer(const UiLtrb& dirty);
    // The focus ring shows after keyboard use and hides after a click (the system's UI state,
    // UISF_HIDEFOCUS). Changing it goes through WM_CHANGEUISTATE like any window's.
    void SetFocusCues(bool shown);

    HWND Hwnd() const { return hwnd; }
    UiScene& Scene() { return scene; }
    const std::wstring& Title() const { return title; }
    // The last frame drawn: what the window shows.
    const UiBackBuffer& Buffer() const { return surface.Buffer(); }
    UiCanvas& Canvas() { return surface.Canvas(); }
    UiGlPresenter& Presenter() { return surface.Presenter(); }

private:
    // UiSceneHost
    void InvalidatePixels(const UiLtrb& area) override;
    void InvalidateAll() override;
    void CapturePointer() override;
    void ReleasePointer() override;
    bool StartTimer(unsigned id, unsigned intervalMs) override;
    void StopTimer(unsigned id) override;
    UiSize ClientPixels() const override;
    void RaiseAccessEvent(CUiControl& control, UiAccessEvent event) override;
    void* NativeWindow() const override { return hwnd; }

    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultPath(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnDestroyMessage(WPARAM wParam, LPARAM lParam);
    UiSize ClientSizeDip() const;
    int CaptionStripHeight();

    // Pointer and keyboard
    void OnPointerMove(int px, int py);
    void OnButtonDown(int px, int py);
    void OnWheel(WPARAM wParam, LPARAM lParam);
    void OnKeyDown(WPARAM virtualKey, LPARAM lParam);
    bool ActivateFocused(WPARAM virtualKey);
    void OnUpdateUiState(WPARAM wParam);
    bool OnSetCursor(LPARAM lParam);
    LRESULT OnNcHitTest(LPARAM lParam);

    void DrawScene(UiCanvas& canvas, const UiLtrb& dirty, int widthPx);

    HWND hwnd = nullptr;
    HINSTANCE instance = nullptr;
    std::wstring title;
    MessageHook messageHook;
    UiWindowSurface surface{kStartPresenterMessage};
    bool trackingLeave = false;
    // The icon resource that kDecorateMessage sets; 0 once set, or when there is none.
    int pendingIconResource = 0;

    UiTaskQueue tasks{kPostedTaskMessage};
    // The character the key just handled here would still type (Tab, Enter, Space): dropped.
    wchar_t swallowChar = 0;
    UiAccessBridge readers;
    // Last, so that it goes first: controls being destroyed may still call on the host.
    UiScene scene{this};
};

}  // namespace UIE

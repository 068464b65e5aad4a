// The window host: one native top-level window that hosts trees of CUiControl.
//
// The host registers the class "Orb.UiWindow", creates the frameless window centred on the screen,
// owns its root controls and translates window messages into control operations. Its owner sees
// unhandled messages first through `messageHook` (WM_CLOSE before the window is destroyed,
// WM_DESTROY after the host's own clean-up). Other threads reach the UI thread only with `Post`.
// Sizes handed to the virtual operations are in DIP; message coordinates are client pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uie/core/CUiControl.h"

namespace UIE {

// Private message that carries a posted task; lParam owns a heap `std::function<void()>`.
constexpr UINT kPostedTaskMessage = 0x806E;

class CUiWindow {
public:
    using MessageHook = std::function<int32_t(uint32_t message, uint32_t wParam, int32_t lParam)>;
    using Task = std::function<void()>;

    CUiWindow() = default;
    CUiWindow(const CUiWindow&) = delete;
    CUiWindow& operator=(const CUiWindow&) = delete;

    // Virtual operations, in this order.
    virtual ~CUiWindow();
    virtual void CloseTopLayer() {}
    virtual void ResizeTopLayer(int width, int height);
    virtual int CaptionHeight() { return 64; }
    virtual void OnCreate() {}
    virtual void OnSize(int width, int height);
    virtual void OnDestroy() {}
    virtual long HandleMessage(unsigned message, unsigned wParam, long lParam);
    virtual void OnCaptionCommand(int command);
    virtual int HitTestFrame(int x, int y);
    virtual bool OnEscape() { return false; }

    // Registers the class once per process and creates the (hidden) window. False: no window.
    bool Create(HINSTANCE instance);
    // Takes ownership; the root becomes the topmost and is arranged over the client area.
    void AddRoot(std::unique_ptr<CUiControl> root);
    // Runs `task` on the UI thread, in posting order, while the window exists. Any thread.
    void Post(Task task);

    HWND hwnd = nullptr;
    HINSTANCE instance = nullptr;
    std::wstring title;
    std::vector<std::unique_ptr<CUiControl>> roots;
    MessageHook messageHook;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultPath(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void ApplyDwmFrame();
    static void DiscardPendingTasks(HWND window);
};

}  // namespace UIE

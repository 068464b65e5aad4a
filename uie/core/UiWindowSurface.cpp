#include "uie/core/UiWindowSurface.h"

#include "base/ScopedWin.h"
#include "uie/core/UiFirstPaint.h"

namespace UIE {

bool UiWindowSurface::Paint(HWND window, const Draw& draw) {
    base::PaintDc paint(window);
    RECT client = {};
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0 || !paint.Get())
        return false;
    buffer_.Ensure(paint.Get(), width, height);
    const RECT& area = paint.Area();
    Render({area.left, area.top, area.right, area.bottom}, draw);
    if (!Present(width, height))
        BitBlt(paint.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top, buffer_.bufferDC.Get(),
               area.left, area.top, SRCCOPY);
    NoteFirstPresentedPaint();  // the application's hook, if it installed one
    // The first frame is out: OpenGL starts on the next turn of the message loop, unless it was
    // started already.
    if (start_ == Start::Waiting) {
        if (presenter_.Active())
            start_ = Start::Done;
        else if (PostMessageW(window, startMessage_, 0, 0))
            start_ = Start::Posted;
    }
    return true;
}

void UiWindowSurface::Render(const UiLtrb& dirty, const Draw& draw) {
    if (!buffer_.bufferDC)
        return;
    canvas_.BeginWindowPaint(buffer_.bufferDC.Get(), buffer_.bufferWidth, buffer_.bufferHeight, dirty);
    draw(canvas_, dirty, buffer_.bufferWidth);
    canvas_.EndWindowPaint();
}

void UiWindowSurface::OnStartMessage(HWND window) {
    if (start_ == Start::Posted)
        StartPresenter(window);
}

bool UiWindowSurface::StartPresenter(HWND window) {
    start_ = Start::Done;
    if (!window || !presenter_.Start(window))
        return false;
    // What is on screen came by BitBlt; the presenter shows the same frame at once, or, when the
    // buffer no longer fits the window, the paint that follows does.
    RECT client = {};
    GetClientRect(window, &client);
    if (!buffer_.bufferDC || !Present(client.right - client.left, client.bottom - client.top))
        InvalidateRect(window, nullptr, FALSE);
    return presenter_.Active();
}

void UiWindowSurface::StopPresenter() {
    start_ = Start::Done;
    presenter_.Stop();
}

void UiWindowSurface::Release() {
    presenter_.Stop();
    buffer_.Release();
}

// The presenter shows the whole buffer at once, whatever the dirty area.
bool UiWindowSurface::Present(int width, int height) {
    if (!presenter_.Active() || buffer_.bufferWidth != width || buffer_.bufferHeight != height)
        return false;
    return presenter_.Present(buffer_.bufferBits, width, height);
}

}  // namespace UIE

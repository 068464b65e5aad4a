// A window's pixels: the back buffer its content is drawn into, and the way the buffer reaches the
// screen. OpenGL takes a long time to start (under Wine, Mesa's renderer easily takes longer than
// everything else before the first frame), so the first frame is copied with BitBlt and the
// presenter starts right after it, from the message loop, and shows the same frame. Where it
// cannot start (no driver, no display, no pixel format) every paint is copied with BitBlt. The
// buffer always holds the complete image. UI thread only.
#pragma once

#include <windows.h>

#include <functional>

#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiGeometry.h"
#include "uie/core/UiGlPresenter.h"

namespace UIE {

class UiWindowSurface {
public:
    // Draws `dirty` (client pixels) of a window `widthPx` wide into the canvas.
    using Draw = std::function<void(UiCanvas& canvas, const UiLtrb& dirty, int widthPx)>;

    // `startMessage` is posted to the window after its first frame to start the presenter.
    explicit UiWindowSurface(UINT startMessage) : startMessage_(startMessage) {}
    UiWindowSurface(const UiWindowSurface&) = delete;
    UiWindowSurface& operator=(const UiWindowSurface&) = delete;

    // The window was created: the presenter waits for its first frame.
    void StartAfterFirstFrame() { start_ = Start::Waiting; }
    // WM_PAINT: draws the area to repaint and shows it. False when nothing was drawn (minimised,
    // no DC); the buffer is then left alone.
    bool Paint(HWND window, const Draw& draw);
    // Draws `dirty` (client pixels) into the buffer without showing it.
    void Render(const UiLtrb& dirty, const Draw& draw);
    // The start message came back from the queue.
    void OnStartMessage(HWND window);
    // Starts the presenter at once (true when it presents), or stops it and keeps it stopped.
    bool StartPresenter(HWND window);
    void StopPresenter();
    // The presenter stopped and the buffer freed, as the window goes.
    void Release();

    const UiBackBuffer& Buffer() const { return buffer_; }
    UiCanvas& Canvas() { return canvas_; }
    UiGlPresenter& Presenter() { return presenter_; }

private:
    // False when the caller must copy with BitBlt.
    bool Present(int width, int height);

    // Create sets Waiting, the first frame posts the start message, and StartPresenter or
    // StopPresenter end it.
    enum class Start { Done, Waiting, Posted };
    const UINT startMessage_;
    Start start_ = Start::Done;
    UiBackBuffer buffer_;
    UiGlPresenter presenter_;
    UiCanvas canvas_;
};

}  // namespace UIE

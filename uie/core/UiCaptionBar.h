// The built-in caption bar of a window host whose `CaptionHeight()` is positive: the title on the
// left and the three window buttons (minimise, maximise/restore, close) on the right.
//
// The strip belongs to the frame: it drags the window except over the buttons, and a press on a
// button runs its command on the window and is then reported through `OnCaptionCommand`. All
// values are client pixels. A frameless host that draws its own title has none. UI thread only.
#pragma once

#include <string>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiGeometry.h"

namespace UIE {

// Caption commands.
constexpr int kCaptionMinimize = 1;
constexpr int kCaptionMaximize = 2;  // maximise, or restore when maximised
constexpr int kCaptionClose = 3;

class UiCaptionBar {
public:
    // The command of the button under (x, y), or 0.
    static int ButtonAt(int x, int y, int clientWidth, int stripHeight);
    static UiRect ButtonRect(int command, int clientWidth, int stripHeight);
    static void Paint(UiCanvas& canvas, const std::wstring& title, int clientWidth, int stripHeight);

private:
    static void PaintGlyph(UiCanvas& canvas, int command, const UiRect& button);
};

}  // namespace UIE

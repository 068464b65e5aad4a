#include "uie/core/UiCaptionBar.h"

#include <algorithm>

#include "uie/core/UiDpi.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {

constexpr int kButtonWidthDip = 46;
constexpr int kGlyphDip = 10;
constexpr int kTitleSizeDip = 12;

}  // namespace

// Buttons sit right to left: close, maximise, minimise.
UiRect UiCaptionBar::ButtonRect(int command, int clientWidth, int stripHeight) {
    const int width = Scale(kButtonWidthDip);
    const int slot = kCaptionClose - command;  // 0 for close
    return {clientWidth - (slot + 1) * width, 0, width, stripHeight};
}

int UiCaptionBar::ButtonAt(int x, int y, int clientWidth, int stripHeight) {
    for (int command = kCaptionMinimize; command <= kCaptionClose; ++command) {
        if (RectContains(ButtonRect(command, clientWidth, stripHeight), x, y))
            return command;
    }
    return 0;
}

void UiCaptionBar::Paint(UiCanvas& canvas, const std::wstring& title, int clientWidth, int stripHeight) {
    const UiTheme& theme = GetTheme();
    const int left = Scale(12);
    const int titleWidth = std::max(0, ButtonRect(kCaptionMinimize, clientWidth, stripHeight).x - left);
    canvas.DrawString(title.c_str(), kTitleSizeDip, theme.text, static_cast<float>(left), 0.0f,
                      static_cast<float>(titleWidth), static_cast<float>(stripHeight), kAlignNear, false);
    for (int command = kCaptionMinimize; command <= kCaptionClose; ++command)
        PaintGlyph(canvas, command, ButtonRect(command, clientWidth, stripHeight));
}

void UiCaptionBar::PaintGlyph(UiCanvas& canvas, int command, const UiRect& button) {
    const COLORREF colour = ArgbToColorRef(GetTheme().text);
    const int pen = std::max(1, Scale(1));
    const int size = Scale(kGlyphDip);
    const int l = button.x + (button.width - size) / 2;
    const int t = button.y + (button.height - size) / 2;
    const int r = l + size;
    const int b = t + size;
    switch (command) {
        case kCaptionMinimize:
            canvas.DrawLine(l, t + size / 2, r, t + size / 2, colour, pen);
            break;
        case kCaptionMaximize:
            canvas.DrawLine(l, t, r, t, colour, pen);
            canvas.DrawLine(r, t, r, b, colour, pen);
            canvas.DrawLine(r, b, l, b, colour, pen);
            canvas.DrawLine(l, b, l, t, colour, pen);
            break;
        default:
            canvas.DrawLine(l, t, r, b, colour, pen);
            canvas.DrawLine(r, t, l, b, colour, pen);
            break;
    }
}

}  // namespace UIE

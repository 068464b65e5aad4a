// Helpers shared by the toolkit tests that run under Wine: a DPI override, a GDI+ session with the
// shared UI font family, a control that records the events the window host delivers, and a
// message pump.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "uie/core/CUiControl.h"
#include "uie/core/CUiWindow.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiGdiplusSession.h"
#include "support/DpiScope.h"
#include "support/MessagePump.h"

namespace uitest {

using DpiScope = TestSupport::DpiScope;

// A DPI for text too: fonts are built once for the DPI in force, so they are dropped on the way in
// and out.
class TextDpiScope {
public:
    explicit TextDpiScope(int dpi) : scope_(dpi) { UIE::ClearFontCache(); }
    ~TextDpiScope() { UIE::ClearFontCache(); }
    TextDpiScope(const TextDpiScope&) = delete;
    TextDpiScope& operator=(const TextDpiScope&) = delete;

private:
    DpiScope scope_;
};

// GDI+ running with the shared family, as start-up leaves it; caches are emptied on the way out.
using GdiplusSession = UIE::UiGdiplusSession;

// Appends "name:event" (with coordinates where the event has them) to a shared log.
class RecordingControl : public UIE::CUiControl {
public:
    RecordingControl(std::vector<std::string>& log, std::string name, UIE::UiRect rect)
        : log_(log), name_(std::move(name)) {
        bounds = rect;
    }

    void OnMouseEnter() override { Record("enter"); }
    void OnMouseMove(int x, int y) override { Record("move", x, y); }
    void OnMouseLeave() override { Record("leave"); }
    void OnMouseDown(int x, int y) override { Record("down", x, y); }
    void OnMouseUp(int x, int y) override { Record("up", x, y); }
    void OnDoubleClick(int x, int y) override { Record("dblclick", x, y); }
    bool OnMouseWheel(int delta) override {
        Record("wheel" + std::to_string(delta));
        return handlesWheel;
    }
    bool WantsHandCursor() override { return hand; }
    bool WantsTextCursor() override { return text; }
    bool IsFocusable() override { return focusable; }
    void OnFocus() override { Record("focus"); }
    void OnBlur() override { Record("blur"); }
    void OnChar(wchar_t ch) override { Record("char" + std::to_string(static_cast<int>(ch))); }
    void OnKeyDown(unsigned key) override { Record("key" + std::to_string(key)); }
    void OnImeResult(const wchar_t* value) override {
        imeText = value;
        Record("ime");
    }
    void OnTimer(unsigned id) override { Record("timer" + std::to_string(id)); }
    bool GetImeCaretRect(UIE::UiLtrb* out) override {
        Record("caretrect");
        *out = {10, 20, 11, 36};
        return true;
    }
    bool OnDescendantMouseDown(UIE::CUiControl*, int x, int y, int sourceX, int sourceY) override {
        if (claims)
            Record("claim", x, y, sourceX, sourceY);
        return claims;
    }
    bool InterceptPointer(int, int) override { return intercepts; }
    void OnHoverWithin(bool inside) override { Record(inside ? "within" : "without"); }
    bool TracksHoverWithin() override { return tracksWithin; }

    bool hand = false;
    bool text = false;
    bool focusable = false;
    bool handlesWheel = false;
    bool claims = false;
    bool intercepts = false;
    bool tracksWithin = false;
    std::wstring imeText;

private:
    void Record(const std::string& event) { log_.push_back(name_ + ":" + event); }
    void Record(const std::string& event, int x, int y) {
        Record(event + "(" + std::to_string(x) + "," + std::to_string(y) + ")");
    }
    void Record(const std::string& event, int x, int y, int sx, int sy) {
        Record(event + "(" + std::to_string(x) + "," + std::to_string(y) + "/" + std::to_string(sx) + "," +
               std::to_string(sy) + ")");
    }

    std::vector<std::string>& log_;
    std::string name_;
};

// A white memory buffer that controls paint into through a canvas, for reading back pixels.
class PaintBuffer {
public:
    bool Create(int width, int height) {
        width_ = width;
        height_ = height;
        return buffer.Ensure(nullptr, width, height);
    }
    template <typename Draw>
    void Paint(Draw draw) {
        PatBlt(buffer.bufferDC.Get(), 0, 0, width_, height_, WHITENESS);
        canvas.BeginWindowPaint(buffer.bufferDC.Get(), width_, height_);
        draw(canvas);
        canvas.EndWindowPaint();
    }
    void PaintControl(UIE::CUiControl& control) {
        Paint([&control](UIE::UiCanvas& canvas) { control.PaintTree(canvas); });
    }
    uint32_t Px(int x, int y) const { return buffer.PixelAt(x, y); }

    UIE::UiBackBuffer buffer;
    UIE::UiCanvas canvas;

private:
    int width_ = 0;
    int height_ = 0;
};

using TestSupport::PumpPending;
using TestSupport::PumpUntil;

// A plain resizable test window of 520 × 374 DIP.
inline UIE::UiWindowOptions WindowOptions() {
    UIE::UiWindowOptions options;
    options.title = L"test";
    options.widthDip = 520;
    options.heightDip = 374;
    return options;
}

inline LPARAM PointParam(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

}  // namespace uitest

// Paint benchmark: a window with a control tree like the installer's (a header band, buttons,
// labels, a progress bar, a grid of cards with text and check marks) is painted in full; then a
// small button nested two levels deep (grid, card) changes its hover look and repaints itself,
// first alone and then with a tooltip showing; at 96 and 192 DPI. Prints microseconds per paint
// as "key: value" lines, the ratio of full to hover paint time last.
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "uie/core/CUiWindow.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiGdiplusSession.h"
#include "uie/core/UiTheme.h"

using namespace UIE;

namespace {

constexpr int kFullPaints = 200;
constexpr int kControlPaints = 2000;
constexpr int kWarmUpPaints = 20;

class Band : public CUiControl {
public:
    void Paint(UiCanvas& canvas) override {
        const UiRect px = GetPixelRect();
        canvas.FillRoundRectGradient({0, 0, px.width, px.height}, 0xFFFF7467, 0xFFFFA467, 1, 0.0f);
        canvas.DrawText(L"欧贝林视频格式转换器", 20, RGB(255, 255, 255), {0, 0, px.width, px.height}, kTextCenter,
                        true);
    }
};

class Button : public CUiControl {
public:
    explicit Button(std::wstring text) : text_(std::move(text)) {}
    void Paint(UiCanvas& canvas) override {
        ++paints;
        const UiRect px = GetPixelRect();
        canvas.FillRoundRect(static_cast<float>(px.height) / 2.0f, {0, 0, px.width, px.height},
                             hovered ? 0xFFFF8A7F : 0xFFFF7467);
        canvas.DrawText(text_.c_str(), 14, RGB(255, 255, 255), {0, 0, px.width, px.height}, kTextCenter, false);
    }
    bool hovered = false;
    int paints = 0;

private:
    std::wstring text_;
};

class Label : public CUiControl {
public:
    explicit Label(std::wstring text) : text_(std::move(text)) {}
    void Paint(UiCanvas& canvas) override {
        const UiRect px = GetPixelRect();
        canvas.DrawText(text_.c_str(), 13, RGB(0x33, 0x33, 0x33), {0, 0, px.width, px.height}, 0, false);
    }

private:
    std::wstring text_;
};

class Card : public CUiControl {
public:
    void Paint(UiCanvas& canvas) override {
        const UiRect px = GetPixelRect();
        canvas.FillRoundRect(static_cast<float>(Scale(8)), {0, 0, px.width, px.height}, 0xFFF3F4F6);
        canvas.FillCheckCircle({Scale(6), Scale(6), Scale(16), Scale(16)}, 0xFF2BB673);
    }
};

class Progress : public CUiControl {
public:
    void Paint(UiCanvas& canvas) override {
        const UiRect px = GetPixelRect();
        const float radius = static_cast<float>(px.height) / 2.0f;
        canvas.FillRoundRect(radius, {0, 0, px.width, px.height}, 0xFFEDEEF0);
        canvas.FillRoundRectGradient({0, 0, px.width * 3 / 5, px.height}, 0xFFFF7467, 0xFFFF7467, 0, radius);
    }
};

template <typename T, typename... Args>
T* Place(CUiControl* parent, UiRect bounds, Args&&... args) {
    T* control = parent->Add<T>(std::forward<Args>(args)...);
    control->bounds = bounds;
    return control;
}

// Builds the tree and returns the control the hover paints invalidate.
Button* BuildTree(CUiControl* root) {
    Place<Band>(root, {0, 0, 520, 120});
    Place<Button>(root, {160, 300, 200, 44}, L"立即安装");
    Place<Button>(root, {380, 310, 110, 28}, L"自定义目录");
    Place<Button>(root, {476, 8, 36, 28}, L"×");
    for (int i = 0; i < 6; ++i)
        Place<Label>(root, {24, 130 + i * 26, 220, 22}, L"安装遇到问题？联系我们 " + std::to_wstring(i));
    Place<Progress>(root, {24, 290, 472, 6});
    CUiControl* grid = Place<CUiControl>(root, {260, 130, 240, 150});
    Button* nested = nullptr;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            Card* card = Place<Card>(grid, {column * 80, row * 38, 74, 34});
            if (row == 1 && column == 1)
                nested = Place<Button>(card, {26, 6, 44, 22}, L"选择");
            else
                Place<Label>(card, {26, 4, 46, 26}, L"组件");
        }
    }
    return nested;
}

double Microseconds(LARGE_INTEGER start, LARGE_INTEGER end, int count) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart) / count;
}

struct Figures {
    double full = 0.0;
    double hover = 0.0;
    double hoverWithTooltip = 0.0;
};

// Microseconds per hover repaint of `target`.
double HoverRepaints(CUiWindow& window, Button* target, int dpi) {
    const int paintsBefore = target->paints;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kControlPaints; ++i) {
        target->hovered = !target->hovered;  // what a hover change repaints
        target->Invalidate();
        UpdateWindow(window.hwnd);
    }
    QueryPerformanceCounter(&end);
    if (target->paints - paintsBefore != kControlPaints)
        std::fprintf(stderr, "warning: %d of %d hover paints reached the control at %d DPI\n",
                     target->paints - paintsBefore, kControlPaints, dpi);
    return Microseconds(start, end, kControlPaints);
}

Figures Measure(int dpi) {
    CUiWindow window;
    UiWindowOptions options;
    options.title = L"paint";
    options.widthDip = 520;
    options.heightDip = 374;
    if (!window.Create(GetModuleHandleW(nullptr), options))
        return {};
    // The display's DPI was read at creation; the benchmark imposes its own and sizes the window
    // to match, before any font is built.
    GetDpi().dpi = dpi;
    ClearFontCache();
    // At the screen's top-left corner, so that as much of it as possible is on screen: the system
    // does not paint what lies off screen.
    SetWindowPos(window.hwnd, nullptr, 0, 0, Scale(520), Scale(374), SWP_NOZORDER | SWP_NOACTIVATE);
    auto root = std::make_unique<CUiControl>();
    Button* target = BuildTree(root.get());
    window.AddRoot(std::move(root));
    ShowWindow(window.hwnd, SW_SHOWNOACTIVATE);
    // Warm-up: the first paints build the buffer, the fonts and GDI+'s own caches.
    for (int i = 0; i < kWarmUpPaints; ++i) {
        InvalidateRect(window.hwnd, nullptr, FALSE);
        UpdateWindow(window.hwnd);
        target->Invalidate();
        UpdateWindow(window.hwnd);
    }

    Figures figures;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kFullPaints; ++i) {
        InvalidateRect(window.hwnd, nullptr, FALSE);
        UpdateWindow(window.hwnd);
    }
    QueryPerformanceCounter(&end);
    figures.full = Microseconds(start, end, kFullPaints);

    figures.hover = HoverRepaints(window, target, dpi);

    // The tooltip of the hovered button, open over it: every repaint also draws the tooltip.
    int x = 0;
    int y = 0;
    target->GetAbsolutePosition(x, y);
    target->tooltip = L"选择安装组件\n第二行说明";
    const POINT over = {Scale(x + 2), Scale(y + 2)};
    SendMessageW(window.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
    SendMessageW(window.hwnd, WM_TIMER, kTooltipTimerId, 0);  // the delay has passed
    if (!window.Tooltip().Showing())
        std::fprintf(stderr, "warning: the tooltip did not open at %d DPI\n", dpi);
    figures.hoverWithTooltip = HoverRepaints(window, target, dpi);
    DestroyWindow(window.hwnd);
    return figures;
}

}  // namespace

int main() {
    UiGdiplusSession gdiplus;
    GetTheme().windowBackground = 0xFFFFFFFF;

    const Figures at96 = Measure(96);
    const Figures at192 = Measure(192);
    for (const auto& [dpi, figures] : {std::pair<int, Figures>{96, at96}, {192, at192}}) {
        std::printf("full_paint_%ddpi_us: %.1f\n", dpi, figures.full);
        std::printf("hover_paint_%ddpi_us: %.1f\n", dpi, figures.hover);
        std::printf("hover_paint_with_tooltip_%ddpi_us: %.1f\n", dpi, figures.hoverWithTooltip);
    }
    const double hovers = at96.hover + at192.hover;
    std::printf("full_to_hover_ratio: %.1f\n", hovers > 0.0 ? (at96.full + at192.full) / hovers : 0.0);

    return 0;
}

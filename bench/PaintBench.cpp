// Paint benchmark: the control gallery, a page like the installer's main page (header card,
// agreement row with check box and links, filled, outlined and text buttons, progress bar, check
// badge), is painted in full; then the install button changes its hover look and repaints itself,
// first alone and then with a tooltip showing; at 96 and 192 DPI; once presented with BitBlt and
// once through the OpenGL presenter. Prints microseconds per paint as "key: value" lines, the
// ratio of OpenGL to BitBlt full-paint time last.
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "tools/gallery/GalleryPage.h"
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
constexpr int kBadgeResource = 105;

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

// Microseconds per hover repaint of `target`: the pointer entering or leaving it.
double HoverRepaints(CUiWindow& window, CUiButton* target) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kControlPaints; ++i) {
        if (target->IsHovered())
            target->OnMouseLeave();
        else
            target->OnMouseEnter();
        UpdateWindow(window.Hwnd());
    }
    QueryPerformanceCounter(&end);
    return Microseconds(start, end, kControlPaints);
}

Figures Measure(int dpi, bool presenter) {
    CUiWindow window;
    UiWindowOptions options;
    options.title = L"paint";
    options.widthDip = 520;
    options.heightDip = 374;
    if (!window.Create(GetModuleHandleW(nullptr), options))
        return {};
    if (!presenter)
        window.StopPresenter();
    else if (!window.StartPresenter())
        std::fprintf(stderr, "warning: no OpenGL presenter (no display or driver); BitBlt figures only\n");
    // The display's DPI was read at creation; the benchmark imposes its own and sizes the window
    // to match, before any font is built.
    GetDpi().dpi = dpi;
    ClearFontCache();
    // At the screen's top-left corner, so that as much of it as possible is on screen: the system
    // does not paint what lies off screen.
    SetWindowPos(window.Hwnd(), nullptr, 0, 0, Scale(520), Scale(374), SWP_NOZORDER | SWP_NOACTIVATE);
    auto root = std::make_unique<CUiControl>();
    CUiButton* target = Gallery::BuildGalleryPage(root.get(), kBadgeResource).installButton;
    window.AddRoot(std::move(root));
    ShowWindow(window.Hwnd(), SW_SHOWNOACTIVATE);
    // Warm-up: the first paints build the buffer, the fonts and GDI+'s own caches.
    for (int i = 0; i < kWarmUpPaints; ++i) {
        InvalidateRect(window.Hwnd(), nullptr, FALSE);
        UpdateWindow(window.Hwnd());
        target->Invalidate();
        UpdateWindow(window.Hwnd());
    }

    Figures figures;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kFullPaints; ++i) {
        InvalidateRect(window.Hwnd(), nullptr, FALSE);
        UpdateWindow(window.Hwnd());
    }
    QueryPerformanceCounter(&end);
    figures.full = Microseconds(start, end, kFullPaints);

    figures.hover = HoverRepaints(window, target);

    // The tooltip of the hovered button, open over it: every repaint also draws the tooltip.
    int x = 0;
    int y = 0;
    target->GetAbsolutePosition(x, y);
    target->tooltip = L"选择安装组件\n第二行说明";
    const POINT over = {Scale(x + 2), Scale(y + 2)};
    SendMessageW(window.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(over.x, over.y));
    SendMessageW(window.Hwnd(), WM_TIMER, kTooltipTimerId, 0);  // the delay has passed
    if (!window.Scene().Tooltip().Showing())
        std::fprintf(stderr, "warning: the tooltip did not open at %d DPI\n", dpi);
    figures.hoverWithTooltip = HoverRepaints(window, target);
    DestroyWindow(window.Hwnd());
    return figures;
}

}  // namespace

int main() {
    UiGdiplusSession gdiplus;
    UiTheme& theme = GetTheme();
    theme.windowBackground = 0xFFFFFFFF;
    theme.accent = theme.accentGradientStart = theme.accentGradientEnd = 0xFFFF7467;
    theme.secondaryText = 0xFF84878C;

    // The window presents through OpenGL where it can (an X display with Mesa under Wine); the
    // same work is timed again with the presenter stopped, so every paint is copied with BitBlt.
    struct Run {
        const char* name;
        bool presenter;
        Figures at96;
        Figures at192;
    };
    Run runs[] = {{"bitblt", false, {}, {}}, {"opengl", true, {}, {}}};
    for (Run& run : runs) {
        run.at96 = Measure(96, run.presenter);
        run.at192 = Measure(192, run.presenter);
    }
    for (const Run& run : runs) {
        for (const auto& [dpi, figures] : {std::pair<int, Figures>{96, run.at96}, {192, run.at192}}) {
            std::printf("%s_full_paint_%ddpi_us: %.1f\n", run.name, dpi, figures.full);
            std::printf("%s_hover_paint_%ddpi_us: %.1f\n", run.name, dpi, figures.hover);
            std::printf("%s_hover_paint_with_tooltip_%ddpi_us: %.1f\n", run.name, dpi, figures.hoverWithTooltip);
        }
    }
    const double bitblt = runs[0].at96.full + runs[0].at192.full;
    std::printf("opengl_to_bitblt_full_paint_ratio: %.2f\n",
                bitblt > 0.0 ? (runs[1].at96.full + runs[1].at192.full) / bitblt : 0.0);
    return 0;
}

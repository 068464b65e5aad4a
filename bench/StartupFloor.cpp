// The floor of bench/startup: the least a Windows program of the installer's architecture and
// link options does to show a painted window. It registers a class, creates one window of the
// installer's size centred on the screen, shows it and paints it white with one GDI fill. It
// installs the same start-up probe as the installer, reached the same way after its first paint,
// so both are timed alike (ORB_STARTUP_PROBE; see app/StartupProbe.h).
#include <windows.h>

#include "app/StartupProbe.h"
#include "base/ScopedWin.h"
#include "uie/core/UiFirstPaint.h"

namespace {

constexpr wchar_t kClassName[] = L"Orb.StartupFloor";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            {
                base::PaintDc paint(window);
                FillRect(paint.Get(), &paint.Area(), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            }
            UIE::NoteFirstPresentedPaint();
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    UIE::SetFirstPresentedPaintHook(&SetupUi::WriteStartupProbe);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        return 1;
    const int width = 520;
    const int height = 374;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExW(0, kClassName, L"startup floor", WS_OVERLAPPEDWINDOW & ~WS_THICKFRAME, x, y, width,
                                  height, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

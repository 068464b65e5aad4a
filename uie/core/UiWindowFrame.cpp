#include "uie/core/UiWindowFrame.h"

#include <uxtheme.h>

#include <algorithm>

#include "base/ScopedWin.h"
#include "base/SystemLibrary.h"
#include "uie/core/UiCaptionBar.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFrameGeometry.h"

namespace UIE {

namespace {

constexpr int kResizeBorderDip = 4;

LRESULT HitCode(UiFrameZone zone) {
    switch (zone) {
        case UiFrameZone::Caption:
            return HTCAPTION;
        case UiFrameZone::Left:
            return HTLEFT;
        case UiFrameZone::Right:
            return HTRIGHT;
        case UiFrameZone::Top:
            return HTTOP;
        case UiFrameZone::Bottom:
            return HTBOTTOM;
        case UiFrameZone::TopLeft:
            return HTTOPLEFT;
        case UiFrameZone::TopRight:
            return HTTOPRIGHT;
        case UiFrameZone::BottomLeft:
            return HTBOTTOMLEFT;
        case UiFrameZone::BottomRight:
            return HTBOTTOMRIGHT;
        case UiFrameZone::Client:
            break;
    }
    return HTCLIENT;
}

int ClientWidth(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return client.right - client.left;
}

}  // namespace

LRESULT FrameHitTest(HWND window, POINT pt, int captionPx) {
    RECT client = {};
    GetClientRect(window, &client);
    UiFrameMetrics metrics;
    metrics.clientWidth = client.right - client.left;
    metrics.clientHeight = client.bottom - client.top;
    metrics.border = IsZoomed(window) ? 0 : std::max(kResizeBorderDip, Scale(kResizeBorderDip));
    metrics.captionHeight = captionPx;
    const bool onButton =
        pt.y < metrics.captionHeight && UiCaptionBar::ButtonAt(pt.x, pt.y, metrics.clientWidth, metrics.captionHeight);
    return HitCode(FrameZoneAt(pt.x, pt.y, metrics, onButton));
}

void FitMaximisedToWorkArea(HWND window, MINMAXINFO* info) {
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!info || !GetMonitorInfoW(monitor, &mi))
        return;
    info->ptMaxPosition.x = mi.rcWork.left - mi.rcMonitor.left;
    info->ptMaxPosition.y = mi.rcWork.top - mi.rcMonitor.top;
    info->ptMaxSize.x = mi.rcWork.right - mi.rcWork.left;
    info->ptMaxSize.y = mi.rcWork.bottom - mi.rcWork.top;
}

int CaptionButtonAt(HWND window, int x, int y, int captionPx) {
    return UiCaptionBar::ButtonAt(x, y, ClientWidth(window), captionPx);
}

bool RunCaptionCommand(HWND window, int command) {
    switch (command) {
        case kCaptionMinimize:
            ShowWindow(window, SW_MINIMIZE);
            return true;
        case kCaptionMaximize:
            ShowWindow(window, IsZoomed(window) ? SW_RESTORE : SW_MAXIMIZE);
            return true;
        case kCaptionClose:
            PostMessageW(window, WM_CLOSE, 0, 0);
            return true;
        default:
            return false;
    }
}

void InvalidateCaptionStrip(HWND window, int captionPx) {
    const RECT strip = {0, 0, ClientWidth(window), captionPx};
    InvalidateRect(window, &strip, FALSE);
}

void ApplyWindowIcons(HWND window, HINSTANCE module, int iconResource) {
    if (!iconResource || !window)
        return;
    // Shared icons from the module: the system owns them, nothing to free.
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(iconResource));
    if (icon) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
}

// dwmapi may be missing (Wine, old systems), so everything is looked up at run time.
void ApplyDwmFrame(HWND window) {
    using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    using ExtendFrameFn = HRESULT(WINAPI*)(HWND, const MARGINS*);
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

    if (!window)
        return;
    base::UniqueModule dwm{base::LoadSystemLibrary(L"dwmapi.dll")};
    if (!dwm)
        return;
    auto isEnabled = reinterpret_cast<IsCompositionEnabledFn>(
        reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmIsCompositionEnabled")));
    auto extend = reinterpret_cast<ExtendFrameFn>(
        reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmExtendFrameIntoClientArea")));
    BOOL enabled = FALSE;
    if (isEnabled && extend && SUCCEEDED(isEnabled(&enabled)) && enabled) {
        const MARGINS margins = {1, 1, 1, 1};
        extend(window, &margins);
    }
    auto setAttribute =
        reinterpret_cast<SetAttributeFn>(reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmSetWindowAttribute")));
    if (setAttribute) {
        const DWORD cornerDefault = 0;
        setAttribute(window, 33 /* DWMWA_WINDOW_CORNER_PREFERENCE */, &cornerDefault, sizeof(cornerDefault));
    }
}

}  // namespace UIE

#include "uie/core/CUiWindow.h"

#include <windowsx.h>
#include <uxtheme.h>

#include "base/ScopedWin.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {

constexpr wchar_t kClassName[] = L"Orb.UiWindow";
constexpr wchar_t kWindowTitle[] = L"欧贝林视频格式转换器";
constexpr int kWidthDip = 520;
constexpr int kHeightDip = 374;

bool classRegistered = false;

int CenteredOrigin(int screen, int size) {
    const int origin = (screen - size) / 2;
    return origin < 0 ? 0 : origin;
}

}  // namespace

CUiWindow::~CUiWindow() {
    if (hwnd)
        DestroyWindow(hwnd);
}

void CUiWindow::ResizeTopLayer(int, int) {}

void CUiWindow::OnSize(int, int) {}

long CUiWindow::HandleMessage(unsigned, unsigned, long) { return -1; }

void CUiWindow::OnCaptionCommand(int) {}

int CUiWindow::HitTestFrame(int, int) { return -1; }

bool CUiWindow::Create(HINSTANCE moduleInstance) {
    instance = moduleInstance;
    title = kWindowTitle;
    if (!classRegistered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &CUiWindow::StaticWindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(101));
        wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(101));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc))
            return false;
        classRegistered = true;
    }

    const int w = Scale(kWidthDip);
    const int h = Scale(kHeightDip);
    const int x = CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), w);
    const int y = CenteredOrigin(GetSystemMetrics(SM_CYSCREEN), h);
    if (!CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr, instance,
                         this))
        return false;

    ApplyDwmFrame();
    OnSize(Unscale(w), Unscale(h));
    return true;
}

// Shadow and corner preference of the borderless window; dwmapi may be missing (Wine, old
// systems), so everything is looked up at run time and every failure is ignored.
void CUiWindow::ApplyDwmFrame() {
    using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    using ExtendFrameFn = HRESULT(WINAPI*)(HWND, const MARGINS*);
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

    if (base::UniqueModule dwm{LoadLibraryW(L"dwmapi.dll")}) {
        auto isEnabled = reinterpret_cast<IsCompositionEnabledFn>(
            reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmIsCompositionEnabled")));
        auto extend = reinterpret_cast<ExtendFrameFn>(
            reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmExtendFrameIntoClientArea")));
        BOOL enabled = FALSE;
        if (isEnabled && extend && SUCCEEDED(isEnabled(&enabled)) && enabled) {
            const MARGINS margins = {1, 1, 1, 1};
            extend(hwnd, &margins);
        }
    }
    if (base::UniqueModule dwm{LoadLibraryW(L"dwmapi.dll")}) {
        auto setAttribute = reinterpret_cast<SetAttributeFn>(
            reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmSetWindowAttribute")));
        if (setAttribute) {
            const DWORD cornerDefault = 0;
            setAttribute(hwnd, 33 /* DWMWA_WINDOW_CORNER_PREFERENCE */, &cornerDefault, sizeof(cornerDefault));
        }
    }
}

void CUiWindow::AddRoot(std::unique_ptr<CUiControl> root) {
    root->AttachToWindow(this);
    roots.push_back(std::move(root));
    if (hwnd) {
        RECT client = {};
        GetClientRect(hwnd, &client);
        OnSize(Unscale(client.right - client.left), Unscale(client.bottom - client.top));
    }
}

void CUiWindow::Post(Task task) {
    HWND target = hwnd;
    if (!target)
        return;
    auto copy = std::make_unique<Task>(std::move(task));
    if (PostMessageW(target, kPostedTaskMessage, 0, reinterpret_cast<LPARAM>(copy.get())))
        copy.release();  // the window procedure owns it now
}

LRESULT CALLBACK CUiWindow::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CUiWindow* host = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        host = static_cast<CUiWindow*>(create->lpCreateParams);
        SetWindowLongW(window, GWLP_USERDATA, static_cast<LONG>(reinterpret_cast<LONG_PTR>(host)));
        host->hwnd = window;
    } else {
        host = reinterpret_cast<CUiWindow*>(static_cast<LONG_PTR>(GetWindowLongW(window, GWLP_USERDATA)));
    }
    if (!host)
        return DefWindowProcW(window, message, wParam, lParam);
    return host->WindowProc(message, wParam, lParam);
}

LRESULT CUiWindow::DefaultPath(UINT message, WPARAM wParam, LPARAM lParam) {
    if (messageHook) {
        const int32_t hooked = messageHook(message, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam));
        if (hooked != -1)
            return hooked;
    }
    const long handled = HandleMessage(message, static_cast<unsigned>(wParam), static_cast<long>(lParam));
    if (handled != -1)
        return handled;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CUiWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            RefreshDpi(hwnd);
            OnCreate();
            return 0;
        case WM_DESTROY: {
            OnDestroy();
            HWND window = hwnd;
            hwnd = nullptr;
            DiscardPendingTasks(window);
            // The owner hears of the destruction only after the host has let go of the window.
            if (!messageHook || messageHook(message, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam)) == -1)
                HandleMessage(message, static_cast<unsigned>(wParam), static_cast<long>(lParam));
            return 0;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                OnSize(Unscale(static_cast<short>(LOWORD(lParam))), Unscale(static_cast<short>(HIWORD(lParam))));
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_CLOSE:
            if (messageHook && messageHook(message, static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam)) != -1)
                return 0;
            DestroyWindow(hwnd);
            return 0;
        case WM_ERASEBKGND:
        case WM_NCACTIVATE:
            return 1;
        case WM_NCCALCSIZE:
            return 0;  // the whole window rectangle is client area
        case WM_NCHITTEST: {
            POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(hwnd, &pt);
            const int frame = HitTestFrame(pt.x, pt.y);
            return frame != -1 ? frame : HTCLIENT;
        }
        case kPostedTaskMessage: {
            std::unique_ptr<Task> task(reinterpret_cast<Task*>(lParam));
            if (task && *task)
                (*task)();
            return 0;
        }
        default:
            return DefaultPath(message, wParam, lParam);
    }
}

// Tasks still queued when the window goes would otherwise never be freed: the system discards
// the messages, not what they point to. They are dropped without running.
void CUiWindow::DiscardPendingTasks(HWND window) {
    MSG msg;
    while (PeekMessageW(&msg, window, kPostedTaskMessage, kPostedTaskMessage, PM_REMOVE))
        std::unique_ptr<Task> dropped(reinterpret_cast<Task*>(msg.lParam));
}

// Until controls paint themselves the client area shows the window background.
void CUiWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        base::UniqueGdiObject brush{CreateSolidBrush(ArgbToColorRef(GetTheme().windowBackground))};
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(brush.Get()));
    }
    EndPaint(hwnd, &ps);
}

}  // namespace UIE

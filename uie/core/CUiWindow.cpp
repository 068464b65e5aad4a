#include "uie/core/CUiWindow.h"

#include <algorithm>
#include <utility>

#include "uie/core/UiDpi.h"
#include "uie/core/UiDpiSetup.h"
#include "uie/core/UiScenePainter.h"
#include "uie/core/UiWindowFrame.h"
#include "uie/core/UiWindowIme.h"

namespace UIE {

namespace {

constexpr wchar_t kClassName[] = L"Orb.UiWindow";

bool classRegistered = false;

int CenteredOrigin(int screen, int size) {
    const int origin = (screen - size) / 2;
    return origin < 0 ? 0 : origin;
}

// Message coordinates are signed 16-bit words (negative left of or above the client area).
int LowWord(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam));
}
int HighWord(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
    if (classRegistered)
        return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    classRegistered = RegisterClassExW(&wc) != 0;
    return classRegistered;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Virtual operations: defaults
// ---------------------------------------------------------------------------------------------

CUiWindow::~CUiWindow() {
    // The owner's hook may refer to parts of it that are already gone.
    messageHook = nullptr;
    if (hwnd)
        DestroyWindow(hwnd);
    readers.Disconnect();
    surface.Release();
}

void CUiWindow::CloseTopLayer() {
    scene.CloseTopLayer();
}

void CUiWindow::ResizeTopLayer(int width, int height) {
    scene.ResizeTopLayer(width, height);
}

int CUiWindow::CaptionHeight() {
    return 64;
}

void CUiWindow::OnCreate() {}

void CUiWindow::OnSize(int width, int height) {
    scene.Arrange(width, height);
}

void CUiWindow::OnDestroy() {}

LRESULT CUiWindow::HandleMessage(UINT, WPARAM, LPARAM) {
    return -1;
}

void CUiWindow::OnCaptionCommand(int) {}

int CUiWindow::HitTestFrame(int, int) {
    return -1;
}

bool CUiWindow::OnEscape() {
    if (!scene.HasLayer())
        return false;
    CloseTopLayer();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Creation, roots, the presenter and posted tasks
// ---------------------------------------------------------------------------------------------

bool CUiWindow::Create(HINSTANCE moduleInstance, const UiWindowOptions& options) {
    instance = moduleInstance;
    title = options.title;
    if (!RegisterWindowClass(instance, &CUiWindow::StaticWindowProc))
        return false;

    const int w = Scale(options.widthDip);
    const int h = Scale(options.heightDip);
    const int x = CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), w);
    const int y = CenteredOrigin(GetSystemMetrics(SM_CYSCREEN), h);
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (!options.resizable)
        style &= ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    if (!CreateWindowExW(0, kClassName, title.c_str(), style, x, y, w, h, nullptr, nullptr, instance, this))
        return false;
    // The icons (taskbar, task switcher) and the DWM frame are no part of the window's content.
    // Setting them costs Wine milliseconds, so they wait in the queue: an owner that shows and
    // updates the window at once has its first frame out before they are applied.
    pendingIconResource = options.iconResource;
    PostMessageW(hwnd, kDecorateMessage, 0, 0);

    surface.StartAfterFirstFrame();
    OnSize(Unscale(w), Unscale(h));
    return true;
}

void CUiWindow::AddRoot(std::unique_ptr<CUiControl> root) {
    scene.AddRoot(std::move(root));
    if (hwnd) {
        const UiSize client = ClientSizeDip();
        OnSize(client.width, client.height);
    }
}

bool CUiWindow::StartPresenter() {
    return surface.StartPresenter(hwnd);
}

void CUiWindow::StopPresenter() {
    surface.StopPresenter();
}

UiSize CUiWindow::ClientSizeDip() const {
    const UiSize client = ClientPixels();
    return {Unscale(client.width), Unscale(client.height)};
}

int CUiWindow::CaptionStripHeight() {
    return std::max(0, Scale(CaptionHeight()));
}

void CUiWindow::Post(Task task) {
    tasks.Post(std::move(task));
}

// ---------------------------------------------------------------------------------------------
// What the scene asks of the window
// ---------------------------------------------------------------------------------------------

void CUiWindow::InvalidatePixels(const UiLtrb& area) {
    if (!hwnd)
        return;
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(hwnd, &rect, FALSE);
}

void CUiWindow::InvalidateAll() {
    if (hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

void CUiWindow::CapturePointer() {
    SetCapture(hwnd);
}

void CUiWindow::ReleasePointer() {
    ReleaseCapture();
}

bool CUiWindow::StartTimer(unsigned id, unsigned intervalMs) {
    return hwnd && SetTimer(hwnd, id, intervalMs, nullptr) != 0;
}

void CUiWindow::StopTimer(unsigned id) {
    if (hwnd)
        KillTimer(hwnd, id);
}

UiSize CUiWindow::ClientPixels() const {
    RECT client = {};
    if (hwnd)
        GetClientRect(hwnd, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void CUiWindow::RaiseAccessEvent(CUiControl& control, UiAccessEvent event) {
    UiAccessBridge::Raise(hwnd, control, event);
}

// ---------------------------------------------------------------------------------------------
// Window procedure
// ---------------------------------------------------------------------------------------------

LRESULT CALLBACK CUiWindow::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CUiWindow* host = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        host = static_cast<CUiWindow*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
        host->hwnd = window;
        host->tasks.Open(window);
    } else {
        host = reinterpret_cast<CUiWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!host)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // nothing after this reaches the host
    host->scene.BeginEvent();
    const LRESULT result = host->WindowProc(window, message, wParam, lParam);
    host->scene.EndEvent();
    return result;
}

// `window` is the handle the message came with: during destruction the member is already null.
LRESULT CUiWindow::DefaultPath(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (messageHook) {
        const LRESULT hooked = messageHook(message, wParam, lParam);
        if (hooked != -1)
            return hooked;
    }
    const LRESULT handled = HandleMessage(message, wParam, lParam);
    if (handled != -1)
        return handled;
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CUiWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            RefreshDpi(hwnd);
            OnCreate();
            return 0;
        case WM_DESTROY:
            OnDestroyMessage(wParam, lParam);
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                OnSize(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
                InvalidateAll();
            }
            return 0;
        case WM_SETTEXT:
            DefWindowProcW(window, message, wParam, lParam);
            InvalidateCaptionStrip(hwnd, CaptionStripHeight());
            return 0;
        case WM_PAINT:
            surface.Paint(hwnd, [this](UiCanvas& canvas, const UiLtrb& dirty, int widthPx) {
                DrawScene(canvas, dirty, widthPx);
            });
            return 0;
        case WM_CLOSE:
            if (messageHook && messageHook(message, wParam, lParam) != -1)
                return 0;
            DestroyWindow(hwnd);
            return 0;
        case WM_ERASEBKGND:
        case WM_NCACTIVATE:
            return 1;
        case WM_SETCURSOR:
            return OnSetCursor(lParam) ? 1 : DefaultPath(window, message, wParam, lParam);
        case WM_GETMINMAXINFO:
            FitMaximisedToWorkArea(hwnd, reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_NCCALCSIZE:
            return 0;  // the whole window rectangle is client area, whatever wParam says
        case WM_NCHITTEST:
            return OnNcHitTest(lParam);
        case WM_NCPAINT: {
            const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateAll();
            return result;
        }
        case WM_KEYDOWN:
            OnKeyDown(wParam, lParam);
            return 0;
        case WM_SYSKEYDOWN:
            // Alt shows the keyboard cues, as in any window; the system keys (Alt+F4) go on as before.
            if (wParam == VK_MENU)
                SetFocusCues(true);
            return DefaultPath(window, message, wParam, lParam);
        case WM_CHAR:
            if (swallowChar && static_cast<wchar_t>(wParam) == swallowChar) {
                swallowChar = 0;
                return 0;
            }
            scene.Char(static_cast<wchar_t>(wParam));
            return 0;
        case WM_CHANGEUISTATE:
            // A top-level window applies the change to itself.
            SendMessageW(hwnd, WM_UPDATEUISTATE, wParam, lParam);
            return 0;
        case WM_UPDATEUISTATE:
            OnUpdateUiState(wParam);
            return 0;
        case WM_QUERYUISTATE:
            return scene.FocusCuesShown() ? 0 : UISF_HIDEFOCUS | UISF_HIDEACCEL;
        case WM_GETOBJECT: {
            LRESULT answer = 0;
            const auto post = [this](Task task) { Post(std::move(task)); };
            if (readers.Answer(hwnd, scene, post, wParam, lParam, &answer))
                return answer;
            return DefaultPath(window, message, wParam, lParam);
        }
        case WM_IME_STARTCOMPOSITION:
            if (CUiControl* focused = scene.Focused())
                PlaceImeWindows(hwnd, *focused);
            return DefaultPath(window, message, wParam, lParam);
        case WM_IME_COMPOSITION: {
            CUiControl* focused = scene.Focused();
            return focused && DeliverImeResult(hwnd, *focused, lParam) ? 0
                                                                       : DefaultPath(window, message, wParam, lParam);
        }
        case WM_TIMER:
            if (!scene.TimerTick(static_cast<unsigned>(wParam)))
                DefaultPath(window, message, wParam, lParam);
            return 0;
        case WM_MOUSEMOVE:
            OnPointerMove(LowWord(lParam), HighWord(lParam));
            return 0;
        case WM_LBUTTONDOWN:
            SetFocusCues(false);
            OnButtonDown(LowWord(lParam), HighWord(lParam));
            return 0;
        case WM_LBUTTONUP:
            scene.ButtonUp(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
            return 0;
        case WM_LBUTTONDBLCLK:
            scene.DoubleClick(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(wParam, lParam);
            return 0;
        case WM_CAPTURECHANGED:
            scene.CaptureLost();
            return 0;
        case WM_MOUSELEAVE:
            trackingLeave = false;
            scene.PointerLeave();
            return 0;
        case kPostedTaskMessage:
            tasks.RunPending([this] { return hwnd != nullptr; });
            return 0;
        case kDecorateMessage:
            ApplyWindowIcons(hwnd, instance, std::exchange(pendingIconResource, 0));
            ApplyDwmFrame(hwnd);
            return 0;
        case kStartPresenterMessage:
            surface.OnStartMessage(hwnd);
            return 0;
        default:
            return DefaultPath(window, message, wParam, lParam);
    }
}

void CUiWindow::OnDestroyMessage(WPARAM wParam, LPARAM lParam) {
    surface.StopPresenter();
    // Readers may keep the object; from now on it answers that the window is gone.
    readers.Disconnect();
    OnDestroy();
    tasks.Close();
    hwnd = nullptr;
    // The owner hears of the destruction only after the host has let go of the window.
    if (!messageHook || messageHook(WM_DESTROY, wParam, lParam) == -1)
        HandleMessage(WM_DESTROY, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Pointer
// ---------------------------------------------------------------------------------------------

void CUiWindow::OnPointerMove(int px, int py) {
    if (!trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        trackingLeave = true;
    }
    scene.PointerMove(Unscale(px), Unscale(py), {px, py});
}

void CUiWindow::UpdateHoverFromCursor() {
    POINT pt = {};
    // A hidden window cannot track the pointer leaving it: the hover would never end.
    if (!hwnd || !IsWindowVisible(hwnd) || !GetCursorPos(&pt) || !ScreenToClient(hwnd, &pt))
        return;
    RECT client = {};
    GetClientRect(hwnd, &client);
    if (PtInRect(&client, pt))
        OnPointerMove(pt.x, pt.y);
}

void CUiWindow::OnButtonDown(int px, int py) {
    if (py < CaptionStripHeight()) {
        scene.HideTooltip();
        // The strip belongs to the frame, not to the controls.
        const int command = CaptionButtonAt(hwnd, px, py, CaptionStripHeight());
        if (RunCaptionCommand(hwnd, command))
            OnCaptionCommand(command);
        return;
    }
    scene.ButtonDown(Unscale(px), Unscale(py));
}

void CUiWindow::OnWheel(WPARAM wParam, LPARAM lParam) {
    POINT pt = {LowWord(lParam), HighWord(lParam)};  // screen coordinates
    ScreenToClient(hwnd, &pt);
    scene.Wheel(Unscale(pt.x), Unscale(pt.y), static_cast<short>(HIWORD(wParam)));
}

bool CUiWindow::OnSetCursor(LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT)
        return false;
    switch (scene.CursorForHover()) {
        case UiInputRouter::Cursor::Text:
            SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
            return true;
        case UiInputRouter::Cursor::Hand:
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return true;
        case UiInputRouter::Cursor::Default:
            break;
    }
    return false;
}

LRESULT CUiWindow::OnNcHitTest(LPARAM lParam) {
    POINT pt = {LowWord(lParam), HighWord(lParam)};
    ScreenToClient(hwnd, &pt);
    const int frame = HitTestFrame(pt.x, pt.y);
    if (frame != -1)
        return frame;
    return FrameHitTest(hwnd, pt, CaptionStripHeight());
}

// ---------------------------------------------------------------------------------------------
// Keyboard and the keyboard cues
// ---------------------------------------------------------------------------------------------

void CUiWindow::OnKeyDown(WPARAM virtualKey, LPARAM lParam) {
    swallowChar = 0;
    const bool ctrlOrAlt = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    if (virtualKey == VK_TAB && !ctrlOrAlt) {
        swallowChar = L'\t';
        SetFocusCues(true);
        scene.MoveFocusInOrder(GetKeyState(VK_SHIFT) < 0);
        return;
    }
    if (virtualKey >= VK_LEFT && virtualKey <= VK_DOWN)
        SetFocusCues(true);
    if (virtualKey == VK_ESCAPE && OnEscape())
        return;
    // A held key repeats; the control acts once per press.
    const bool repeat = (lParam & (1 << 30)) != 0;
    if ((virtualKey == VK_RETURN || virtualKey == VK_SPACE) && !ctrlOrAlt && !repeat && ActivateFocused(virtualKey))
        return;
    scene.KeyDown(static_cast<unsigned>(virtualKey));
}

bool CUiWindow::ActivateFocused(WPARAM virtualKey) {
    // Set first: the action may run a message box, whose loop delivers the key's character.
    const wchar_t typed = virtualKey == VK_RETURN ? L'\r' : L' ';
    swallowChar = typed;
    if (scene.ActivateFocused(virtualKey == VK_RETURN))
        return true;
    if (swallowChar == typed)
        swallowChar = 0;
    return false;
}

void CUiWindow::SetFocusCues(bool shown) {
    if (!hwnd || shown == scene.FocusCuesShown())
        return;
    SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
}

void CUiWindow::OnUpdateUiState(WPARAM wParam) {
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS))
        return;
    // UIS_INITIALIZE (and anything else) hides the ring until the keyboard is used.
    scene.SetFocusCuesShown(LOWORD(wParam) == UIS_CLEAR);
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------

void CUiWindow::RenderBuffer(const UiLtrb& dirty) {
    surface.Render(dirty,
                   [this](UiCanvas& canvas, const UiLtrb& area, int widthPx) { DrawScene(canvas, area, widthPx); });
}

void CUiWindow::DrawScene(UiCanvas& canvas, const UiLtrb& dirty, int widthPx) {
    UiSceneFrame frame;
    frame.widthPx = widthPx;
    frame.captionPx = CaptionStripHeight();
    frame.title = &title;
    PaintScene(canvas, scene, frame, dirty);
}

}  // namespace UIE

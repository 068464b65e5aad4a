#include "uie/core/CUiWindow.h"


#include <algorithm>
#include <utility>

#include "base/ScopedWin.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiDpiSetup.h"
#include "uie/core/UiFirstPaint.h"
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
    messageHook_ = nullptr;
    if (hwnd_)
        DestroyWindow(hwnd_);
    readers_.Disconnect();
    presenter_.Stop();
    buffer_.Release();
}

void CUiWindow::CloseTopLayer() {
    scene_.CloseTopLayer();
}

void CUiWindow::ResizeTopLayer(int width, int height) {
    scene_.ResizeTopLayer(width, height);
}

int CUiWindow::CaptionHeight() {
    return 64;
}

void CUiWindow::OnCreate() {}

void CUiWindow::OnSize(int width, int height) {
    scene_.Arrange(width, height);
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
    if (!scene_.HasLayer())
        return false;
    CloseTopLayer();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Creation, roots, presenter and posted tasks
// ---------------------------------------------------------------------------------------------

bool CUiWindow::Create(HINSTANCE moduleInstance, const UiWindowOptions& options) {
    instance_ = moduleInstance;
    title_ = options.title;
    if (!RegisterWindowClass(instance_, &CUiWindow::StaticWindowProc))
        return false;

    const int w = Scale(options.widthDip);
    const int h = Scale(options.heightDip);
    const int x = CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), w);
    const int y = CenteredOrigin(GetSystemMetrics(SM_CYSCREEN), h);
    DWORD style = WS_OVERLAPPEDWINDOW;
    if (!options.resizable)
        style &= ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    if (!CreateWindowExW(0, kClassName, title_.c_str(), style, x, y, w, h, nullptr, nullptr, instance_, this))
        return false;
    // The icons (taskbar, task switcher) and the DWM frame are no part of the window's content.
    // Setting them costs Wine milliseconds, so they wait in the queue: an owner that shows and
    // updates the window at once has its first frame out before they are applied.
    pendingIconResource_ = options.iconResource;
    PostMessageW(hwnd_, kDecorateMessage, 0, 0);

    // OpenGL presents the buffer where it can, once the first frame is out (see StartPresenter);
    // where it cannot (no driver, no display, no pixel format) every paint is copied with BitBlt.
    presenterStart_ = PresenterStart::Waiting;
    OnSize(Unscale(w), Unscale(h));
    return true;
}

void CUiWindow::AddRoot(std::unique_ptr<CUiControl> root) {
    scene_.AddRoot(std::move(root));
    if (hwnd_) {
        const UiSize client = ClientSizeDip();
        OnSize(client.width, client.height);
    }
}

bool CUiWindow::StartPresenter() {
    presenterStart_ = PresenterStart::Done;
    if (!hwnd_ || !presenter_.Start(hwnd_))
        return false;
    // What is on screen came by BitBlt; the presenter shows the same frame at once, or, when the
    // buffer no longer fits the window, the paint that follows does.
    const UiSize client = ClientPixels();
    if (!buffer_.bufferDC || !PresentBuffer(client.width, client.height))
        InvalidateAll();
    return presenter_.Active();
}

void CUiWindow::StopPresenter() {
    presenterStart_ = PresenterStart::Done;
    presenter_.Stop();
}

UiSize CUiWindow::ClientSizeDip() const {
    const UiSize client = ClientPixels();
    return {Unscale(client.width), Unscale(client.height)};
}

int CUiWindow::CaptionStripHeight() {
    return std::max(0, Scale(CaptionHeight()));
}

void CUiWindow::Post(Task task) {
    tasks_.Post(std::move(task));
}

// ---------------------------------------------------------------------------------------------
// What the scene asks of the window
// ---------------------------------------------------------------------------------------------

void CUiWindow::InvalidatePixels(const UiLtrb& area) {
    if (!hwnd_)
        return;
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(hwnd_, &rect, FALSE);
}

void CUiWindow::InvalidateAll() {
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

void CUiWindow::CapturePointer() {
    SetCapture(hwnd_);
}

void CUiWindow::ReleasePointer() {
    ReleaseCapture();
}

bool CUiWindow::StartTimer(unsigned id, unsigned intervalMs) {
    return hwnd_ && SetTimer(hwnd_, id, intervalMs, nullptr) != 0;
}

void CUiWindow::StopTimer(unsigned id) {
    if (hwnd_)
        KillTimer(hwnd_, id);
}

UiSize CUiWindow::ClientPixels() const {
    RECT client = {};
    if (hwnd_)
        GetClientRect(hwnd_, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void CUiWindow::RaiseAccessEvent(CUiControl& control, UiAccessEvent event) {
    UiAccessBridge::Raise(hwnd_, control, event);
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
        host->hwnd_ = window;
        host->tasks_.Open(window);
    } else {
        host = reinterpret_cast<CUiWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!host)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // nothing after this reaches the host
    host->scene_.BeginEvent();
    const LRESULT result = host->WindowProc(window, message, wParam, lParam);
    host->scene_.EndEvent();
    return result;
}

// `window` is the handle the message came with: during destruction the member is already null.
LRESULT CUiWindow::DefaultPath(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (messageHook_) {
        const LRESULT hooked = messageHook_(message, wParam, lParam);
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
            RefreshDpi(hwnd_);
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
            InvalidateCaptionStrip(hwnd_, CaptionStripHeight());
            return 0;
        case WM_PAINT:
            return OnPaintMessage();
        case WM_CLOSE:
            if (messageHook_ && messageHook_(message, wParam, lParam) != -1)
                return 0;
            DestroyWindow(hwnd_);
            return 0;
        case WM_ERASEBKGND:
        case WM_NCACTIVATE:
            return 1;
        case WM_SETCURSOR:
            return OnSetCursor(lParam) ? 1 : DefaultPath(window, message, wParam, lParam);
        case WM_GETMINMAXINFO:
            FitMaximisedToWorkArea(hwnd_, reinterpret_cast<MINMAXINFO*>(lParam));
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
            if (swallowChar_ && static_cast<wchar_t>(wParam) == swallowChar_) {
                swallowChar_ = 0;
                return 0;
            }
            scene_.Char(static_cast<wchar_t>(wParam));
            return 0;
        case WM_CHANGEUISTATE:
            // A top-level window applies the change to itself.
            SendMessageW(hwnd_, WM_UPDATEUISTATE, wParam, lParam);
            return 0;
        case WM_UPDATEUISTATE:
            OnUpdateUiState(wParam);
            return 0;
        case WM_QUERYUISTATE:
            return scene_.FocusCuesShown() ? 0 : UISF_HIDEFOCUS | UISF_HIDEACCEL;
        case WM_GETOBJECT: {
            LRESULT answer = 0;
            const auto post = [this](Task task) { Post(std::move(task)); };
            if (readers_.Answer(hwnd_, scene_, post, wParam, lParam, &answer))
                return answer;
            return DefaultPath(window, message, wParam, lParam);
        }
        case WM_IME_STARTCOMPOSITION:
            if (CUiControl* focused = scene_.Focused())
                PlaceImeWindows(hwnd_, *focused);
            return DefaultPath(window, message, wParam, lParam);
        case WM_IME_COMPOSITION: {
            CUiControl* focused = scene_.Focused();
            return focused && DeliverImeResult(hwnd_, *focused, lParam) ? 0
                                                                        : DefaultPath(window, message, wParam, lParam);
        }
        case WM_TIMER:
            if (!scene_.TimerTick(static_cast<unsigned>(wParam)))
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
            scene_.ButtonUp(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
            return 0;
        case WM_LBUTTONDBLCLK:
            scene_.DoubleClick(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(wParam, lParam);
            return 0;
        case WM_CAPTURECHANGED:
            scene_.CaptureLost();
            return 0;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            scene_.PointerLeave();
            return 0;
        case kPostedTaskMessage:
            tasks_.RunPending([this] { return hwnd_ != nullptr; });
            return 0;
        case kDecorateMessage:
            ApplyWindowIcons(hwnd_, instance_, std::exchange(pendingIconResource_, 0));
            ApplyDwmFrame(hwnd_);
            return 0;
        case kStartPresenterMessage:
            if (presenterStart_ == PresenterStart::Posted)
                StartPresenter();
            return 0;
        default:
            return DefaultPath(window, message, wParam, lParam);
    }
}

LRESULT CUiWindow::OnPaintMessage() {
    if (!Paint())
        return 0;
    NoteFirstPresentedPaint();  // the application's hook, if it installed one
    // The first frame is out: OpenGL starts on the next turn of the message loop, unless it was
    // started already.
    if (presenterStart_ == PresenterStart::Waiting) {
        if (presenter_.Active())
            presenterStart_ = PresenterStart::Done;
        else if (PostMessageW(hwnd_, kStartPresenterMessage, 0, 0))
            presenterStart_ = PresenterStart::Posted;
    }
    return 0;
}

void CUiWindow::OnDestroyMessage(WPARAM wParam, LPARAM lParam) {
    presenter_.Stop();
    // Readers may keep the object; from now on it answers that the window is gone.
    readers_.Disconnect();
    OnDestroy();
    tasks_.Close();
    hwnd_ = nullptr;
    // The owner hears of the destruction only after the host has let go of the window.
    if (!messageHook_ || messageHook_(WM_DESTROY, wParam, lParam) == -1)
        HandleMessage(WM_DESTROY, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Pointer
// ---------------------------------------------------------------------------------------------

void CUiWindow::OnPointerMove(int px, int py) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd_, 0};
        TrackMouseEvent(&track);
        trackingLeave_ = true;
    }
    scene_.PointerMove(Unscale(px), Unscale(py), {px, py});
}

void CUiWindow::UpdateHoverFromCursor() {
    POINT pt = {};
    // A hidden window cannot track the pointer leaving it: the hover would never end.
    if (!hwnd_ || !IsWindowVisible(hwnd_) || !GetCursorPos(&pt) || !ScreenToClient(hwnd_, &pt))
        return;
    RECT client = {};
    GetClientRect(hwnd_, &client);
    if (PtInRect(&client, pt))
        OnPointerMove(pt.x, pt.y);
}

void CUiWindow::OnButtonDown(int px, int py) {
    if (py < CaptionStripHeight()) {
        scene_.HideTooltip();
        // The strip belongs to the frame, not to the controls.
        const int command = CaptionButtonAt(hwnd_, px, py, CaptionStripHeight());
        if (RunCaptionCommand(hwnd_, command))
            OnCaptionCommand(command);
        return;
    }
    scene_.ButtonDown(Unscale(px), Unscale(py));
}

void CUiWindow::OnWheel(WPARAM wParam, LPARAM lParam) {
    POINT pt = {LowWord(lParam), HighWord(lParam)};  // screen coordinates
    ScreenToClient(hwnd_, &pt);
    scene_.Wheel(Unscale(pt.x), Unscale(pt.y), static_cast<short>(HIWORD(wParam)));
}

bool CUiWindow::OnSetCursor(LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT)
        return false;
    switch (scene_.CursorForHover()) {
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
    ScreenToClient(hwnd_, &pt);
    const int frame = HitTestFrame(pt.x, pt.y);
    if (frame != -1)
        return frame;
    return FrameHitTest(hwnd_, pt, CaptionStripHeight());
}

// ---------------------------------------------------------------------------------------------
// Keyboard and the keyboard cues
// ---------------------------------------------------------------------------------------------

void CUiWindow::OnKeyDown(WPARAM virtualKey, LPARAM lParam) {
    swallowChar_ = 0;
    const bool ctrlOrAlt = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    if (virtualKey == VK_TAB && !ctrlOrAlt) {
        swallowChar_ = L'\t';
        SetFocusCues(true);
        scene_.MoveFocusInOrder(GetKeyState(VK_SHIFT) < 0);
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
    scene_.KeyDown(static_cast<unsigned>(virtualKey));
}

bool CUiWindow::ActivateFocused(WPARAM virtualKey) {
    // Set first: the action may run a message box, whose loop delivers the key's character.
    const wchar_t typed = virtualKey == VK_RETURN ? L'\r' : L' ';
    swallowChar_ = typed;
    if (scene_.ActivateFocused(virtualKey == VK_RETURN))
        return true;
    if (swallowChar_ == typed)
        swallowChar_ = 0;
    return false;
}

void CUiWindow::SetFocusCues(bool shown) {
    if (!hwnd_ || shown == scene_.FocusCuesShown())
        return;
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
}

void CUiWindow::OnUpdateUiState(WPARAM wParam) {
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS))
        return;
    // UIS_INITIALIZE (and anything else) hides the ring until the keyboard is used.
    scene_.SetFocusCuesShown(LOWORD(wParam) == UIS_CLEAR);
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------

bool CUiWindow::Paint() {
    base::PaintDc paint(hwnd_);
    const UiSize client = ClientPixels();
    if (client.width <= 0 || client.height <= 0 || !paint.Get())
        return false;  // minimised: the buffer is left alone
    buffer_.Ensure(paint.Get(), client.width, client.height);
    const RECT& area = paint.Area();
    RenderBuffer({area.left, area.top, area.right, area.bottom});
    if (!PresentBuffer(client.width, client.height))
        BitBlt(paint.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top, buffer_.bufferDC.Get(),
               area.left, area.top, SRCCOPY);
    return true;
}

// The presenter shows the whole buffer at once, whatever the dirty area; the buffer always holds
// the complete image. False when the caller must copy with BitBlt.
bool CUiWindow::PresentBuffer(int width, int height) {
    if (!presenter_.Active() || buffer_.bufferWidth != width || buffer_.bufferHeight != height)
        return false;
    return presenter_.Present(buffer_.bufferBits, width, height);
}

void CUiWindow::RenderBuffer(const UiLtrb& dirty) {
    if (!buffer_.bufferDC)
        return;
    canvas_.BeginWindowPaint(buffer_.bufferDC.Get(), buffer_.bufferWidth, buffer_.bufferHeight, dirty);
    UiSceneFrame frame;
    frame.widthPx = buffer_.bufferWidth;
    frame.captionPx = CaptionStripHeight();
    frame.title = &title_;
    PaintScene(canvas_, scene_, frame, dirty);
    canvas_.EndWindowPaint();
}

}  // namespace UIE

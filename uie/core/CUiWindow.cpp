#include "uie/core/CUiWindow.h"

#include <windowsx.h>
#include <imm.h>
#include <oleacc.h>
#include <uxtheme.h>

#include <algorithm>

#include "base/ScopedWin.h"
#include "base/SystemLibrary.h"
#include "uie/core/UiAccessible.h"
#include "uie/core/UiCaptionBar.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiDpiSetup.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiFirstPaint.h"
#include "uie/core/UiFrameGeometry.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {

constexpr wchar_t kClassName[] = L"Orb.UiWindow";
constexpr int kResizeBorderDip = 4;

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

}  // namespace

// ---------------------------------------------------------------------------------------------
// Virtual operations: defaults
// ---------------------------------------------------------------------------------------------

CUiWindow::~CUiWindow() {
    // The owner's hook may refer to parts of it that are already gone.
    messageHook = nullptr;
    if (hwnd)
        DestroyWindow(hwnd);
    if (accessible)
        accessible->Disconnect();
    presenter.Stop();
    buffer.Release();
    layers.clear();
    roots.clear();
}

void CUiWindow::CloseTopLayer() {
    if (layers.empty())
        return;
    input.ReleaseAll();
    HideTooltip();
    ForgetSubtree(layers.back().control.get());
    Task onClosed = std::move(layers.back().onClosed);
    closedLayers.push_back(std::move(layers.back()));
    layers.pop_back();
    if (messageDepth == 0)
        closedLayers.clear();
    if (onClosed)
        onClosed();
    if (hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

void CUiWindow::ResizeTopLayer(int width, int height) {
    if (layers.empty())
        return;
    layers.back().width = width;
    layers.back().height = height;
    const UiSize client = ClientSizeDip();
    ArrangeLayers(client.width, client.height);
    if (hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

int CUiWindow::CaptionHeight() {
    return 64;
}

void CUiWindow::OnCreate() {}

void CUiWindow::OnSize(int width, int height) {
    for (auto& root : roots)
        root->Arrange({0, 0, width, height});
    ArrangeLayers(width, height);
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
    if (layers.empty())
        return false;
    CloseTopLayer();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Creation, roots, layers, timers and posted tasks
// ---------------------------------------------------------------------------------------------

bool CUiWindow::Create(HINSTANCE moduleInstance, const UiWindowOptions& options) {
    instance = moduleInstance;
    title = options.title;
    if (!classRegistered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &CUiWindow::StaticWindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc))
            return false;
        classRegistered = true;
    }

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

    // OpenGL presents the buffer where it can, once the first frame is out (see StartPresenter);
    // where it cannot (no driver, no display, no pixel format) every paint is copied with BitBlt.
    presenterStart = PresenterStart::Waiting;
    OnSize(Unscale(w), Unscale(h));
    return true;
}

bool CUiWindow::StartPresenter() {
    presenterStart = PresenterStart::Done;
    if (!hwnd || !presenter.Start(hwnd))
        return false;
    // What is on screen came by BitBlt; the presenter shows the same frame at once, or, when the
    // buffer no longer fits the window, the paint that follows does.
    RECT client = {};
    GetClientRect(hwnd, &client);
    if (!buffer.bufferDC || !PresentBuffer(client.right - client.left, client.bottom - client.top))
        InvalidateRect(hwnd, nullptr, FALSE);
    return presenter.Active();
}

void CUiWindow::ApplyIcons() {
    const int resource = pendingIconResource;
    pendingIconResource = 0;
    if (!resource || !hwnd)
        return;
    // Shared icons from the module: the system owns them, nothing to free.
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(resource));
    if (icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
}

void CUiWindow::StopPresenter() {
    presenterStart = PresenterStart::Done;
    presenter.Stop();
}

// Shadow and corner preference of the borderless window; dwmapi may be missing (Wine, old
// systems), so everything is looked up at run time and every failure is ignored.
void CUiWindow::ApplyDwmFrame() {
    using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    using ExtendFrameFn = HRESULT(WINAPI*)(HWND, const MARGINS*);
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

    if (!hwnd)
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
        extend(hwnd, &margins);
    }
    auto setAttribute =
        reinterpret_cast<SetAttributeFn>(reinterpret_cast<void*>(GetProcAddress(dwm.Get(), "DwmSetWindowAttribute")));
    if (setAttribute) {
        const DWORD cornerDefault = 0;
        setAttribute(hwnd, 33 /* DWMWA_WINDOW_CORNER_PREFERENCE */, &cornerDefault, sizeof(cornerDefault));
    }
}

UiSize CUiWindow::ClientSizeDip() const {
    RECT client = {};
    if (hwnd)
        GetClientRect(hwnd, &client);
    return {Unscale(client.right - client.left), Unscale(client.bottom - client.top)};
}

void CUiWindow::AddRoot(std::unique_ptr<CUiControl> root) {
    if (!root)
        return;
    root->AttachToWindow(this);
    roots.push_back(std::move(root));
    if (hwnd) {
        const UiSize client = ClientSizeDip();
        OnSize(client.width, client.height);
    }
}

void CUiWindow::PushLayer(std::unique_ptr<CUiControl> control, int width, int height, int offsetY, Task onClosed) {
    if (!control)
        return;
    control->AttachToWindow(this);
    UiModalLayer layer;
    layer.control = std::move(control);
    layer.width = width;
    layer.height = height;
    layer.offsetY = offsetY;
    layer.onClosed = std::move(onClosed);
    layers.push_back(std::move(layer));
    const UiSize client = ClientSizeDip();
    ArrangeLayers(client.width, client.height);
    if (hwnd)
        InvalidateRect(hwnd, nullptr, FALSE);
}

void CUiWindow::ArrangeLayers(int width, int height) {
    for (auto& layer : layers) {
        const int x = std::max(0, (width - layer.width) / 2);
        const int y = std::max(0, (height - layer.height) / 2 + layer.offsetY);
        layer.control->Arrange({x, y, layer.width, layer.height});
    }
}

// A subtree about to be destroyed must not stay reachable through the host's plain pointers.
void CUiWindow::ForgetSubtree(CUiControl* subtree) {
    input.ForgetSubtree(subtree);
    tooltip.Forget(subtree);
    for (auto it = timerTargets.begin(); it != timerTargets.end();) {
        if (IsInSubtree(it->second, subtree)) {
            if (hwnd)
                KillTimer(hwnd, it->first);
            it = timerTargets.erase(it);
        } else {
            ++it;
        }
    }
}

unsigned CUiWindow::SetControlTimer(CUiControl* target, unsigned intervalMs) {
    if (!hwnd || !target)
        return 0;
    const unsigned id = nextTimerId++;
    if (!SetTimer(hwnd, id, intervalMs, nullptr))
        return 0;
    timerTargets[id] = target;
    return id;
}

void CUiWindow::KillControlTimer(unsigned timerId) {
    if (timerTargets.erase(timerId) && hwnd)
        KillTimer(hwnd, timerId);
}

void CUiWindow::Post(Task task) {
    std::unique_lock<std::mutex> lock(taskLock);
    if (!taskTarget) {
        lock.unlock();
        task = nullptr;  // destroyed here, on the posting thread, never run
        return;
    }
    pendingTasks.push_back(std::move(task));
    // Only a wake message that really went out counts: after a failed post (a full queue) the next
    // Post tries again, so the waiting tasks are never stranded.
    if (!wakePosted)
        wakePosted = postWake(taskTarget, kPostedTaskMessage, 0, 0) != FALSE;
}

void CUiWindow::RunPostedTasks() {
    std::vector<Task> batch;
    {
        std::lock_guard<std::mutex> lock(taskLock);
        batch.swap(pendingTasks);
        wakePosted = false;
    }
    for (Task& task : batch) {
        if (!hwnd)
            break;  // a task closed the window; the rest are dropped with the batch
        if (task)
            task();
    }
}

// From now on tasks are dropped; those still waiting are destroyed without running.
void CUiWindow::StopTasks() {
    std::vector<Task> dropped;
    std::lock_guard<std::mutex> lock(taskLock);
    taskTarget = nullptr;
    dropped.swap(pendingTasks);
}

void CUiWindow::ReleaseSubtree(CUiControl* subtree) {
    if (!subtree)
        return;
    input.ReleaseSubtree(subtree);
    ForgetSubtree(subtree);
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
        std::lock_guard<std::mutex> lock(host->taskLock);
        host->taskTarget = window;
    } else {
        host = reinterpret_cast<CUiWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!host)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);  // nothing after this reaches the host
    ++host->messageDepth;
    const LRESULT result = host->WindowProc(window, message, wParam, lParam);
    if (--host->messageDepth == 0)
        host->closedLayers.clear();
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
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        case WM_SETTEXT:
            DefWindowProcW(window, message, wParam, lParam);
            InvalidateCaptionStrip();
            return 0;
        case WM_PAINT:
            if (Paint()) {
                NoteFirstPresentedPaint();  // the application's hook, if it installed one
                // The first frame is out: OpenGL starts on the next turn of the message loop,
                // unless it was started already.
                if (presenterStart == PresenterStart::Waiting) {
                    if (presenter.Active())
                        presenterStart = PresenterStart::Done;
                    else if (PostMessageW(hwnd, kStartPresenterMessage, 0, 0))
                        presenterStart = PresenterStart::Posted;
                }
            }
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
            OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_NCCALCSIZE:
            return 0;  // the whole window rectangle is client area, whatever wParam says
        case WM_NCHITTEST:
            return OnNcHitTest(lParam);
        case WM_NCPAINT: {
            const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(hwnd, nullptr, FALSE);
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
            input.Char(static_cast<wchar_t>(wParam));
            return 0;
        case WM_CHANGEUISTATE:
            // A top-level window applies the change to itself.
            SendMessageW(hwnd, WM_UPDATEUISTATE, wParam, lParam);
            return 0;
        case WM_UPDATEUISTATE:
            OnUpdateUiState(wParam);
            return 0;
        case WM_QUERYUISTATE:
            return focusCuesShown ? 0 : UISF_HIDEFOCUS | UISF_HIDEACCEL;
        case WM_GETOBJECT:
            return OnGetObject(window, wParam, lParam);
        case WM_IME_STARTCOMPOSITION:
            OnImeStartComposition();
            return DefaultPath(window, message, wParam, lParam);
        case WM_IME_COMPOSITION:
            return OnImeComposition(lParam) ? 0 : DefaultPath(window, message, wParam, lParam);
        case WM_TIMER:
            if (wParam == kTooltipTimerId || timerTargets.count(static_cast<unsigned>(wParam)))
                OnTimerMessage(wParam);
            else
                DefaultPath(window, message, wParam, lParam);
            return 0;
        case WM_MOUSEMOVE:
            OnPointerMove(LowWord(lParam), HighWord(lParam));
            return 0;
        case WM_LBUTTONDOWN:
            HideTooltip();
            SetFocusCues(false);
            OnButtonDown(LowWord(lParam), HighWord(lParam));
            return 0;
        case WM_LBUTTONUP:
            input.ButtonUp(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
            return 0;
        case WM_LBUTTONDBLCLK:
            input.DoubleClick(Unscale(LowWord(lParam)), Unscale(HighWord(lParam)));
            return 0;
        case WM_MOUSEWHEEL:
            OnWheel(wParam, lParam);
            return 0;
        case WM_CAPTURECHANGED:
            input.CaptureLost();
            return 0;
        case WM_MOUSELEAVE:
            OnPointerLeave();
            return 0;
        case kPostedTaskMessage:
            RunPostedTasks();
            return 0;
        case kDecorateMessage:
            ApplyIcons();
            ApplyDwmFrame();
            return 0;
        case kStartPresenterMessage:
            if (presenterStart == PresenterStart::Posted)
                StartPresenter();
            return 0;
        default:
            return DefaultPath(window, message, wParam, lParam);
    }
}

void CUiWindow::OnDestroyMessage(WPARAM wParam, LPARAM lParam) {
    presenter.Stop();
    // Readers may keep the object; from now on it answers that the window is gone.
    if (accessible) {
        accessible->Disconnect();
        accessible.Reset();
    }
    OnDestroy();
    StopTasks();
    hwnd = nullptr;
    timerTargets.clear();
    // The owner hears of the destruction only after the host has let go of the window.
    if (!messageHook || messageHook(WM_DESTROY, wParam, lParam) == -1)
        HandleMessage(WM_DESTROY, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Pointer
// ---------------------------------------------------------------------------------------------

CUiControl* CUiWindow::HitTestAt(int x, int y, int* localX, int* localY) {
    CUiControl* hit = nullptr;
    if (!layers.empty()) {
        hit = layers.back().control->HitTest(x, y);  // a modal layer alone receives the pointer
    } else {
        for (auto it = roots.rbegin(); it != roots.rend() && !hit; ++it)
            hit = (*it)->HitTest(x, y);
    }
    if (hit && localX && localY) {
        const UiPoint local = LocalTo(hit, x, y);
        *localX = local.x;
        *localY = local.y;
    }
    return hit;
}

void CUiWindow::OnPointerMove(int px, int py) {
    if (!trackingLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        trackingLeave = true;
    }
    if (input.PointerMove(Unscale(px), Unscale(py))) {
        HideTooltip();  // a control holds the capture; hover stays as it was
        return;
    }
    tooltip.Follow(input.Hovered(), {px, py});
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

void CUiWindow::OnPointerLeave() {
    trackingLeave = false;
    HideTooltip();
    input.PointerLeave();
}

void CUiWindow::OnButtonDown(int px, int py) {
    if (py < CaptionStripHeight()) {
        RECT client = {};
        GetClientRect(hwnd, &client);
        RunCaptionCommand(UiCaptionBar::ButtonAt(px, py, client.right - client.left, CaptionStripHeight()));
        return;  // the strip belongs to the frame, not to the controls
    }
    input.ButtonDown(Unscale(px), Unscale(py));
}

void CUiWindow::OnWheel(WPARAM wParam, LPARAM lParam) {
    HideTooltip();
    POINT pt = {LowWord(lParam), HighWord(lParam)};  // screen coordinates
    ScreenToClient(hwnd, &pt);
    input.Wheel(Unscale(pt.x), Unscale(pt.y), static_cast<short>(HIWORD(wParam)));
}

bool CUiWindow::OnSetCursor(LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT)
        return false;
    switch (input.CursorForHover()) {
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

// ---------------------------------------------------------------------------------------------
// Keyboard, IME and timers
// ---------------------------------------------------------------------------------------------

void CUiWindow::OnKeyDown(WPARAM virtualKey, LPARAM lParam) {
    swallowChar = 0;
    const bool ctrlOrAlt = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    if (virtualKey == VK_TAB && !ctrlOrAlt) {
        swallowChar = L'\t';
        SetFocusCues(true);
        MoveFocusInOrder(GetKeyState(VK_SHIFT) < 0);
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
    input.KeyDown(static_cast<unsigned>(virtualKey));
}

// Enter and Space act on the focused control; Enter leaves a check box alone (as in a dialog,
// where Enter means the default button, not the box).
bool CUiWindow::ActivateFocused(WPARAM virtualKey) {
    CUiControl* focused = input.Focused();
    if (!focused || !focused->enabled || !IsShown(focused))
        return false;
    if (virtualKey == VK_RETURN && focused->Describe().role == UiRole::CheckBox)
        return false;
    // Set first: the action may run a message box, whose loop delivers the key's character.
    const wchar_t typed = virtualKey == VK_RETURN ? L'\r' : L' ';
    swallowChar = typed;
    if (focused->Activate())
        return true;
    if (swallowChar == typed)
        swallowChar = 0;
    return false;
}

void CUiWindow::OnImeStartComposition() {
    CUiControl* focused = input.Focused();
    if (!focused)
        return;
    base::ImmContext context(hwnd);
    UiLtrb caret;
    if (!context || !focused->GetImeCaretRect(&caret))
        return;
    COMPOSITIONFORM composition = {};
    composition.dwStyle = CFS_POINT;
    composition.ptCurrentPos = {caret.left, caret.bottom};
    ImmSetCompositionWindow(context.Get(), &composition);
    CANDIDATEFORM candidate = {};
    candidate.dwIndex = 0;
    candidate.dwStyle = CFS_POINT;
    candidate.ptCurrentPos = {caret.left, caret.bottom};
    ImmSetCandidateWindow(context.Get(), &candidate);
}

// The committed text reaches the focused control here and not as WM_CHAR.
bool CUiWindow::OnImeComposition(LPARAM lParam) {
    CUiControl* focused = input.Focused();
    if (!focused || !(lParam & GCS_RESULTSTR))
        return false;
    base::ImmContext context(hwnd);
    if (context) {
        const LONG bytes = ImmGetCompositionStringW(context.Get(), GCS_RESULTSTR, nullptr, 0);
        if (bytes >= 1) {
            std::wstring text(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
            ImmGetCompositionStringW(context.Get(), GCS_RESULTSTR, text.data(), static_cast<DWORD>(bytes));
            focused->OnImeResult(text.c_str());
        }
    }
    return true;
}

void CUiWindow::OnTimerMessage(WPARAM timerId) {
    if (timerId == kTooltipTimerId) {
        KillTimer(hwnd, kTooltipTimerId);
        tooltip.Show();
        return;
    }
    auto found = timerTargets.find(static_cast<unsigned>(timerId));
    if (found != timerTargets.end())
        found->second->OnTimer(static_cast<unsigned>(timerId));
}

// ---------------------------------------------------------------------------------------------
// Focus order, the focus ring and screen readers
// ---------------------------------------------------------------------------------------------

void CUiWindow::FocusControl(CUiControl* target) {
    input.MoveFocus(target);
}

void CUiWindow::MoveFocusInOrder(bool backwards) {
    const std::vector<CUiControl*> order = ShownControls(true);
    const auto at = std::find(order.begin(), order.end(), input.Focused());
    const int current = at == order.end() ? -1 : static_cast<int>(at - order.begin());
    const int next = StepInCycle(static_cast<int>(order.size()), current, backwards);
    if (next >= 0)
        input.MoveFocus(order[static_cast<size_t>(next)]);
}

namespace {

// Collects the controls in sight below `control` (itself included), in tree order.
void CollectShown(CUiControl* control, bool focusableOnly, std::vector<CUiControl*>& out) {
    if (!control->visible)
        return;
    const bool wanted =
        focusableOnly ? control->IsFocusable() && control->enabled : control->Describe().role != UiRole::None;
    if (wanted)
        out.push_back(control);
    // A visible page hides the siblings before it.
    size_t first = 0;
    for (size_t i = control->children.size(); i-- > 0;) {
        if (control->children[i]->visible && control->children[i]->coversSiblings) {
            first = i;
            break;
        }
    }
    for (size_t i = first; i < control->children.size(); ++i)
        CollectShown(control->children[i].get(), focusableOnly, out);
}

bool CoveredBySibling(const CUiControl* control, const std::vector<std::unique_ptr<CUiControl>>& siblings) {
    bool after = false;
    for (const auto& sibling : siblings) {
        if (sibling.get() == control)
            after = true;
        else if (after && sibling->visible && sibling->coversSiblings)
            return true;
    }
    return false;
}

}  // namespace

std::vector<CUiControl*> CUiWindow::ShownControls(bool focusableOnly) {
    std::vector<CUiControl*> found;
    if (!layers.empty()) {
        CollectShown(layers.back().control.get(), focusableOnly, found);
    } else {
        for (auto& root : roots)
            CollectShown(root.get(), focusableOnly, found);
    }
    std::vector<UiOrderItem> items;
    items.reserve(found.size());
    for (CUiControl* control : found) {
        UiOrderItem item;
        control->GetAbsolutePosition(item.rect.x, item.rect.y);
        item.rect.width = control->bounds.width;
        item.rect.height = control->bounds.height;
        item.group = control->readingGroup;
        items.push_back(item);
    }
    std::vector<CUiControl*> ordered;
    ordered.reserve(found.size());
    for (size_t index : ReadingOrder(items))
        ordered.push_back(found[index]);
    return ordered;
}

bool CUiWindow::IsShown(const CUiControl* control) const {
    if (!control)
        return false;
    const CUiControl* top = control;
    for (const CUiControl* c = control; c; c = c->parent) {
        if (!c->visible)
            return false;
        if (c->parent && CoveredBySibling(c, c->parent->children))
            return false;
        top = c;
    }
    if (!layers.empty())
        return top == layers.back().control.get();
    return std::any_of(roots.begin(), roots.end(), [top](const auto& root) { return root.get() == top; });
}

UiLtrb CUiWindow::ControlPixelArea(const CUiControl* control, int outset) const {
    std::vector<UiRect> chain;
    for (const CUiControl* c = control; c; c = c->parent)
        chain.insert(chain.begin(), c->bounds);
    return PaintedPixelArea(chain, outset);
}

namespace {

CUiControl* FindIn(CUiControl* control, long id) {
    if (control->accessId == id)
        return control;
    for (auto& child : control->children) {
        if (CUiControl* found = FindIn(child.get(), id))
            return found;
    }
    return nullptr;
}

}  // namespace

CUiControl* CUiWindow::FindByAccessId(long id) {
    if (id <= 0)
        return nullptr;
    for (auto& root : roots) {
        if (CUiControl* found = FindIn(root.get(), id))
            return found;
    }
    for (auto& layer : layers) {
        if (CUiControl* found = FindIn(layer.control.get(), id))
            return found;
    }
    return nullptr;
}

// Controls without a role are containers and pages: their coming and going changes which
// children the client has, so readers hear of a reorder of the whole client instead.
void CUiWindow::RaiseAccessEvent(CUiControl* control, UiAccessEvent event) {
    if (!hwnd || !control)
        return;
    const bool described = control->Describe().role != UiRole::None;
    if (!described) {
        if (event == UiAccessEvent::Show || event == UiAccessEvent::Hide)
            NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd, OBJID_CLIENT, CHILDID_SELF);
        return;
    }
    NotifyWinEvent(MsaaEvent(event), hwnd, OBJID_CLIENT, control->accessId);
}

void CUiWindow::OnFocusMoved(CUiControl* before, CUiControl* after) {
    if (focusCuesShown) {
        InvalidateFocusRing(before);
        InvalidateFocusRing(after);
    }
    if (after)
        RaiseAccessEvent(after, UiAccessEvent::Focus);
}

void CUiWindow::SetFocusCues(bool shown) {
    if (!hwnd || shown == focusCuesShown)
        return;
    SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS), 0);
}

void CUiWindow::OnUpdateUiState(WPARAM wParam) {
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS))
        return;
    bool shown = focusCuesShown;
    switch (LOWORD(wParam)) {
        case UIS_SET:
            shown = false;
            break;
        case UIS_CLEAR:
            shown = true;
            break;
        default:  // UIS_INITIALIZE: hidden until the keyboard is used
            shown = false;
            break;
    }
    if (shown == focusCuesShown)
        return;
    focusCuesShown = shown;
    InvalidateFocusRing(input.Focused());
}

void CUiWindow::InvalidateFocusRing(const CUiControl* control) {
    if (!hwnd || !control)
        return;
    const int outset = Scale(kFocusRingGapDip) + std::max(1, Scale(kFocusRingWidthDip)) + 1;
    const UiLtrb area = ControlPixelArea(control, outset);
    InvalidatePixels(area);
}

void CUiWindow::PaintFocusRing() {
    CUiControl* focused = input.Focused();
    if (!focusCuesShown || !focused || !IsShown(focused))
        return;
    const UiLtrb area = ControlPixelArea(focused, 0);
    const int gap = Scale(kFocusRingGapDip);
    const float width = static_cast<float>(std::max(1, Scale(kFocusRingWidthDip)));
    const float half = width / 2.0f;
    const float left = static_cast<float>(area.left - gap) - half;
    const float top = static_cast<float>(area.top - gap) - half;
    const float right = static_cast<float>(area.right + gap) + half;
    const float bottom = static_cast<float>(area.bottom + gap) + half;
    UiPathPtr ring =
        UiCanvas::CreateRoundRectPath(left, top, right - left, bottom - top, static_cast<float>(Scale(4)) + width);
    if (ring && ring->native)
        canvas.StrokePath(*ring, kFocusRingColour, width);
}

LRESULT CUiWindow::OnGetObject(HWND window, WPARAM wParam, LPARAM lParam) {
    // The object id arrives as a 32-bit value in a pointer-sized parameter.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT)
        return DefaultPath(window, WM_GETOBJECT, wParam, lParam);
    if (!accessible)
        accessible = UiAccessible::Create(this);
    return LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(accessible.Get()));
}

// ---------------------------------------------------------------------------------------------
// Frame: hit testing, maximised size, caption strip
// ---------------------------------------------------------------------------------------------

int CUiWindow::CaptionStripHeight() {
    return std::max(0, Scale(CaptionHeight()));
}

LRESULT CUiWindow::OnNcHitTest(LPARAM lParam) {
    POINT pt = {LowWord(lParam), HighWord(lParam)};
    ScreenToClient(hwnd, &pt);
    const int frame = HitTestFrame(pt.x, pt.y);
    if (frame != -1)
        return frame;

    RECT client = {};
    GetClientRect(hwnd, &client);
    UiFrameMetrics metrics;
    metrics.clientWidth = client.right - client.left;
    metrics.clientHeight = client.bottom - client.top;
    metrics.border = IsZoomed(hwnd) ? 0 : std::max(kResizeBorderDip, Scale(kResizeBorderDip));
    metrics.captionHeight = CaptionStripHeight();
    const bool onButton =
        pt.y < metrics.captionHeight && UiCaptionBar::ButtonAt(pt.x, pt.y, metrics.clientWidth, metrics.captionHeight);
    switch (FrameZoneAt(pt.x, pt.y, metrics, onButton)) {
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

// A maximised borderless window covers the work area, not the task bar.
void CUiWindow::OnGetMinMaxInfo(MINMAXINFO* info) {
    HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!info || !GetMonitorInfoW(monitor, &mi))
        return;
    info->ptMaxPosition.x = mi.rcWork.left - mi.rcMonitor.left;
    info->ptMaxPosition.y = mi.rcWork.top - mi.rcMonitor.top;
    info->ptMaxSize.x = mi.rcWork.right - mi.rcWork.left;
    info->ptMaxSize.y = mi.rcWork.bottom - mi.rcWork.top;
}

void CUiWindow::InvalidateCaptionStrip() {
    RECT client = {};
    GetClientRect(hwnd, &client);
    const RECT strip = {0, 0, client.right - client.left, CaptionStripHeight()};
    InvalidateRect(hwnd, &strip, FALSE);
}

void CUiWindow::RunCaptionCommand(int command) {
    switch (command) {
        case kCaptionMinimize:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
        case kCaptionMaximize:
            ShowWindow(hwnd, IsZoomed(hwnd) ? SW_RESTORE : SW_MAXIMIZE);
            break;
        case kCaptionClose:
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            break;
        default:
            return;
    }
    OnCaptionCommand(command);
}

// ---------------------------------------------------------------------------------------------
// Tooltip
// ---------------------------------------------------------------------------------------------

void CUiWindow::HideTooltip() {
    tooltip.Hide();
}

UiRect CUiWindow::TooltipRect() const {
    return tooltip.Rect();
}

UiSize CUiWindow::ClientSizePx() const {
    RECT client = {};
    if (hwnd)
        GetClientRect(hwnd, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void CUiWindow::InvalidatePixels(const UiLtrb& area) {
    if (!hwnd)
        return;
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    InvalidateRect(hwnd, &rect, FALSE);
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------

bool CUiWindow::Paint() {
    base::PaintDc paint(hwnd);
    RECT client = {};
    GetClientRect(hwnd, &client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    if (w <= 0 || h <= 0 || !paint.Get())
        return false;  // minimised: the buffer is left alone
    buffer.Ensure(paint.Get(), w, h);
    const RECT& area = paint.Area();
    RenderBuffer({area.left, area.top, area.right, area.bottom});
    if (!PresentBuffer(w, h))
        BitBlt(paint.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.bufferDC.Get(),
               area.left, area.top, SRCCOPY);
    return true;
}

// The presenter shows the whole buffer at once, whatever the dirty area; the buffer always holds
// the complete image. False when the caller must copy with BitBlt.
bool CUiWindow::PresentBuffer(int width, int height) {
    if (!presenter.Active() || buffer.bufferWidth != width || buffer.bufferHeight != height)
        return false;
    return presenter.Present(buffer.bufferBits, width, height);
}

void CUiWindow::RenderBuffer(const UiLtrb& dirty) {
    if (!buffer.bufferDC)
        return;
    canvas.BeginWindowPaint(buffer.bufferDC.Get(), buffer.bufferWidth, buffer.bufferHeight, dirty);
    const bool topCovers = TopLayerCovers(dirty);
    if (!topCovers) {
        canvas.FillRect(ToRect(dirty), ArgbToColorRef(GetTheme().windowBackground));
        for (auto& root : roots) {
            if (Intersects(ToLtrb(root->GetPixelRect()), dirty))
                root->PaintTree(canvas);
        }
        const UiLtrb strip = {0, 0, buffer.bufferWidth, CaptionStripHeight()};
        if (CaptionHeight() > 0 && Intersects(strip, dirty))
            UiCaptionBar::Paint(canvas, title, buffer.bufferWidth, strip.bottom);
    }
    PaintLayers(dirty, topCovers);
    PaintFocusRing();
    tooltip.Paint(canvas, dirty);
    canvas.EndWindowPaint();
}

bool CUiWindow::TopLayerCovers(const UiLtrb& dirty) {
    if (layers.empty())
        return false;
    CUiControl* top = layers.back().control.get();
    return top->IsOpaque() && Contains(ToLtrb(top->GetPixelRect()), dirty);
}

void CUiWindow::PaintLayers(const UiLtrb& dirty, bool onlyTop) {
    if (onlyTop) {
        layers.back().control->PaintTree(canvas);
        return;
    }
    for (auto& layer : layers) {
        if (Gdiplus::GpGraphics* g = canvas.EnsureGraphics()) {
            UiBrushPtr dim = CreateGdipSolidBrush(kModalDimColour);
            if (dim && dim->native)
                canvas.graphics->Keep(Gdiplus::DllExports::GdipFillRectangleI(
                    g, dim->native, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top));
        }
        if (Intersects(ToLtrb(layer.control->GetPixelRect()), dirty))
            layer.control->PaintTree(canvas);
    }
}

}  // namespace UIE

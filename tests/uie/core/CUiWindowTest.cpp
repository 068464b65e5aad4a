// The window host driven through a real window under Wine with real messages: pointer, capture,
// focus, double click, wheel, keyboard, IME placement, cursors, frame hit testing, tooltips,
// modal layers, control timers, closing and posted tasks.
#include "uie/core/CUiWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "uie/core/UiTestSupport.h"

using namespace UIE;
using uitest::PointParam;
using uitest::RecordingControl;

namespace {

using Log = std::vector<std::string>;

class TestWindow : public CUiWindow {
public:
    int CaptionHeight() override { return caption; }
    int HitTestFrame(int x, int y) override { return frameAnswer(x, y); }
    void OnCaptionCommand(int command) override { captionCommands.push_back(command); }

    int caption = 0;
    std::function<int(int, int)> frameAnswer = [](int, int) { return -1; };
    std::vector<int> captionCommands;
};

class CUiWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
        GetDpi().dpi = 96;  // the host read the display's DPI when the window was created
        auto rootControl = std::make_unique<CUiControl>();
        root = rootControl.get();
        window.AddRoot(std::move(rootControl));
        a = root->Add<RecordingControl>(log, "a", UiRect{10, 10, 50, 50});
        b = root->Add<RecordingControl>(log, "b", UiRect{100, 10, 50, 50});
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(window.Hwnd(), message, wParam, lParam);
    }
    void Move(int x, int y) { Send(WM_MOUSEMOVE, 0, PointParam(x, y)); }
    void Press(int x, int y) { Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y)); }
    void Release(int x, int y) { Send(WM_LBUTTONUP, 0, PointParam(x, y)); }
    LRESULT NcHitTest(int clientX, int clientY) {
        POINT pt = {clientX, clientY};
        ClientToScreen(window.Hwnd(), &pt);
        return Send(WM_NCHITTEST, 0, PointParam(pt.x, pt.y));
    }
    SIZE ClientSize() {
        RECT r = {};
        GetClientRect(window.Hwnd(), &r);
        return {r.right - r.left, r.bottom - r.top};
    }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    Log log;
    TestWindow window;
    CUiControl* root = nullptr;
    RecordingControl* a = nullptr;
    RecordingControl* b = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation and roots
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, CreatesTheHiddenWindowItsOwnerDescribes) {
    wchar_t className[64] = {};
    GetClassNameW(window.Hwnd(), className, 64);
    EXPECT_STREQ(className, L"Orb.UiWindow");
    EXPECT_EQ(window.Title(), L"test");
    EXPECT_NE(GetWindowLongPtrW(window.Hwnd(), GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_FALSE(IsWindowVisible(window.Hwnd()));
    const SIZE client = ClientSize();
    EXPECT_EQ(client.cx, 520);
    EXPECT_EQ(client.cy, 374);
    EXPECT_EQ(GetClassLongW(window.Hwnd(), GCL_STYLE) & CS_DBLCLKS, static_cast<DWORD>(CS_DBLCLKS));
}

TEST_F(CUiWindowTest, RootsAreArrangedOverTheClientArea) {
    EXPECT_EQ(root->bounds.width, 520);
    EXPECT_EQ(root->bounds.height, 374);
    EXPECT_EQ(root->scene, &window.Scene());
    EXPECT_EQ(a->scene, &window.Scene());
    SetWindowPos(window.Hwnd(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(root->bounds.width, 400);
    EXPECT_EQ(root->bounds.height, 300);
}

// ---------------------------------------------------------------------------------------------
// Pointer movement and hover
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, HoverEntersAndLeavesInOrder) {
    Move(20, 25);
    Move(110, 20);
    Move(300, 300);
    const Log expected = {"a:enter", "a:move(10,15)", "a:leave", "b:enter", "b:move(10,10)", "b:leave"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(window.Scene().Hovered(), root);
}

TEST_F(CUiWindowTest, LeavingTheWindowClearsHover) {
    Move(20, 20);
    log.clear();
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(log, Log{"a:leave"});
    EXPECT_EQ(window.Scene().Hovered(), nullptr);
}

TEST_F(CUiWindowTest, InterceptingAncestorTakesThePointerFromItsChildren) {
    auto* shield = root->Add<RecordingControl>(log, "s", UiRect{200, 100, 100, 100});
    auto* inner = shield->Add<RecordingControl>(log, "i", UiRect{10, 10, 20, 20});
    shield->intercepts = true;
    Move(215, 115);
    EXPECT_EQ(window.Scene().Hovered(), nullptr);
    EXPECT_TRUE(log.empty());
    shield->intercepts = false;
    Move(215, 115);
    EXPECT_EQ(window.Scene().Hovered(), inner);
}

TEST_F(CUiWindowTest, HoverWithinFollowsTheSubtree) {
    auto* group = root->Add<RecordingControl>(log, "g", UiRect{200, 100, 100, 100});
    group->tracksWithin = true;
    auto* inner = group->Add<RecordingControl>(log, "i", UiRect{10, 10, 20, 20});
    inner->tracksWithin = true;
    Move(215, 115);
    Move(250, 150);
    Move(400, 300);
    const Log expected = {"i:enter", "i:move(5,5)",   "i:within",  "g:within", "i:leave",
                          "g:enter", "g:move(50,50)", "i:without", "g:leave",  "g:without"};
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(window.Scene().HoverWithin().empty());
}

// ---------------------------------------------------------------------------------------------
// Press, capture and release
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, CaptureHoldsUntilReleaseOutsideTheControl) {
    Move(20, 20);
    Press(20, 20);
    EXPECT_EQ(window.Scene().Captured(), a);
    EXPECT_EQ(GetCapture(), window.Hwnd());
    Move(120, 30);  // over b, but a holds the capture
    EXPECT_EQ(window.Scene().Hovered(), a);
    Release(200, 200);
    EXPECT_EQ(window.Scene().Captured(), nullptr);
    EXPECT_NE(GetCapture(), window.Hwnd());
    const Log expected = {"a:enter", "a:move(10,10)", "a:down(10,10)", "a:move(110,20)", "a:up(190,190)"};
    EXPECT_EQ(log, expected);
    Move(120, 30);  // hover changes only now
    EXPECT_EQ(window.Scene().Hovered(), b);
}

TEST_F(CUiWindowTest, ReleaseWithoutCaptureReachesNobody) {
    Release(20, 20);
    EXPECT_TRUE(log.empty());
}

TEST_F(CUiWindowTest, PressGoesToTheNearestPointerTarget) {
    a->hand = true;
    auto* icon = a->Add<RecordingControl>(log, "icon", UiRect{5, 5, 10, 10});
    Press(17, 18);  // on the icon inside the clickable a
    EXPECT_EQ(window.Scene().Captured(), a);
    EXPECT_EQ(log, Log{"a:down(7,8)"});
    EXPECT_NE(icon, nullptr);
}

TEST_F(CUiWindowTest, ClaimingAncestorTakesTheCapture) {
    auto* list = root->Add<RecordingControl>(log, "list", UiRect{200, 100, 100, 100});
    list->claims = true;
    list->Add<RecordingControl>(log, "row", UiRect{0, 20, 100, 20});
    Press(230, 125);
    // The row itself is offered the press first but does not claim it; the list does, with the
    // point in its own and in the row's coordinates, and the row still receives the press.
    EXPECT_EQ(window.Scene().Captured(), list);
    EXPECT_EQ(log, (Log{"list:claim(30,25/30,5)", "row:down(30,5)"}));
}

TEST_F(CUiWindowTest, ClickableControlShieldsItsAncestorsFromClaiming) {
    auto* list = root->Add<RecordingControl>(log, "list", UiRect{200, 100, 100, 100});
    list->claims = true;
    auto* button = list->Add<RecordingControl>(log, "button", UiRect{0, 20, 100, 20});
    button->hand = true;
    Press(230, 125);
    EXPECT_EQ(window.Scene().Captured(), button);
    EXPECT_EQ(log, Log{"button:down(30,5)"});
    log.clear();
    Release(230, 125);
    // An intercepting ancestor lifts the shield.
    list->intercepts = true;
    Press(230, 125);
    EXPECT_EQ(window.Scene().Captured(), list);
    EXPECT_EQ(log, (Log{"button:up(30,5)", "list:claim(30,25/30,5)", "button:down(30,5)"}));
}

TEST_F(CUiWindowTest, FocusMovesOnPressAndLeavesOnBackgroundPress) {
    a->focusable = true;
    b->focusable = true;
    Press(20, 20);
    Release(20, 20);
    EXPECT_EQ(window.Scene().Focused(), a);
    Press(110, 20);
    Release(110, 20);
    EXPECT_EQ(window.Scene().Focused(), b);
    Press(300, 300);  // background
    Release(300, 300);
    EXPECT_EQ(window.Scene().Focused(), nullptr);
    const Log expected = {"a:focus", "a:down(10,10)", "a:up(10,10)", "a:blur",
                          "b:focus", "b:down(10,10)", "b:up(10,10)", "b:blur"};
    EXPECT_EQ(log, expected);
}

TEST_F(CUiWindowTest, DoubleClickGivesOnePressPairAndOneDoubleClick) {
    a->hand = true;
    Press(20, 20);
    Release(20, 20);
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(20, 20));
    Release(20, 20);
    const Log expected = {"a:down(10,10)", "a:up(10,10)", "a:dblclick(10,10)"};
    EXPECT_EQ(log, expected);
}

TEST_F(CUiWindowTest, CaptionStripKeepsPressesFromControls) {
    window.caption = 64;
    Press(20, 20);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(window.Scene().Captured(), nullptr);
    // A press on the strip's close button runs the command on the window.
    Press(520 - 10, 10);
    EXPECT_EQ(window.captionCommands, std::vector<int>{3});
}

// ---------------------------------------------------------------------------------------------
// Wheel, keyboard, IME and cursors
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, WheelBubblesUntilHandled) {
    auto* inner = a->Add<RecordingControl>(log, "inner", UiRect{0, 0, 20, 20});
    POINT pt = {15, 15};
    ClientToScreen(window.Hwnd(), &pt);
    const WPARAM down = MAKEWPARAM(0, static_cast<WORD>(-120));
    Send(WM_MOUSEWHEEL, down, PointParam(pt.x, pt.y));
    EXPECT_EQ(log, (Log{"inner:wheel-120", "a:wheel-120"}));
    log.clear();
    inner->handlesWheel = true;
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), PointParam(pt.x, pt.y));
    EXPECT_EQ(log, Log{"inner:wheel120"});
}

TEST_F(CUiWindowTest, KeysAndCharactersReachTheFocusedControl) {
    Send(WM_KEYDOWN, 'A');  // nobody focused: dropped
    a->focusable = true;
    Press(20, 20);
    Release(20, 20);
    log.clear();
    Send(WM_KEYDOWN, VK_ESCAPE);
    Send(WM_KEYDOWN, VK_LEFT);
    Send(WM_CHAR, L'好');
    EXPECT_EQ(log, (Log{"a:key27", "a:key37", "a:char" + std::to_string(static_cast<int>(L'好'))}));
}

TEST_F(CUiWindowTest, EscapeClosesTheTopLayerFirst) {
    a->focusable = true;
    Press(20, 20);
    Release(20, 20);
    bool closed = false;
    window.Scene().PushLayer(std::make_unique<CUiControl>(), 200, 100, 0, [&] { closed = true; });
    log.clear();
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(window.Scene().Layers().empty());
    EXPECT_EQ(log, Log{"a:blur"});  // closing a layer clears the focus; the key went no further
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(log, Log{"a:blur"});  // no focus any more
}

TEST_F(CUiWindowTest, ImeWindowsOpenAtTheCaretAndResultsArriveWhole) {
    a->focusable = true;
    Press(20, 20);
    Release(20, 20);
    log.clear();
    // Wine's IME lives in its graphics driver: under the null driver a window has no input
    // context, and the host then leaves the composition window alone without asking the control.
    HIMC context = ImmGetContext(window.Hwnd());
    Send(WM_IME_STARTCOMPOSITION);
    if (!context) {
        EXPECT_TRUE(log.empty());
    } else {
        ASSERT_EQ(log, Log{"a:caretrect"});
        COMPOSITIONFORM form = {};
        ASSERT_TRUE(ImmGetCompositionWindow(context, &form));
        EXPECT_EQ(form.dwStyle, static_cast<DWORD>(CFS_POINT));
        EXPECT_EQ(form.ptCurrentPos.x, 10);
        EXPECT_EQ(form.ptCurrentPos.y, 36);
        ImmReleaseContext(window.Hwnd(), context);
    }
    // A result is consumed by the host (result 0) and never turns into characters.
    log.clear();
    EXPECT_EQ(Send(WM_IME_COMPOSITION, 0, GCS_RESULTSTR), 0);
    uitest::PumpPending();
    EXPECT_TRUE(log.empty());
}

TEST_F(CUiWindowTest, CursorFollowsTheHoveredControl) {
    a->hand = true;
    b->text = true;
    Move(20, 20);
    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    Move(110, 20);
    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window.Hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_IBEAM));
}

// ---------------------------------------------------------------------------------------------
// Frame
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, ResizeBordersAt96Dpi) {
    EXPECT_EQ(NcHitTest(0, 0), HTTOPLEFT);
    EXPECT_EQ(NcHitTest(519, 3), HTTOPRIGHT);
    EXPECT_EQ(NcHitTest(3, 100), HTLEFT);
    EXPECT_EQ(NcHitTest(4, 100), HTCLIENT);
    EXPECT_EQ(NcHitTest(516, 100), HTRIGHT);
    EXPECT_EQ(NcHitTest(515, 100), HTCLIENT);
    EXPECT_EQ(NcHitTest(0, 373), HTBOTTOMLEFT);
    EXPECT_EQ(NcHitTest(519, 373), HTBOTTOMRIGHT);
    EXPECT_EQ(NcHitTest(200, 3), HTTOP);
    EXPECT_EQ(NcHitTest(200, 370), HTBOTTOM);
    EXPECT_EQ(NcHitTest(200, 369), HTCLIENT);
}

TEST_F(CUiWindowTest, ResizeBordersAt144Dpi) {
    GetDpi().dpi = 144;
    EXPECT_EQ(NcHitTest(5, 100), HTLEFT);
    EXPECT_EQ(NcHitTest(6, 100), HTCLIENT);
    EXPECT_EQ(NcHitTest(200, 5), HTTOP);
    EXPECT_EQ(NcHitTest(200, 6), HTCLIENT);
    EXPECT_EQ(NcHitTest(514, 100), HTRIGHT);
    EXPECT_EQ(NcHitTest(513, 100), HTCLIENT);
}

TEST_F(CUiWindowTest, FrameAnswerWinsAndCaptionStripDrags) {
    window.frameAnswer = [](int, int y) { return y < 50 ? HTCAPTION : -1; };
    EXPECT_EQ(NcHitTest(0, 0), HTCAPTION);  // before the resize border
    EXPECT_EQ(NcHitTest(0, 100), HTLEFT);
    window.frameAnswer = [](int, int) { return -1; };
    window.caption = 64;
    EXPECT_EQ(NcHitTest(200, 63), HTCAPTION);
    EXPECT_EQ(NcHitTest(200, 64), HTCLIENT);
    EXPECT_EQ(NcHitTest(500, 30), HTCLIENT);  // the close button of the strip
}

TEST_F(CUiWindowTest, MaximisedWindowHasNoBordersAndCoversTheWorkArea) {
    MINMAXINFO info = {};
    Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window.Hwnd(), MONITOR_DEFAULTTONEAREST), &mi));
    EXPECT_EQ(info.ptMaxSize.x, mi.rcWork.right - mi.rcWork.left);
    EXPECT_EQ(info.ptMaxSize.y, mi.rcWork.bottom - mi.rcWork.top);
    EXPECT_EQ(info.ptMaxPosition.x, mi.rcWork.left - mi.rcMonitor.left);

    ShowWindow(window.Hwnd(), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window.Hwnd()));
    EXPECT_EQ(NcHitTest(0, 100), HTCLIENT);
    ShowWindow(window.Hwnd(), SW_HIDE);
}

// ---------------------------------------------------------------------------------------------
// Tooltips and timers
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, TooltipShowsAfterTheDelayAndHidesOnPress) {
    a->tooltip = L"提示";
    Move(20, 20);
    EXPECT_EQ(window.Scene().Tooltip().Owner(), a);
    EXPECT_EQ(window.Scene().Tooltip().Text(), L"提示");
    EXPECT_FALSE(window.Scene().Tooltip().Showing());
    Move(22, 21);  // same owner: the anchor follows, the delay does not restart
    EXPECT_EQ(window.Scene().Tooltip().Anchor().x, 22);
    Send(WM_TIMER, kTooltipTimerId);
    EXPECT_TRUE(window.Scene().Tooltip().Showing());
    Move(25, 25);  // showing: the anchor stays
    EXPECT_EQ(window.Scene().Tooltip().Anchor().x, 22);
    Press(25, 25);
    EXPECT_FALSE(window.Scene().Tooltip().Showing());
    EXPECT_EQ(window.Scene().Tooltip().Owner(), nullptr);
}

TEST_F(CUiWindowTest, TooltipComesFromTheNearestAncestorWithOne) {
    root->tooltip = L"root tip";
    Move(20, 20);
    EXPECT_EQ(window.Scene().Tooltip().Owner(), root);
    a->tooltip = L"a tip";
    Move(21, 20);
    EXPECT_EQ(window.Scene().Tooltip().Owner(), a);
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(window.Scene().Tooltip().Owner(), nullptr);
}

TEST_F(CUiWindowTest, TwoLineTooltipHeight) {
    a->tooltip = L"first\nsecond";
    Move(12, 12);
    EXPECT_EQ(window.Scene().Tooltip().Rect().height, 12 + 2 * 18);
    GetDpi().dpi = 144;
    EXPECT_EQ(window.Scene().Tooltip().Rect().height, 18 + 2 * 27);
}

TEST_F(CUiWindowTest, ControlTimersReachTheirControl) {
    const unsigned first = window.Scene().SetControlTimer(a, 10000);
    const unsigned second = window.Scene().SetControlTimer(b, 10000);
    EXPECT_EQ(first, 100u);
    EXPECT_EQ(second, 101u);
    Send(WM_TIMER, second);
    Send(WM_TIMER, first);
    EXPECT_EQ(Send(WM_TIMER, 55), 0);
    EXPECT_EQ(log, (Log{"b:timer101", "a:timer100"}));
    window.Scene().KillControlTimer(first);
    Send(WM_TIMER, first);
    EXPECT_EQ(log.size(), 2u);
}

// A control that closes its own layer from its handler is still whole until the handler returns.
TEST_F(CUiWindowTest, LayerClosedFromItsOwnHandlerIsDestroyedAfterTheHandler) {
    class Closer : public CUiControl {
    public:
        Closer(Log& log, UiScene& owner) : log_(log), owner_(owner) {}
        ~Closer() override { log_.push_back("destroyed"); }
        bool WantsHandCursor() override { return true; }
        void OnMouseUp(int, int) override {
            owner_.CloseTopLayer();
            log_.push_back(label_);  // its own member, after the close
        }

    private:
        Log& log_;
        UiScene& owner_;
        std::string label_ = "handler done";
    };
    window.Scene().PushLayer(std::make_unique<Closer>(log, window.Scene()), 200, 100, 0, nullptr);
    const UiRect layer = window.Scene().Layers().back().control->bounds;
    Press(layer.x + 5, layer.y + 5);
    Release(layer.x + 5, layer.y + 5);
    EXPECT_TRUE(window.Scene().Layers().empty());
    EXPECT_EQ(log, (Log{"handler done", "destroyed"}));
}

TEST_F(CUiWindowTest, HoverFromTheCursorWaitsUntilTheWindowIsShown) {
    POINT inside = {20, 20};  // over a
    ClientToScreen(window.Hwnd(), &inside);
    ASSERT_TRUE(SetCursorPos(inside.x, inside.y));
    window.UpdateHoverFromCursor();  // still hidden: leaving could not be tracked
    EXPECT_EQ(window.Scene().Hovered(), nullptr);
    ShowWindow(window.Hwnd(), SW_SHOWNOACTIVATE);
    window.UpdateHoverFromCursor();
    EXPECT_EQ(window.Scene().Hovered(), a);
}

// ---------------------------------------------------------------------------------------------
// Closing and posted tasks
// ---------------------------------------------------------------------------------------------

TEST_F(CUiWindowTest, CloseThatTheHookRefusesKeepsTheWindow) {
    std::vector<uint32_t> seen;
    window.SetMessageHook([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(message);
        return message == WM_CLOSE ? 0 : -1;
    });
    HWND hwnd = window.Hwnd();
    Send(WM_CLOSE);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(window.Hwnd(), hwnd);
    EXPECT_EQ(seen, std::vector<uint32_t>{WM_CLOSE});
}

TEST_F(CUiWindowTest, CloseWithUnhandledHookDestroysAndReportsDestroyAfterCleanUp) {
    bool destroyReported = false;
    bool handleWasClear = false;
    window.SetMessageHook([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_DESTROY) {
            destroyReported = true;
            handleWasClear = window.Hwnd() == nullptr;
            return 0;
        }
        return -1;
    });
    HWND hwnd = window.Hwnd();
    Send(WM_CLOSE);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.Hwnd(), nullptr);
    EXPECT_TRUE(destroyReported);
    EXPECT_TRUE(handleWasClear);
}

TEST_F(CUiWindowTest, HookSeesMessageParametersAtFullWidth) {
    // Bits above the low 32 survive only where the parameters are not narrowed on the way.
    const WPARAM wide = ~static_cast<WPARAM>(0) ^ 0xF0;
    const LPARAM high = (static_cast<LPARAM>(1) << (sizeof(LPARAM) * 8 - 2)) | 0x1234;
    WPARAM seenW = 0;
    LPARAM seenL = 0;
    window.SetMessageHook([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != WM_APP + 7)
            return -1;
        seenW = wParam;
        seenL = lParam;
        return high;
    });
    EXPECT_EQ(Send(WM_APP + 7, wide, high), high);
    EXPECT_EQ(seenW, wide);
    EXPECT_EQ(seenL, high);
}

// The window procedure finds its host through the window's user data: a host placed at the top
// of the address space must be found again, whatever the pointer size.
TEST(CUiWindowAddress, HostAtAHighAddressReceivesItsMessages) {
    uitest::DpiScope dpi{96};
    uitest::GdiplusSession gdiplus;
    void* memory = VirtualAlloc(nullptr, sizeof(TestWindow), MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    if (sizeof(void*) == 8) {
        EXPECT_GT(reinterpret_cast<uintptr_t>(memory), uintptr_t{0xFFFFFFFF});
    }
    auto* host = new (memory) TestWindow;
    ASSERT_TRUE(host->Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
    UINT seen = 0;
    host->SetMessageHook([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_APP + 9)
            seen = message;
        return -1;
    });
    SendMessageW(host->Hwnd(), WM_APP + 9, 0, 0);
    EXPECT_EQ(seen, static_cast<UINT>(WM_APP + 9));
    host->~TestWindow();
    VirtualFree(memory, 0, MEM_RELEASE);
}

TEST_F(CUiWindowTest, TasksPostedAfterDestroyNeverRunAndAreFreed) {
    int runs = 0;
    auto queued = std::make_shared<int>(0);
    auto late = std::make_shared<int>(0);
    window.Post([&runs, queued] { ++runs; });  // still queued when the window goes
    DestroyWindow(window.Hwnd());
    window.Post([&runs, late] { ++runs; });  // posted after WM_DESTROY
    uitest::PumpPending();
    Sleep(20);
    uitest::PumpPending();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(queued.use_count(), 1);  // the copies inside the tasks are gone
    EXPECT_EQ(late.use_count(), 1);
}

// The task message carries nothing: one posted by anybody, with any parameters, only wakes the
// window, and the tasks really posted still run once each, in order.
TEST_F(CUiWindowTest, StrayTaskMessagesAreHarmless) {
    std::vector<int> ran;
    PostMessageW(window.Hwnd(), kPostedTaskMessage, 0, static_cast<LPARAM>(0x7EADBEEF));
    window.Post([&] { ran.push_back(1); });
    window.Post([&] { ran.push_back(2); });
    PostMessageW(window.Hwnd(), kPostedTaskMessage, 1, 1);
    uitest::PumpPending();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

// A wake-up that could not be posted (a full queue) is tried again by the next Post, and both
// tasks then run.
static BOOL WINAPI LoseThePost(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

TEST_F(CUiWindowTest, ALostWakeUpIsPostedAgain) {
    std::vector<int> ran;
    window.SetPostWake(LoseThePost);
    window.Post([&] { ran.push_back(1); });
    uitest::PumpPending();
    EXPECT_TRUE(ran.empty());
    window.SetPostWake(PostMessageW);
    window.Post([&] { ran.push_back(2); });
    uitest::PumpPending();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

// While the window is destroyed, messages the default procedure answers (here WM_GETTEXT from
// the owner's hook) still reach it with the window's real handle.
TEST_F(CUiWindowTest, DefaultProcedureGetsTheRealWindowDuringDestruction) {
    HWND hwnd = window.Hwnd();
    SetWindowTextW(hwnd, L"title");
    std::wstring seen;
    window.SetMessageHook([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_DESTROY) {
            wchar_t text[16] = {};
            GetWindowTextW(hwnd, text, 16);
            seen = text;
        }
        return -1;
    });
    DestroyWindow(hwnd);
    EXPECT_EQ(seen, L"title");
}

TEST_F(CUiWindowTest, TasksFromAnotherThreadRunInOrderOnTheUiThread) {
    constexpr int kTasks = 200;
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::thread worker([&] {
        for (int i = 0; i < kTasks; ++i)
            window.Post([&order, &threads, i] {
                order.push_back(i);
                threads.push_back(GetCurrentThreadId());
            });
    });
    worker.join();
    ASSERT_TRUE(uitest::PumpUntil([&] { return order.size() == kTasks; }));
    for (int i = 0; i < kTasks; ++i) {
        ASSERT_EQ(order[i], i);
        ASSERT_EQ(threads[i], GetCurrentThreadId());
    }
}

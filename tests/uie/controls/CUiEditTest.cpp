// The edit in a real window under Wine: the system caret, mouse selection, typing, the real
// clipboard, the IME caret rectangle, measuring, and its painting read back from a memory buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "uie/controls/CUiEdit.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;
using uitest::PointParam;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kEditX = 20;  // DIP in the window; 96 DPI throughout
constexpr int kEditY = 30;

int W(const wchar_t* text, int n) {
    return n <= 0 ? 0 : MeasureText(text, 13, false, n).width;
}

bool PutClipboardText(const std::wstring& text) {
    base::ClipboardScope clipboard(nullptr);
    if (!clipboard || !EmptyClipboard())
        return false;
    base::UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!memory)
        return false;
    {
        base::GlobalLockScope lock(memory.Get());
        if (!lock.Get())
            return false;
        std::memcpy(lock.Get(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get()))
        return false;
    memory.Release();
    return true;
}

std::wstring ClipboardText() {
    base::ClipboardScope clipboard(nullptr);
    HANDLE data = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (!data)
        return L"<none>";
    base::GlobalLockScope lock(data);
    return lock.Get() ? static_cast<const wchar_t*>(lock.Get()) : L"<unlocked>";
}

class EditWindowTest : public ::testing::Test {
protected:
    struct NoCaptionWindow : CUiWindow {
        int CaptionHeight() override { return 0; }
    };

    void SetUp() override {
        ASSERT_TRUE(window_.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
        GetDpi().dpi = 96;
        auto root = std::make_unique<CUiControl>();
        edit_ = root->Add<CUiEdit>();
        window_.AddRoot(std::move(root));
        edit_->bounds = {kEditX, kEditY, 200, 28};
        edit_->SetOnChange([this](const std::wstring& text) { changes_.push_back(text); });
    }
    void TearDown() override { DestroyWindow(window_.Hwnd()); }

    void Mouse(UINT message, int x) {
        SendMessageW(window_.Hwnd(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, PointParam(x, kEditY + 14));
    }
    void Click(int x) {
        Mouse(WM_MOUSEMOVE, x);
        Mouse(WM_LBUTTONDOWN, x);
        Mouse(WM_LBUTTONUP, x);
    }
    void Key(unsigned key) { SendMessageW(window_.Hwnd(), WM_KEYDOWN, key, 0); }
    void Char(wchar_t ch) { SendMessageW(window_.Hwnd(), WM_CHAR, ch, 0); }
    // The key with Ctrl (and Shift) marked down in the thread's keyboard state, as GetKeyState reads it.
    void Chord(unsigned key, bool shift = false) {
        BYTE saved[256] = {};
        GetKeyboardState(saved);
        BYTE held[256];
        std::memcpy(held, saved, sizeof held);
        held[VK_CONTROL] = 0x80;
        if (shift)
            held[VK_SHIFT] = 0x80;
        SetKeyboardState(held);
        Key(key);
        SetKeyboardState(saved);
    }
    POINT Caret() const {
        POINT p = {-1, -1};
        GetCaretPos(&p);
        return p;
    }

    uitest::GdiplusSession gdiplus_;
    NoCaptionWindow window_;
    CUiEdit* edit_ = nullptr;
    std::vector<std::wstring> changes_;
};

}  // namespace

TEST_F(EditWindowTest, FocusPlacesTheCaretAndADragSelects) {
    const wchar_t* text = L"abcdef";
    edit_->SetText(text);
    const int left = kEditX + 10;  // text area start in the client area
    // Just right of the middle of 'b': the caret goes after it.
    Mouse(WM_MOUSEMOVE, left + (W(text, 1) + W(text, 2)) / 2 + 1);
    Mouse(WM_LBUTTONDOWN, left + (W(text, 1) + W(text, 2)) / 2 + 1);
    EXPECT_TRUE(edit_->focused);
    EXPECT_EQ(edit_->caret, 2);
    EXPECT_EQ(Caret().x, left + W(text, 2));
    EXPECT_EQ(Caret().y, kEditY + (28 - 16) / 2);

    Mouse(WM_MOUSEMOVE, left + (W(text, 3) + W(text, 4)) / 2 - 1);  // left half of 'd': before it
    EXPECT_EQ(edit_->caret, 3);
    Mouse(WM_MOUSEMOVE, kEditX + 190);
    Mouse(WM_LBUTTONUP, kEditX + 190);
    EXPECT_EQ(edit_->anchor, 2);
    EXPECT_EQ(edit_->caret, 6);
    EXPECT_EQ(Caret().x, left + W(text, 6));

    UiLtrb rect;
    ASSERT_TRUE(edit_->GetImeCaretRect(&rect));
    EXPECT_EQ(rect, (UiLtrb{left + W(text, 6), kEditY + 6, left + W(text, 6) + 1, kEditY + 22}));
    EXPECT_TRUE(changes_.empty());

    Click(400);  // outside every focusable control
    EXPECT_FALSE(edit_->focused);
}

TEST_F(EditWindowTest, TypingReportsEachUnitWithTheWholeText) {
    edit_->SetText(L"hello");
    Click(kEditX + 150);  // caret at the end
    Char(L'!');
    Char(L'\r');  // control characters are not text
    Char(static_cast<wchar_t>(127));
    Key(VK_BACK);
    Key(VK_BACK);
    Key(VK_DELETE);  // at the end: nothing removed, still reported
    Chord('A');
    Char(L'x');
    Char(L'y');
    edit_->OnImeResult(L"安装");  // what the host hands over from the IME's result string
    edit_->OnImeResult(L"");
    const std::vector<std::wstring> expected = {L"hello!", L"hello", L"hell", L"hell", L"x", L"xy", L"xy安装"};
    EXPECT_EQ(changes_, expected);
    EXPECT_EQ(Caret().x, kEditX + 10 + W(L"xy安装", 4));
}

TEST_F(EditWindowTest, ClipboardRoundTripsAndPasteDropsControlCharacters) {
    edit_->SetText(L"C:\\Program Files");
    Click(kEditX + 150);
    Chord(VK_HOME, true);  // Ctrl+Shift+Home: selects to the start like Shift+Home
    EXPECT_EQ(edit_->anchor, 16);
    EXPECT_EQ(edit_->caret, 0);
    Chord('C');
    EXPECT_EQ(ClipboardText(), L"C:\\Program Files");
    EXPECT_TRUE(changes_.empty());

    Key(VK_END);
    ASSERT_TRUE(PutClipboardText(L"\\a\r\nb\tc"));
    Chord('V');
    EXPECT_EQ(edit_->text, L"C:\\Program Files\\abc");
    EXPECT_EQ(edit_->caret, 20);

    Chord('A');
    {
        // Another window holds the clipboard open: the cut cannot hand the text over, so it keeps it.
        base::ClipboardScope held(nullptr);
        ASSERT_TRUE(held);
        Chord('X');
        EXPECT_EQ(edit_->text, L"C:\\Program Files\\abc");
    }
    EXPECT_EQ(ClipboardText(), L"\\a\r\nb\tc");
    Chord('X');
    EXPECT_EQ(ClipboardText(), L"C:\\Program Files\\abc");
    EXPECT_EQ(edit_->text, L"");
    Chord('V');
    Chord('V');
    const std::vector<std::wstring> expected = {L"C:\\Program Files\\abc", L"", L"C:\\Program Files\\abc",
                                                L"C:\\Program Files\\abcC:\\Program Files\\abc"};
    EXPECT_EQ(changes_, expected);
}

TEST_F(EditWindowTest, SetTextMovesTheCaretToTheEndSilently) {
    EXPECT_EQ(edit_->Measure(-1).width, 80);
    EXPECT_EQ(edit_->Measure(-1).height, 28);
    Click(kEditX + 100);
    edit_->SetText(L"abcdefghijklmnopqrstuvwxyz0123456789");
    edit_->scroll = 40;
    edit_->anchor = 3;
    window_.Scene().Roots()[0]->layoutPending = edit_->layoutPending = false;
    edit_->SetText(edit_->text);  // its own string
    EXPECT_EQ(edit_->caret, 36);
    EXPECT_EQ(edit_->anchor, 36);
    EXPECT_EQ(edit_->scroll, 0);
    EXPECT_TRUE(edit_->layoutPending);
    EXPECT_TRUE(window_.Scene().Roots()[0]->layoutPending);
    EXPECT_EQ(Caret().x, kEditX + 10 + W(edit_->text.c_str(), 36));
    EXPECT_TRUE(changes_.empty());
    EXPECT_EQ(edit_->Measure(-1).width, Unscale(W(edit_->text.c_str(), 36)) + 24);

    Key(VK_END);  // caret already there: typing past the right edge scrolls
    Char(L'!');
    EXPECT_EQ(edit_->scroll, W(edit_->text.c_str(), 37) - (200 - 20));
}

TEST(EditPaintTest, DrawsBorderSelectionBandAndTextFromTheInset) {
    uitest::DpiScope dpi(96);
    uitest::GdiplusSession gdiplus;
    uitest::PaintBuffer paint;
    ASSERT_TRUE(paint.Create(240, 28));
    CUiEdit edit;
    edit.bounds = {0, 0, 240, 28};
    edit.SetText(L"HHHHHH");
    edit.caret = 4;
    edit.anchor = 1;
    paint.PaintControl(edit);
    const int lo = 10 + W(L"HHHHHH", 1);
    const int hi = 10 + W(L"HHHHHH", 4);
    EXPECT_EQ(paint.Px(lo + 1, 6), 0xCCE4FFu);
    EXPECT_EQ(paint.Px(hi - 1, 21), 0xCCE4FFu);
    EXPECT_EQ(paint.Px(lo - 1, 6), kWhite);
    EXPECT_EQ(paint.Px(lo + 1, 5), kWhite);
    int border = 0;
    for (int y = 0; y <= 2; ++y)
        border += paint.Px(120, y) == 0xDDDDDDu;
    EXPECT_EQ(border, 1);

    // The first ink of the text, away from the border; the icon's room moves it without an icon.
    auto firstInk = [&paint] {
        for (int x = 3; x < 237; ++x)
            for (int y = 3; y < 25; ++y)
                if (paint.Px(x, y) != kWhite)
                    return x;
        return -1;
    };
    struct Case {
        const wchar_t* icon;
        int inset;
    };
    for (const Case& c : {Case{L"", 10}, Case{L"no-such-icon", 16 + 16}}) {
        edit.iconName = c.icon;
        edit.caret = edit.anchor;
        paint.PaintControl(edit);
        EXPECT_GE(firstInk(), c.inset) << c.inset;
        EXPECT_LE(firstInk(), c.inset + 2) << c.inset;
    }
}

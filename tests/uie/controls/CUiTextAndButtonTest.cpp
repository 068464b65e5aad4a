// Label, link and button: measuring, painting read back from a memory buffer at 96 and 192 DPI,
// and their press, release and hover rules, through the slots and through a real window.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "uie/controls/CUiButton.h"
#include "uie/controls/CUiCheckBox.h"
#include "uie/controls/CUiLabel.h"
#include "uie/controls/CUiLink.h"
#include "uie/core/UiBackBuffer.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"
#include "uie/core/UiTheme.h"

using namespace UIE;
using uitest::PointParam;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kAccent = 0xFF7467;
constexpr int kBufferWidth = 400;
constexpr int kBufferHeight = 80;

class TextAndButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(paint_.Create(kBufferWidth, kBufferHeight));
        theme_ = GetTheme();
        GetTheme().accent = GetTheme().accentGradientStart = GetTheme().accentGradientEnd = 0xFFFF7467;
        GetTheme().secondaryText = 0xFF84878C;
    }
    void TearDown() override { GetTheme() = theme_; }
    void Paint(CUiControl& control) { paint_.PaintControl(control); }
    uint32_t Px(int x, int y) const { return paint_.Px(x, y); }
    // The first column (from the left) in rows [top, bottom) holding a pixel that is not white.
    int FirstInkColumn(int top, int bottom) const {
        for (int x = 0; x < kBufferWidth; ++x)
            for (int y = top; y < bottom; ++y)
                if (Px(x, y) != kWhite)
                    return x;
        return -1;
    }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    uitest::PaintBuffer paint_;
    UiTheme theme_;
};

}  // namespace

TEST_F(TextAndButtonTest, LabelMeasuresItsLineAndRelaysOutOnNewText) {
    CUiLabel label;
    EXPECT_EQ(label.textColour, 0x333333u);
    UiSize size = label.Measure(-1);
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 21);  // font size + 8
    label.minWidth = 300;
    label.text = L"欧贝林";
    size = label.Measure(-1);
    EXPECT_EQ(size.width, 300);
    EXPECT_EQ(size.height, Unscale(MeasureText(L"欧贝林", 13, false, -1).height) + 4);
    label.minWidth = 0;
    label.padding = {20, 3, 10, 5};
    EXPECT_EQ(label.Measure(-1).width, Unscale(MeasureText(L"欧贝林", 13, false, -1).width) + 2 + 30);
    EXPECT_EQ(label.Measure(-1).height, size.height + 8);
    label.padding = {};

    CUiControl parent;
    CUiLabel* child = parent.Add<CUiLabel>();
    parent.layoutPending = child->layoutPending = false;
    child->SetText(child->text);  // its own string: no copy, still a relayout
    EXPECT_TRUE(parent.layoutPending);
    EXPECT_TRUE(child->layoutPending);
}

TEST_F(TextAndButtonTest, LabelDrawsOneLineInsideItsPadding) {
    CUiLabel label;
    label.bounds = {0, 0, 80, 60};
    label.padding = {20, 0, 0, 0};
    label.text = L"一段很长很长很长很长很长很长很长很长的文字";
    Paint(label);
    EXPECT_GE(FirstInkColumn(0, 60), 20);
    EXPECT_EQ(FirstInkColumn(0, 18), -1);  // one centred line, never wrapped upwards
    EXPECT_EQ(FirstInkColumn(42, 60), -1);
    for (int y = 0; y < 60; ++y)
        EXPECT_EQ(Px(80, y), kWhite);  // cut inside the box
}

TEST_F(TextAndButtonTest, LinkMeasuresTwentyHighWithIconRoom) {
    CUiLink link;
    link.text = L"用户协议";
    link.fontSize = 30;
    const int textWidth = Unscale(MeasureText(L"用户协议", 30, false, -1).width);
    EXPECT_EQ(link.Measure(-1).height, 20);
    EXPECT_EQ(link.Measure(-1).width, textWidth);
    link.iconName = L"nonesuch";
    link.iconSize = 16;
    EXPECT_EQ(link.Measure(-1).width, textWidth + 20);

    link.fontSize = 13;
    link.bounds = {0, 0, 120, 20};
    Paint(link);
    EXPECT_LE(FirstInkColumn(0, 20), 2);  // the unknown icon leaves the text flush left
}

TEST_F(TextAndButtonTest, LinkUnderlinesOnlyWhileHovered) {
    for (int dpiValue : {96, 192}) {
        uitest::TextDpiScope dpi(dpiValue);
        CUiLink link;
        link.text = L"隐私政策";
        link.linkColour = 0xFF2060A0;
        link.bounds = {0, 0, 100, 20};
        const int height = Scale(20);
        const UiSize text = MeasureText(link.text.c_str(), 13, false, -1);
        const int lineY = (height + text.height) / 2 - Scale(1);
        Paint(link);
        std::vector<int> plainRows;
        for (int y = 0; y < height; ++y)
            plainRows.push_back(Px(text.width - 1, y) == 0x2060A0u);
        link.OnMouseEnter();
        Paint(link);
        for (int y = 0; y < height; ++y) {
            // The canvas centres a wide line on its y.
            const int thickness = dpiValue / 96;
            const bool underline = y >= lineY - thickness / 2 && y < lineY - thickness / 2 + thickness;
            if (underline) {
                EXPECT_EQ(Px(text.width - 1, y), 0x2060A0u) << dpiValue << " row " << y;
                EXPECT_EQ(Px(text.width + 1, y), kWhite) << dpiValue << " row " << y;
            } else if (!plainRows[y]) {
                EXPECT_NE(Px(text.width - 1, y), 0x2060A0u) << dpiValue << " row " << y;
            }
        }
        link.OnMouseLeave();
        EXPECT_FALSE(link.IsHovered());
    }
}

// Which inputs click is the shared behaviour's; the button adds the release point and its bounds.
TEST_F(TextAndButtonTest, ButtonHandsTheReleasePointInside) {
    CUiButton positioned;
    positioned.bounds = {0, 0, 100, 34};
    int clicks = 0, at = -1;
    positioned.SetOnClick([&] { ++clicks; });
    positioned.onClickAt = [&](int x, int) { at = x; };
    positioned.OnMouseDown(1, 1);
    positioned.OnMouseUp(42, 3);
    EXPECT_EQ(at, 42);  // replaces the click handler
    positioned.OnMouseDown(1, 1);
    positioned.OnMouseUp(100, 3);
    EXPECT_EQ(at, 42);
    EXPECT_EQ(clicks, 0);
}

TEST_F(TextAndButtonTest, ButtonMeasuresCaptionPlusRoom) {
    CUiButton button;
    button.text = L"立即安装";
    button.fontSize = 20;
    const int bold = Unscale(MeasureText(L"立即安装", 20, true, -1).width);
    const int plain = Unscale(MeasureText(L"立即安装", 20, false, -1).width);
    EXPECT_EQ(button.Measure(-1).height, 34);
    EXPECT_EQ(button.Measure(-1).width, bold + 32);
    button.style = kButtonOutlined;
    button.iconName = L"folder";
    EXPECT_EQ(button.Measure(-1).width, plain + 24 + 20 + 6);
    button.minWidth = 400;
    EXPECT_EQ(button.Measure(-1).width, 400);
}

TEST_F(TextAndButtonTest, FilledButtonStates) {
    CUiButton button;
    button.bounds = {0, 0, 120, 34};
    button.text = L"安装";
    Paint(button);
    EXPECT_EQ(Px(4, 17), kAccent);
    button.OnMouseEnter();
    Paint(button);
    const uint32_t hover = Px(4, 17);
    button.OnMouseDown(4, 17);
    Paint(button);
    const uint32_t pressed = Px(4, 17);
    EXPECT_GT(hover & 0xFF, kAccent & 0xFF);    // lighter
    EXPECT_LT(pressed & 0xFF, kAccent & 0xFF);  // darker
    button.OnMouseLeave();
    button.enabled = false;
    Paint(button);
    EXPECT_EQ(Px(1, 17) & 0xF0F0F0, 0xD0D0D0u);  // the grey gradient, light on the left
    EXPECT_EQ(Px(118, 17) & 0xF0F0F0, 0xC0C0C0u);
    EXPECT_FALSE(button.WantsHandCursor());
}

TEST_F(TextAndButtonTest, OutlinedBorderIsOneDipInset) {
    struct Case {
        int dpi;
        int borderPixels;
    };
    for (const Case& c : {Case{96, 1}, Case{192, 2}}) {
        uitest::DpiScope dpi(c.dpi);
        CUiButton button;
        button.style = kButtonOutlined;
        button.bounds = {0, 0, 100, 34};
        Paint(button);
        const int mid = Scale(17);
        // Wine rounds a 1 px line on x = 0.5 to the second column, Windows to the first: count.
        int border = 0;
        for (int x = 0; x <= c.borderPixels + 1; ++x)
            border += Px(x, mid) == 0xDDDDDDu;
        EXPECT_EQ(border, c.borderPixels) << c.dpi;
        EXPECT_EQ(Px(c.borderPixels + 1, mid), kWhite) << c.dpi;

        button.customFill = true;
        button.fillColour = 0xFF2060A0;
        button.customBorder = true;
        button.borderColour = 0x00FFFFFF;  // transparent: no border at all
        Paint(button);
        EXPECT_EQ(Px(0, mid), 0x2060A0u) << c.dpi;
    }
}

TEST_F(TextAndButtonTest, TextButtonHoverAndCaptionAfterMissingIcon) {
    CUiButton button;
    button.style = kButtonText;
    button.bounds = {0, 0, 200, 34};
    Paint(button);
    EXPECT_EQ(Px(4, 17), kWhite);  // no background of its own
    button.OnMouseEnter();
    Paint(button);
    EXPECT_NE(Px(4, 17), kWhite);
    button.OnMouseLeave();

    button.text = L"选择目录";
    button.iconName = L"folder";  // not in this executable: the room stays
    Paint(button);
    EXPECT_GE(FirstInkColumn(0, 34), 12 + 20 + 6);
    EXPECT_LE(FirstInkColumn(0, 34), 12 + 20 + 6 + 3);
}

// Through the window host: a press on a link released elsewhere does nothing; a double click counts
// once for a link, a button and a check box.
TEST_F(TextAndButtonTest, WindowDeliversClicksAsUsersMakeThem) {
    struct NoCaptionWindow : CUiWindow {
        int CaptionHeight() override { return 0; }
    } window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
    GetDpi().dpi = 96;
    auto rootControl = std::make_unique<CUiControl>();
    CUiControl* root = rootControl.get();
    window.AddRoot(std::move(rootControl));
    CUiLink* link = root->Add<CUiLink>();
    link->bounds = {10, 10, 80, 20};
    CUiButton* button = root->Add<CUiButton>();
    button->bounds = {10, 50, 100, 34};
    CUiCheckBox* box = root->Add<CUiCheckBox>();
    box->bounds = {10, 100, 100, 24};
    int linkClicks = 0, buttonClicks = 0, toggles = 0;
    link->SetOnClick([&] { ++linkClicks; });
    button->SetOnClick([&] { ++buttonClicks; });
    box->SetOnChange([&](bool) { ++toggles; });

    auto send = [&](UINT message, int x, int y) {
        SendMessageW(window.Hwnd(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, PointParam(x, y));
    };
    send(WM_MOUSEMOVE, 20, 20);
    send(WM_LBUTTONDOWN, 20, 20);
    send(WM_MOUSEMOVE, 300, 300);
    send(WM_LBUTTONUP, 300, 300);
    EXPECT_EQ(linkClicks, 0);

    for (auto [x, y] : {std::pair{20, 20}, std::pair{20, 60}, std::pair{20, 110}}) {
        send(WM_MOUSEMOVE, x, y);
        send(WM_LBUTTONDOWN, x, y);
        send(WM_LBUTTONUP, x, y);
        send(WM_LBUTTONDBLCLK, x, y);
        send(WM_LBUTTONUP, x, y);
    }
    EXPECT_EQ(linkClicks, 1);
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(toggles, 1);
    EXPECT_TRUE(box->checked);
    DestroyWindow(window.Hwnd());
}

// The paint pipeline read back from the back buffer's pixels after real WM_PAINTs: background,
// clipping at control edges and outsets, the canvas primitives, the dirty-rectangle skip,
// tooltips, modal layers and the caption bar; plus the canvas's own origin and clip bookkeeping.
#include "uie/core/UiCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "uie/core/CUiWindow.h"
#include "uie/core/UiTestSupport.h"
#include "uie/core/UiTheme.h"

using namespace UIE;
using namespace Gdiplus::DllExports;
using uitest::PointParam;

namespace {

constexpr uint32_t kBackground = 0xF7F8FA;  // the initial window background, as 0xRRGGBB
constexpr COLORREF kRedRef = RGB(255, 0, 0);
constexpr COLORREF kGreenRef = RGB(0, 160, 0);

// Paints through a callable given the canvas and its own pixel size; counts its paints.
class PaintingControl : public CUiControl {
public:
    using Draw = std::function<void(UiCanvas&, int width, int height)>;
    PaintingControl(UiRect rect, Draw draw) : draw_(std::move(draw)) { bounds = rect; }

    void Paint(UiCanvas& canvas) override {
        ++paints;
        const UiRect px = GetPixelRect();
        if (draw_)
            draw_(canvas, px.width, px.height);
    }
    int PaintOutset() override { return outset; }
    bool IsOpaque() override { return opaque; }

    int paints = 0;
    int outset = 1;
    bool opaque = false;

private:
    Draw draw_;
};

// Fills 5 pixels beyond its own rectangle on every side, to show where the clip cuts.
PaintingControl::Draw Overdraw(COLORREF colour) {
    return [colour](UiCanvas& c, int w, int h) { c.FillRect({-5, -5, w + 10, h + 10}, colour); };
}

int Red(uint32_t rgb) {
    return (rgb >> 16) & 0xFF;
}
int Green(uint32_t rgb) {
    return (rgb >> 8) & 0xFF;
}
int Blue(uint32_t rgb) {
    return rgb & 0xFF;
}
bool Near(uint32_t rgb, uint32_t expected, int tolerance = 24) {
    return std::abs(Red(rgb) - Red(expected)) <= tolerance && std::abs(Green(rgb) - Green(expected)) <= tolerance &&
           std::abs(Blue(rgb) - Blue(expected)) <= tolerance;
}
bool Dark(uint32_t rgb) {
    return Red(rgb) < 128 && Green(rgb) < 128 && Blue(rgb) < 128;
}

class TestWindow : public CUiWindow {
public:
    int CaptionHeight() override { return caption; }
    int caption = 0;
};

class UiPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
        GetDpi().dpi = 96;
        auto rootControl = std::make_unique<PaintingControl>(UiRect{}, nullptr);
        root = rootControl.get();
        window.AddRoot(std::move(rootControl));
        ShowWindow(window.Hwnd(), SW_SHOWNOACTIVATE);
        Repaint();
    }

    PaintingControl* Add(CUiControl* parent, UiRect rect, PaintingControl::Draw draw) {
        return parent->Add<PaintingControl>(rect, std::move(draw));
    }
    void Repaint(const RECT* area = nullptr) {
        InvalidateRect(window.Hwnd(), area, FALSE);
        UpdateWindow(window.Hwnd());
    }
    uint32_t Px(int x, int y) const { return window.Buffer().PixelAt(x, y); }

    // Bounding box of the dark pixels inside `area`; false when there are none.
    bool DarkBox(const UiLtrb& area, UiLtrb& box) const {
        box = {area.right, area.bottom, area.left - 1, area.top - 1};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (!Dark(Px(x, y)))
                    continue;
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
        return box.right >= box.left;
    }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    TestWindow window;
    PaintingControl* root = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pipeline
// ---------------------------------------------------------------------------------------------

TEST_F(UiPaintTest, BufferIsATopDownDibOfTheClientSize) {
    ASSERT_NE(window.Buffer().bufferBits, nullptr);
    EXPECT_EQ(window.Buffer().bufferWidth, 520);
    EXPECT_EQ(window.Buffer().bufferHeight, 374);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(window.Buffer().bufferBitmap.Get(), sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    EXPECT_EQ(Px(0, 0), kBackground);
    EXPECT_EQ(Px(519, 373), kBackground);
    EXPECT_EQ(window.Canvas().hdc, nullptr);  // only set during a paint
    EXPECT_EQ(window.Canvas().graphics, nullptr);
}

TEST_F(UiPaintTest, FirstRowInMemoryIsTheTopRow) {
    Add(root, {0, 0, 520, 1}, [](UiCanvas& c, int w, int) { c.FillRect({0, 0, w, 1}, kRedRef); });
    Repaint();
    const auto* bits = static_cast<const uint8_t*>(window.Buffer().bufferBits);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0x00);  // blue, green, red
    EXPECT_EQ(bits[1], 0x00);
    EXPECT_EQ(bits[2], 0xFF);
    const uint8_t* lastRow = bits + static_cast<size_t>(373) * 520 * 4;
    EXPECT_EQ(lastRow[2], 0xF7);
    EXPECT_EQ(lastRow[0], 0xFA);
}

TEST_F(UiPaintTest, BufferIsReusedUntilTheSizeChanges) {
    HGDIOBJ first = window.Buffer().bufferBitmap.Get();
    Repaint();
    EXPECT_EQ(window.Buffer().bufferBitmap.Get(), first);
    SetWindowPos(window.Hwnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
    EXPECT_EQ(window.Buffer().bufferWidth, 300);
    EXPECT_EQ(window.Buffer().bufferHeight, 200);
    EXPECT_EQ(Px(299, 199), kBackground);
}

TEST_F(UiPaintTest, ZeroSizedClientAreaPaintsNothingAndKeepsItsBuffer) {
    HGDIOBJ bitmap = window.Buffer().bufferBitmap.Get();
    const uint32_t pixel = Px(5, 5);
    const int paints = root->paints;
    // A framed window is held at the system's minimum tracking size; a plain pop-up is not.
    SetWindowLongW(window.Hwnd(), GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(window.Hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RECT client = {};
    GetClientRect(window.Hwnd(), &client);
    ASSERT_TRUE(IsRectEmpty(&client));
    SendMessageW(window.Hwnd(), WM_PAINT, 0, 0);
    EXPECT_EQ(root->paints, paints);
    EXPECT_EQ(window.Buffer().bufferBitmap.Get(), bitmap);
    EXPECT_EQ(window.Buffer().bufferWidth, 520);
    EXPECT_EQ(Px(5, 5), pixel);
}

TEST_F(UiPaintTest, BackgroundFollowsTheTheme) {
    const uint32_t saved = GetTheme().windowBackground;
    GetTheme().windowBackground = 0xFF102030;
    Repaint();
    EXPECT_EQ(Px(5, 5), 0x102030u);
    GetTheme().windowBackground = saved;
}

TEST_F(UiPaintTest, SolidFillIsClippedOnePixelBeyondTheControl) {
    Add(root, {20, 20, 30, 30}, Overdraw(kRedRef));
    Repaint();
    EXPECT_EQ(Px(20, 20), 0xFF0000u);
    EXPECT_EQ(Px(49, 49), 0xFF0000u);
    EXPECT_EQ(Px(19, 30), 0xFF0000u);  // the outset pixel
    EXPECT_EQ(Px(50, 30), 0xFF0000u);
    EXPECT_EQ(Px(30, 50), 0xFF0000u);
    EXPECT_EQ(Px(18, 30), kBackground);
    EXPECT_EQ(Px(51, 30), kBackground);
    EXPECT_EQ(Px(30, 51), kBackground);
}

TEST_F(UiPaintTest, ZeroOutsetClipsAtTheEdge) {
    auto* c = Add(root, {20, 20, 30, 30}, Overdraw(kRedRef));
    c->outset = 0;
    Repaint();
    EXPECT_EQ(Px(20, 20), 0xFF0000u);
    EXPECT_EQ(Px(19, 30), kBackground);
    EXPECT_EQ(Px(50, 30), kBackground);
}

TEST_F(UiPaintTest, ControlsPaintAtScaledEdgesAt144Dpi) {
    GetDpi().dpi = 144;
    Add(root, {20, 20, 30, 30}, Overdraw(kRedRef));
    Repaint();
    EXPECT_EQ(Px(30, 30), 0xFF0000u);
    EXPECT_EQ(Px(74, 74), 0xFF0000u);
    EXPECT_EQ(Px(29, 40), 0xFF0000u);
    EXPECT_EQ(Px(75, 40), 0xFF0000u);
    EXPECT_EQ(Px(28, 40), kBackground);
    EXPECT_EQ(Px(76, 40), kBackground);
}

TEST_F(UiPaintTest, ChildrenDrawRelativeToTheirParentAndInsideIt) {
    auto* parent = Add(root, {100, 100, 50, 50}, nullptr);
    Add(parent, {10, 10, 5, 5}, [](UiCanvas& c, int, int) { c.FillRect({0, 0, 1, 1}, kGreenRef); });
    Add(parent, {45, 45, 20, 20}, Overdraw(kRedRef));  // runs past the parent's corner
    Repaint();
    EXPECT_EQ(Px(110, 110), 0x00A000u);
    EXPECT_EQ(Px(111, 110), kBackground);
    EXPECT_EQ(Px(150, 150), 0xFF0000u);  // the parent's own outset pixel
    EXPECT_EQ(Px(151, 151), kBackground);
}

TEST_F(UiPaintTest, DirtyRectangleSkipsSubtreesOutsideIt) {
    auto* distant = Add(root, {300, 300, 20, 20}, Overdraw(kGreenRef));
    auto* distantChild = Add(distant, {2, 2, 5, 5}, nullptr);
    auto* closeBy = Add(root, {10, 300, 20, 20}, Overdraw(kRedRef));
    Repaint();
    ASSERT_EQ(distant->paints, 1);
    ASSERT_EQ(distantChild->paints, 1);
    ASSERT_EQ(closeBy->paints, 1);

    closeBy->Invalidate();
    UpdateWindow(window.Hwnd());
    EXPECT_EQ(closeBy->paints, 2);
    EXPECT_EQ(distant->paints, 1);
    EXPECT_EQ(distantChild->paints, 1);
    EXPECT_EQ(root->paints, 3);
    // The skipped subtree's state was popped: the next control still drew at its own place.
    EXPECT_EQ(Px(10, 300), 0xFF0000u);
    EXPECT_EQ(Px(300, 300), 0x00A000u);  // untouched pixels survive from the earlier paint
}

TEST_F(UiPaintTest, InvisibleControlsAndTheirChildrenAreNotPainted) {
    auto* hidden = Add(root, {20, 20, 30, 30}, Overdraw(kRedRef));
    auto* child = Add(hidden, {0, 0, 5, 5}, nullptr);
    hidden->SetVisible(false);
    Repaint();
    EXPECT_EQ(hidden->paints, 0);
    EXPECT_EQ(child->paints, 0);
    EXPECT_EQ(Px(25, 25), kBackground);
}

// ---------------------------------------------------------------------------------------------
// Partial repaints at every DPI
// ---------------------------------------------------------------------------------------------

namespace {

class UiRepaintAtDpi : public UiPaintTest, public ::testing::WithParamInterface<int> {
protected:
    void UseDpi(int dpi) {
        GetDpi().dpi = dpi;
        ClearFontCache();
        SetWindowPos(window.Hwnd(), nullptr, 0, 0, Scale(520), Scale(374), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Repaint();
    }
    std::vector<uint32_t> Pixels() const {
        const auto* bits = static_cast<const uint32_t*>(window.Buffer().bufferBits);
        return {bits, bits + static_cast<size_t>(window.Buffer().bufferWidth) * window.Buffer().bufferHeight};
    }
};

size_t CountDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t differences = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        differences += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return differences;
}

}  // namespace

// A hover repaints one small control two levels deep. Its translucent, anti-aliased neighbours
// overlap its outset, and text crosses the repainted area: after the partial repaints the whole
// buffer must be what a full paint gives.
TEST_P(UiRepaintAtDpi, HoverRepaintLeavesTheBufferAsAFullPaintWould) {
    UseDpi(GetParam());
    bool hovered = false;
    CUiControl* panel = Add(root, {25, 33, 300, 200}, [](UiCanvas& c, int w, int h) {
        c.FillRoundRect(7.5f, {0, 0, w, h}, 0x40FF8000);
    });
    CUiControl* row = Add(panel, {3, 7, 250, 60}, nullptr);
    PaintingControl* target = Add(row, {11, 13, 57, 23}, [&](UiCanvas& c, int w, int h) {
        c.FillRoundRect(h / 2.0f, {0, 0, w, h}, hovered ? 0xC03060F0 : 0x903060F0);
        c.DrawString(L"安装", 13, 0xFF202020, 0, 0, static_cast<float>(w), static_cast<float>(h), kAlignCenter, false);
    });
    Add(row, {67, 12, 41, 25}, [](UiCanvas& c, int w, int h) {
        c.FillRoundRect(5.0f, {-2, -2, w + 4, h + 4}, 0x8020A040);  // reaches into its outset
    });
    Add(row, {0, 30, 200, 20}, [](UiCanvas& c, int w, int h) {
        c.DrawString(L"安装遇到问题？联系我们", 12, 0xFF333333, 0, 0, static_cast<float>(w), static_cast<float>(h),
                     kAlignNear, false);
    });
    Repaint();
    for (int i = 0; i < 3; ++i) {
        hovered = !hovered;
        target->Invalidate();
        UpdateWindow(window.Hwnd());
    }
    const std::vector<uint32_t> partial = Pixels();
    Repaint();
    EXPECT_EQ(CountDifferences(partial, Pixels()), 0u) << GetParam() << " DPI";
}

// The child's edges come from its parent's scaled position plus its own scaled edges; every pixel
// it paints must be repainted when it invalidates itself.
TEST_P(UiRepaintAtDpi, NestedControlRepaintsEveryPixelItPaints) {
    UseDpi(GetParam());
    COLORREF colour = kRedRef;
    CUiControl* parent = Add(root, {25, 25, 40, 40}, nullptr);
    PaintingControl* child = Add(parent, {1, 1, 16, 16}, [&](UiCanvas& c, int w, int h) {
        c.FillRect({0, 0, w, h}, colour);
    });
    child->outset = 0;
    Repaint();
    colour = kGreenRef;
    child->Invalidate();
    UpdateWindow(window.Hwnd());
    const UiRect outer = parent->GetPixelRect();
    const UiRect inner = child->GetPixelRect();
    int stale = 0;
    for (int y = outer.y + inner.y; y < outer.y + inner.y + inner.height; ++y) {
        for (int x = outer.x + inner.x; x < outer.x + inner.x + inner.width; ++x)
            stale += Px(x, y) != 0x00A000u;
    }
    EXPECT_EQ(stale, 0) << GetParam() << " DPI";
}

INSTANTIATE_TEST_SUITE_P(Dpis, UiRepaintAtDpi, ::testing::Values(96, 120, 144, 192));

// ---------------------------------------------------------------------------------------------
// Primitives
// ---------------------------------------------------------------------------------------------

TEST_F(UiPaintTest, RoundedRectangles) {
    // A GDI line first narrows the DC's clip to this sibling; the blended shapes must not inherit it.
    Add(root, {160, 20, 20, 20}, [](UiCanvas& c, int w, int) { c.DrawLine(0, 0, w, 0, RGB(0, 0, 0), 1); });
    Add(root, {200, 20, 40, 40}, [](UiCanvas& c, int w, int h) { c.FillRoundRect(10.0f, {0, 0, w, h}, 0xFFFF0000); });
    Add(root, {260, 20, 40, 40}, [](UiCanvas& c, int w, int h) { c.FillRoundRect(0.0f, {0, 0, w, h}, 0xFFFF0000); });
    Add(root, {320, 20, 40, 40}, [](UiCanvas& c, int w, int h) { c.FillRoundRect(100.0f, {0, 0, w, h}, 0xFFFF0000); });
    Repaint();
    EXPECT_TRUE(Near(Px(220, 40), 0xFF0000));
    EXPECT_TRUE(Near(Px(200, 40), 0xFF0000));     // a straight edge is filled to the border
    EXPECT_TRUE(Near(Px(200, 20), kBackground));  // the rounded corner is not
    EXPECT_TRUE(Near(Px(260, 20), 0xFF0000));     // radius 0: a plain rectangle
    EXPECT_TRUE(Near(Px(299, 59), 0xFF0000));
    // Radius beyond half the side: a circle.
    EXPECT_TRUE(Near(Px(340, 40), 0xFF0000));
    EXPECT_TRUE(Near(Px(340, 22), 0xFF0000));
    EXPECT_TRUE(Near(Px(324, 24), kBackground));
    EXPECT_TRUE(Near(Px(356, 56), kBackground));
}

TEST_F(UiPaintTest, StrokedOutlinesAndControlPaths) {
    Add(root, {200, 20, 40, 40}, [](UiCanvas& c, int w, int h) {
        c.StrokeRoundRect(8.0f, {2, 2, w - 4, h - 4}, 0xFF0000FF, 2.0f);
    });
    Add(root, {260, 20, 40, 40}, [](UiCanvas& c, int, int) {
        UiPathPtr triangle = CreateGdipPath();  // left half filled, below the diagonal
        GdipAddPathLine(triangle->native, 0.0f, 0.0f, 0.0f, 40.0f);
        GdipAddPathLine(triangle->native, 0.0f, 40.0f, 40.0f, 40.0f);
        GdipClosePathFigure(triangle->native);
        c.FillPath(*triangle, 0xFF00A000);
        UiPathPtr line = CreateGdipPath();
        GdipAddPathLine(line->native, 0.0f, 5.0f, 40.0f, 5.0f);
        c.StrokePath(*line, 0xFFFF0000, 2.0f);
    });
    Repaint();
    EXPECT_TRUE(Near(Px(220, 22), 0x0000FF));     // the top edge of the outline
    EXPECT_TRUE(Near(Px(237, 40), 0x0000FF));     // the right edge
    EXPECT_TRUE(Near(Px(220, 40), kBackground));  // the inside is left alone
    EXPECT_TRUE(Near(Px(203, 23), kBackground));  // so is the rounded corner's outside
    EXPECT_TRUE(Near(Px(265, 50), 0x00A000));
    EXPECT_TRUE(Near(Px(295, 30), kBackground));
    EXPECT_TRUE(Near(Px(280, 25), 0xFF0000));
}

TEST_F(UiPaintTest, GradientRoundedRectangleRunsFromStartToEnd) {
    Add(root, {20, 100, 100, 20}, [](UiCanvas& c, int w, int h) {
        c.FillRoundRectGradient({0, 0, w, h}, 0xFFFF0000, 0xFF0000FF, 0, 4.0f);
    });
    Add(root, {140, 100, 20, 100}, [](UiCanvas& c, int w, int h) {
        c.FillRoundRectGradient({0, 0, w, h}, 0xFFFF0000, 0xFF0000FF, 1, 0.0f);
    });
    Repaint();
    EXPECT_TRUE(Near(Px(24, 110), 0xFF0000, 40));
    EXPECT_TRUE(Near(Px(115, 110), 0x0000FF, 40));
    const uint32_t middle = Px(70, 110);
    EXPECT_GT(Red(middle), 80);
    EXPECT_GT(Blue(middle), 80);
    EXPECT_TRUE(Near(Px(20, 100), kBackground, 40));  // rounded corner
    EXPECT_TRUE(Near(Px(150, 102), 0xFF0000, 40));    // vertical: red at the top
    EXPECT_TRUE(Near(Px(150, 197), 0x0000FF, 40));
}

TEST_F(UiPaintTest, CheckCircle) {
    Add(root, {300, 100, 40, 40}, [](UiCanvas& c, int w, int h) { c.FillCheckCircle({0, 0, w, h}, 0xFF00A000); });
    Repaint();
    EXPECT_TRUE(Near(Px(320, 108), 0x00A000));
    EXPECT_TRUE(Near(Px(317, 127), 0xFFFFFF, 40));  // the corner of the check mark
    EXPECT_TRUE(Near(Px(328, 113), 0xFFFFFF, 60));  // on its long stroke
    EXPECT_TRUE(Near(Px(301, 101), kBackground));
}

TEST_F(UiPaintTest, LinesExcludeTheirEndPoint) {
    Add(root, {20, 200, 50, 10}, [](UiCanvas& c, int, int) { c.DrawLine(0, 2, 10, 2, kRedRef, 1); });
    Repaint();
    EXPECT_EQ(Px(20, 202), 0xFF0000u);
    EXPECT_EQ(Px(29, 202), 0xFF0000u);
    EXPECT_EQ(Px(30, 202), kBackground);
    EXPECT_EQ(Px(25, 203), kBackground);
}

TEST_F(UiPaintTest, TextIsAlignedInItsBoxAndVerticallyCentred) {
    const UiLtrb left = {20, 240, 220, 280};
    const UiLtrb centre = {20, 290, 220, 330};
    const UiLtrb right = {260, 240, 460, 280};
    const UiLtrb both = {260, 290, 460, 330};
    auto text = [](int flags) {
        return [flags](UiCanvas& c, int w, int h) { c.DrawText(L"WWW", 16, RGB(0, 0, 0), {0, 0, w, h}, flags, false); };
    };
    Add(root, ToRect(left), text(0));
    Add(root, ToRect(centre), text(kTextCenter));
    Add(root, ToRect(right), text(kTextRight));
    Add(root, ToRect(both), text(kTextCenter | kTextRight));
    Repaint();

    UiLtrb box;
    ASSERT_TRUE(DarkBox(Grow(left, 1), box));
    EXPECT_LT(box.left - left.left, 6);
    EXPECT_NEAR((box.top + box.bottom) / 2, (left.top + left.bottom) / 2, 4);
    ASSERT_TRUE(DarkBox(Grow(centre, 1), box));
    EXPECT_NEAR((box.left + box.right) / 2, (centre.left + centre.right) / 2, 4);
    ASSERT_TRUE(DarkBox(Grow(right, 1), box));
    EXPECT_GT(box.right, right.right - 6);
    EXPECT_LT(box.right, right.right);
    ASSERT_TRUE(DarkBox(Grow(both, 1), box));  // bit 0 wins over bit 1
    EXPECT_NEAR((box.left + box.right) / 2, (both.left + both.right) / 2, 4);
}

TEST_F(UiPaintTest, TextColourAndEllipsisOnOneLine) {
    const UiLtrb area = {20, 240, 100, 270};
    Add(root, ToRect(area), [](UiCanvas& c, int w, int h) {
        c.DrawText(L"WWWWWWWWWWWWWWWWWWWW", 16, RGB(200, 0, 0), {0, 0, w, h}, 0, true);
    });
    Repaint();
    int reddish = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (Red(Px(x, y)) > 150 && Green(Px(x, y)) < 100)
                ++reddish;
    EXPECT_GT(reddish, 50);
    // Nothing spills to the right of the box or onto a second line.
    for (int y = area.top - 10; y < area.bottom + 20; ++y)
        for (int x = area.right + 1; x < area.right + 60; ++x)
            ASSERT_EQ(Px(x, y), kBackground) << x << "," << y;
    for (int x = area.left; x < area.right; ++x)
        ASSERT_EQ(Px(x, area.bottom + 2), kBackground);
}

// ---------------------------------------------------------------------------------------------
// Window overlays and layers
// ---------------------------------------------------------------------------------------------

TEST_F(UiPaintTest, TooltipIsPaintedAfterTheDelay) {
    auto* tipped = Add(root, {20, 20, 40, 40}, nullptr);
    tipped->tooltip = L"提示文字";
    SendMessageW(window.Hwnd(), WM_MOUSEMOVE, 0, PointParam(30, 30));
    SendMessageW(window.Hwnd(), WM_TIMER, kTooltipTimerId, 0);
    ASSERT_TRUE(window.Scene().Tooltip().Showing());
    UpdateWindow(window.Hwnd());
    const UiRect tip = window.Scene().Tooltip().Rect();
    EXPECT_EQ(tip.x, 40);
    EXPECT_EQ(tip.y, 46);
    EXPECT_EQ(tip.height, 30);
    EXPECT_TRUE(Near(Px(tip.x + 3, tip.y + tip.height / 2), 0x3A3A3E, 20));
    int bright = 0;
    for (int y = tip.y; y < tip.y + tip.height; ++y)
        for (int x = tip.x; x < tip.x + tip.width; ++x)
            if (Red(Px(x, y)) > 200)
                ++bright;
    EXPECT_GT(bright, 10);  // the white text

    SendMessageW(window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(30, 30));
    SendMessageW(window.Hwnd(), WM_LBUTTONUP, 0, PointParam(30, 30));
    UpdateWindow(window.Hwnd());
    EXPECT_EQ(Px(tip.x + 3, tip.y + tip.height / 2), kBackground);
}

TEST_F(UiPaintTest, TooltipNearTheCornerFlipsInsideTheClientArea) {
    auto* tipped = Add(root, {480, 330, 40, 44}, nullptr);
    tipped->tooltip = L"一行\n两行";
    SendMessageW(window.Hwnd(), WM_MOUSEMOVE, 0, PointParam(515, 370));
    SendMessageW(window.Hwnd(), WM_TIMER, kTooltipTimerId, 0);
    const UiRect tip = window.Scene().Tooltip().Rect();
    EXPECT_EQ(tip.x + tip.width, 520);
    EXPECT_EQ(tip.y, 370 - 6 - tip.height);
    EXPECT_EQ(tip.height, 12 + 2 * 18);
    UpdateWindow(window.Hwnd());
    EXPECT_TRUE(Near(Px(tip.x + 3, tip.y + tip.height / 2), 0x3A3A3E, 20));
}

TEST_F(UiPaintTest, ModalLayerDimsWhatLiesBelow) {
    auto layer = std::make_unique<PaintingControl>(UiRect{}, Overdraw(kGreenRef));
    window.Scene().PushLayer(std::move(layer), 100, 100, 0, nullptr);
    Repaint();
    const uint32_t dimmed = Px(5, 5);
    EXPECT_LT(Red(dimmed), 0xC0);
    EXPECT_GT(Red(dimmed), 0x70);
    EXPECT_EQ(Px(260, 187), 0x00A000u);  // the layer itself is not dimmed
    window.CloseTopLayer();
    UpdateWindow(window.Hwnd());
    EXPECT_EQ(Px(5, 5), kBackground);
}

TEST_F(UiPaintTest, OpaqueLayerCoveringTheDirtyAreaHidesTheRoots) {
    auto layer = std::make_unique<PaintingControl>(UiRect{}, Overdraw(kGreenRef));
    layer->opaque = true;
    window.Scene().PushLayer(std::move(layer), 520, 374, 0, nullptr);
    const int before = root->paints;
    Repaint();
    EXPECT_EQ(root->paints, before);
    EXPECT_EQ(Px(5, 5), 0x00A000u);
}

TEST_F(UiPaintTest, CaptionBarDrawsItsButtons) {
    window.caption = 64;
    Repaint();
    // The close cross is centred in the last 46-pixel slot of the strip.
    EXPECT_TRUE(Dark(Px(497, 32)) || Red(Px(497, 32)) < 0xA0);
    EXPECT_EQ(Px(497, 80), kBackground);
}

// ---------------------------------------------------------------------------------------------
// Canvas bookkeeping on a plain memory DC
// ---------------------------------------------------------------------------------------------

namespace {

class MemoryCanvasTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(buffer.Ensure(nullptr, 64, 64)); }

    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    UiBackBuffer buffer;
    UiCanvas canvas;
};

}  // namespace

TEST_F(MemoryCanvasTest, PushNarrowsTheClipAndPopRestoresIt) {
    canvas.BeginWindowPaint(buffer.bufferDC.Get(), 64, 64);
    canvas.PushControl({10, 10, 20, 20}, 1);
    EXPECT_EQ(canvas.originX, 10);
    EXPECT_EQ(canvas.clip.left, 9);
    EXPECT_EQ(canvas.clip.right, 31);
    canvas.PushControl({15, 15, 20, 20}, 1);
    EXPECT_EQ(canvas.originX, 25);
    EXPECT_EQ(canvas.clip.left, 24);
    EXPECT_EQ(canvas.clip.right, 31);
    canvas.PushControl({40, 0, 5, 5}, 0);  // entirely outside: an empty clip, left as it is
    EXPECT_GE(canvas.clip.left, canvas.clip.right);
    EXPECT_EQ(canvas.stack.size(), 3u);
    canvas.Pop();
    canvas.Pop();
    EXPECT_EQ(canvas.originX, 10);
    EXPECT_EQ(canvas.clip.right, 31);
    canvas.Pop();
    canvas.Pop();  // one too many: nothing happens
    EXPECT_EQ(canvas.originX, 0);
    EXPECT_EQ(canvas.clip.right, 64);
    canvas.EndWindowPaint();
    EXPECT_EQ(canvas.hdc, nullptr);
}

TEST_F(MemoryCanvasTest, GraphicsCreatedOutsideAWindowPaintLastsOnePrimitive) {
    canvas.hdc = buffer.bufferDC.Get();
    canvas.clip = {0, 0, 64, 64};
    canvas.FillRoundRect(0.0f, {2, 2, 10, 10}, 0xFF0000FF);
    EXPECT_EQ(canvas.graphics, nullptr);
    EXPECT_EQ(buffer.PixelAt(5, 5), 0x0000FFu);

    canvas.BeginWindowPaint(buffer.bufferDC.Get(), 64, 64);
    ASSERT_NE(canvas.graphics, nullptr);
    Gdiplus::GpGraphics* kept = canvas.graphics->native;
    canvas.FillRoundRect(0.0f, {20, 20, 10, 10}, 0xFF00FF00);
    ASSERT_NE(canvas.graphics, nullptr);
    EXPECT_EQ(canvas.graphics->native, kept);
    EXPECT_EQ(canvas.graphics->lastStatus, Gdiplus::Ok);
    canvas.EndWindowPaint();
    EXPECT_EQ(canvas.graphics, nullptr);
    EXPECT_EQ(buffer.PixelAt(25, 25), 0x00FF00u);
}

TEST_F(MemoryCanvasTest, GraphicsCreatedInsideATreeStartsAtTheCurrentOriginAndClip) {
    canvas.hdc = buffer.bufferDC.Get();
    canvas.clip = {0, 0, 64, 64};
    canvas.PushControl({30, 30, 10, 10}, 0);
    canvas.FillRoundRect(0.0f, {-5, -5, 30, 30}, 0xFFFF0000);  // creates the graphics here
    canvas.Pop();
    EXPECT_EQ(buffer.PixelAt(30, 30), 0xFF0000u);
    EXPECT_EQ(buffer.PixelAt(39, 39), 0xFF0000u);
    EXPECT_NE(buffer.PixelAt(29, 35), 0xFF0000u);
    EXPECT_NE(buffer.PixelAt(40, 35), 0xFF0000u);
}

// A shape composited from the cache looks as the same shape drawn directly, at any position and
// under the current clip; each distinct shape has its own raster. Wine fills an opaque solid
// shape on a DC through GDI and on a bitmap through its own scan converter, and the two round a
// few corner pixels differently; a misplaced or miscoloured raster differs in hundreds.
TEST_F(MemoryCanvasTest, CachedShapesMatchDirectDrawing) {
    struct Shape {
        const char* name;
        std::function<void(UiCanvas&, int x, int y)> draw;
    };
    const Shape shapes[] = {
        {"round",
         [](UiCanvas& c, int x, int y) {
             c.FillRoundRect(6.5f, {x, y, 23, 17}, 0xFF3060F0);
         }},
        {"translucent",
         [](UiCanvas& c, int x, int y) {
             c.FillRoundRect(4.0f, {x, y, 20, 20}, 0x80FF2000);
         }},
        {"gradient",
         [](UiCanvas& c, int x, int y) {
             c.FillRoundRectGradient({x, y, 24, 14}, 0xFFFF7467, 0xFF2040A0, 0, 7.0f);
         }},
        {"check",
         [](UiCanvas& c, int x, int y) {
             c.FillCheckCircle({x, y, 18, 18}, 0xFF2BB673);
         }},
    };
    UiBackBuffer direct;
    ASSERT_TRUE(direct.Ensure(nullptr, 64, 64));
    UiCanvas plain;
    for (const Shape& shape : shapes) {
        for (UiBackBuffer* b : {&buffer, &direct})
            PatBlt(b->bufferDC.Get(), 0, 0, 64, 64, WHITENESS);
        canvas.BeginWindowPaint(buffer.bufferDC.Get(), 64, 64, {0, 0, 40, 64});  // cuts the second copy
        shape.draw(canvas, 3, 5);
        shape.draw(canvas, 30, 33);
        canvas.EndWindowPaint();
        plain.hdc = direct.bufferDC.Get();  // outside a window paint: drawn directly
        plain.clip = {0, 0, 40, 64};
        shape.draw(plain, 3, 5);
        shape.draw(plain, 30, 33);
        int differing = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x)
                differing += !Near(buffer.PixelAt(x, y), direct.PixelAt(x, y), 2);
        }
        EXPECT_LE(differing, 8) << shape.name;
        EXPECT_EQ(buffer.PixelAt(45, 40), 0xFFFFFFu) << shape.name;  // outside the paint area
    }
    EXPECT_EQ(canvas.shapes.Size(), 4u);
}

TEST_F(MemoryCanvasTest, BrushesAndPensAreCachedPerColour) {
    canvas.BeginWindowPaint(buffer.bufferDC.Get(), 64, 64);
    canvas.FillRect({0, 0, 4, 4}, kRedRef);
    canvas.FillRect({4, 0, 4, 4}, kRedRef);
    canvas.FillRect({8, 0, 4, 4}, kGreenRef);
    canvas.DrawLine(0, 10, 20, 10, kRedRef, 1);
    canvas.DrawLine(0, 12, 20, 12, kRedRef, 2);
    canvas.DrawLine(0, 14, 20, 14, kRedRef, 2);
    canvas.EndWindowPaint();
    EXPECT_EQ(canvas.brushCache.size(), 2u);
    EXPECT_EQ(canvas.penCache.size(), 2u);
    EXPECT_EQ(canvas.penCache.count((kRedRef & 0xFFFFFF) + (2u << 24)), 1u);
}

TEST_F(MemoryCanvasTest, TextWithoutAFontDrawsNothing) {
    UiFontFamilyPtr saved = std::move(uiFontFamily);
    ClearFontCache();
    canvas.BeginWindowPaint(buffer.bufferDC.Get(), 64, 64);
    canvas.FillRect({0, 0, 64, 64}, RGB(255, 255, 255));
    canvas.DrawText(L"W", 20, RGB(0, 0, 0), {0, 0, 64, 64}, kTextCenter, false);
    canvas.DrawText(nullptr, 20, RGB(0, 0, 0), {0, 0, 64, 64}, kTextCenter, false);
    canvas.EndWindowPaint();
    uiFontFamily = std::move(saved);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(buffer.PixelAt(x, y), 0xFFFFFFu);
}

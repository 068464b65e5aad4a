// The OpenGL presenter: its start needs every function and a pixel format, a window starts it
// only after its first frame, its failures hand the paint back to BitBlt for good. The frame checks need an X display
// (Wine's x11 driver with Mesa's software OpenGL); tools/test.sh runs them under Xvfb with ORB_TEST_DISPLAY set, and
// they are skipped in the headless suites.
#include "uie/core/UiGlPresenter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "uie/core/UiTestSupport.h"

using namespace UIE;

namespace {

bool HaveDisplay() {
    return std::getenv("ORB_TEST_DISPLAY") != nullptr;
}

// glGetError that reports an error once `failNext` is set, for a failure after a good start.
bool failNext = false;
GLenum(APIENTRY* realGetError)() = nullptr;
GLenum APIENTRY FailingGetError() {
    const GLenum real = realGetError();
    return failNext ? GL_INVALID_OPERATION : real;
}

class TestWindow : public CUiWindow {
public:
    int CaptionHeight() override { return 0; }
};

// Paints a few coloured blocks so a wrong or stale upload shows.
class Blocks : public CUiControl {
public:
    void Paint(UiCanvas& canvas) override {
        const UiRect px = GetPixelRect();
        canvas.FillRect({0, 0, px.width / 2, px.height}, lit ? RGB(0, 200, 0) : RGB(200, 30, 30));
        canvas.FillRect({px.width / 2, 0, px.width - px.width / 2, px.height / 3}, RGB(30, 30, 200));
    }
    bool lit = false;
};

class GlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
        GetDpi().dpi = 96;
        auto root = std::make_unique<CUiControl>();
        blocks = root->Add<Blocks>();
        blocks->bounds = {20, 20, 200, 120};
        window.AddRoot(std::move(root));
        ShowWindow(window.Hwnd(), SW_SHOWNOACTIVATE);
        UpdateWindow(window.Hwnd());
        // The first frame went out with BitBlt; the presenter starts from the message loop.
        startedBeforeTheLoop = window.Presenter().Active();
        uitest::PumpPending();
    }
    // The window's front buffer as OpenGL holds it, as 0x00RRGGBB, rows top to bottom.
    std::vector<uint32_t> ReadFrame(int width, int height) {
        using ReadPixels = void(APIENTRY*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
        using ReadBuffer = void(APIENTRY*)(GLenum);
        auto readPixels = reinterpret_cast<ReadPixels>(
            reinterpret_cast<void*>(GetProcAddress(window.Presenter().library, "glReadPixels")));
        auto readBuffer = reinterpret_cast<ReadBuffer>(
            reinterpret_cast<void*>(GetProcAddress(window.Presenter().library, "glReadBuffer")));
        std::vector<uint32_t> rows(static_cast<size_t>(width) * height);
        if (!readPixels || !readBuffer)
            return {};
        window.Presenter().gl.wglMakeCurrent(window.Presenter().dc, window.Presenter().context);
        readBuffer(GL_FRONT);
        std::vector<uint32_t> bottomUp(rows.size());
        readPixels(0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, bottomUp.data());
        for (int y = 0; y < height; ++y)
            std::memcpy(&rows[static_cast<size_t>(y) * width], &bottomUp[static_cast<size_t>(height - 1 - y) * width],
                        static_cast<size_t>(width) * 4);
        for (uint32_t& pixel : rows)
            pixel &= 0xFFFFFF;
        return rows;
    }
    // How many pixels of the presented frame differ from the back buffer.
    int Mismatches() {
        const int w = window.Buffer().bufferWidth;
        const int h = window.Buffer().bufferHeight;
        const std::vector<uint32_t> frame = ReadFrame(w, h);
        if (frame.empty())
            return -1;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                wrong += frame[static_cast<size_t>(y) * w + x] != window.Buffer().PixelAt(x, y);
        return wrong;
    }

    bool startedBeforeTheLoop = true;
    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
    TestWindow window;
    Blocks* blocks = nullptr;
};

}  // namespace

TEST(UiGlPresenter, StartNeedsAWindowAndEveryFunction) {
    UiGlPresenter presenter;
    EXPECT_FALSE(presenter.Start(nullptr));
    presenter.Stop();
    presenter.Stop();  // harmless, also when it never started

    TestWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
    for (const char* missing : {"wglCreateContext", "glTexSubImage2D", "glGetError"}) {
        UiGlPresenter partial;
        partial.loader = [missing](HMODULE library, const char* name) {
            return std::strcmp(name, missing) == 0 ? nullptr : GetProcAddress(library, name);
        };
        EXPECT_FALSE(partial.Start(window.Hwnd())) << missing;
        EXPECT_FALSE(partial.Active());
        EXPECT_EQ(partial.library, nullptr) << missing;  // the half-made start was undone
        EXPECT_EQ(partial.dc, nullptr);
    }
    if (!HaveDisplay()) {
        // No display: no pixel format, so the window presents with BitBlt.
        EXPECT_FALSE(window.Presenter().Active());
        EXPECT_FALSE(window.Presenter().Present(window.Buffer().bufferBits, 4, 4));
    }
}

TEST_F(GlWindowTest, PresentedFrameMatchesTheBufferThroughRepaintsAndResizes) {
    if (!HaveDisplay())
        GTEST_SKIP() << "needs an X display (ORB_TEST_DISPLAY)";
    EXPECT_FALSE(startedBeforeTheLoop);
    // Once started, it shows the frame that BitBlt showed, without waiting for a repaint.
    ASSERT_TRUE(window.Presenter().Active());
    EXPECT_EQ(window.Presenter().textureWidth, window.Buffer().bufferWidth);
    EXPECT_EQ(Mismatches(), 0);

    // A hover-sized repaint uploads the whole buffer, so no part of the frame goes stale.
    blocks->lit = true;
    blocks->Invalidate();
    UpdateWindow(window.Hwnd());
    EXPECT_EQ(window.Buffer().PixelAt(30, 30), 0x00C800u);
    EXPECT_EQ(Mismatches(), 0);

    SetWindowPos(window.Hwnd(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(window.Hwnd());
    // The X drawable follows the new size asynchronously; the next paint presents into it.
    uitest::PumpPending();
    Sleep(200);
    InvalidateRect(window.Hwnd(), nullptr, FALSE);
    UpdateWindow(window.Hwnd());
    EXPECT_EQ(window.Presenter().textureWidth, window.Buffer().bufferWidth);
    EXPECT_EQ(window.Presenter().textureHeight, window.Buffer().bufferHeight);
    EXPECT_EQ(Mismatches(), 0);
}

TEST(UiGlPresenter, StopPresenterKeepsAWindowOnBitBlt) {
    if (!HaveDisplay())
        GTEST_SKIP() << "needs an X display (ORB_TEST_DISPLAY)";
    uitest::GdiplusSession gdiplus;
    TestWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
    window.StopPresenter();
    ShowWindow(window.Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(window.Hwnd());
    uitest::PumpPending();
    EXPECT_FALSE(window.Presenter().Active());
    EXPECT_TRUE(window.StartPresenter());  // and it can still be started on purpose
    EXPECT_TRUE(window.Presenter().Active());
}

TEST(UiGlPresenterFailure, AnErrorAfterAGoodStartSwitchesItOffForGood) {
    if (!HaveDisplay())
        GTEST_SKIP() << "needs an X display (ORB_TEST_DISPLAY)";
    uitest::GdiplusSession gdiplus;
    TestWindow window;
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), uitest::WindowOptions()));
    window.Presenter().Stop();
    window.Presenter().loader = [](HMODULE library, const char* name) {
        FARPROC real = GetProcAddress(library, name);
        if (std::strcmp(name, "glGetError") != 0)
            return real;
        realGetError = reinterpret_cast<GLenum(APIENTRY*)()>(reinterpret_cast<void*>(real));
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailingGetError));
    };
    ASSERT_TRUE(window.Presenter().Start(window.Hwnd()));
    ShowWindow(window.Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(window.Hwnd());
    EXPECT_TRUE(window.Presenter().Active());
    EXPECT_FALSE(window.Presenter().Present(nullptr, 10, 10));  // a bad frame leaves it running
    EXPECT_TRUE(window.Presenter().Active());

    failNext = true;
    InvalidateRect(window.Hwnd(), nullptr, FALSE);
    UpdateWindow(window.Hwnd());  // this paint falls back to BitBlt
    failNext = false;
    EXPECT_FALSE(window.Presenter().Active());
    EXPECT_EQ(window.Presenter().library, nullptr);
    InvalidateRect(window.Hwnd(), nullptr, FALSE);
    UpdateWindow(window.Hwnd());
    EXPECT_FALSE(window.Presenter().Active());  // nothing starts it again
}

// The scene with no window at all: a host that records what the scene asks of a window, or none.
#include "uie/core/UiScene.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "uie/core/UiTestSupport.h"

using namespace UIE;
using uitest::RecordingControl;

namespace {

using Log = std::vector<std::string>;

// Writes what the scene asks of its window into the same log as the controls' events.
class RecordingHost : public UiSceneHost {
public:
    explicit RecordingHost(Log& log) : log_(log) {}
    void InvalidatePixels(const UiLtrb& a) override {
        Note("paint(" + std::to_string(a.left) + "," + std::to_string(a.top) + "," + std::to_string(a.right) + "," +
             std::to_string(a.bottom) + ")");
    }
    void InvalidateAll() override { Note("paint all"); }
    void CapturePointer() override { Note("capture"); }
    void ReleasePointer() override { Note("release"); }
    bool StartTimer(unsigned id, unsigned) override {
        Note("start timer" + std::to_string(id));
        return true;
    }
    void StopTimer(unsigned id) override { Note("stop timer" + std::to_string(id)); }
    UiSize ClientPixels() const override { return {400, 300}; }
    void RaiseAccessEvent(CUiControl& control, UiAccessEvent event) override {
        Note("access" + std::to_string(static_cast<int>(event)) + " #" + std::to_string(control.accessId));
    }
    void* NativeWindow() const override { return nullptr; }

private:
    void Note(const std::string& what) { log_.push_back("host:" + what); }
    Log& log_;
};

class UiSceneTest : public ::testing::Test {
protected:
    UiSceneTest() {
        auto rootControl = std::make_unique<CUiControl>();
        root = rootControl.get();
        scene.AddRoot(std::move(rootControl));
        a = root->Add<RecordingControl>(log, "a", UiRect{10, 10, 50, 50});
        b = root->Add<RecordingControl>(log, "b", UiRect{100, 10, 50, 50});
        a->focusable = b->focusable = true;
        scene.Arrange(400, 300);
    }
    void Click(int x, int y) {
        scene.ButtonDown(x, y);
        scene.ButtonUp(x, y);
    }

    uitest::DpiScope dpi_{96};
    Log log;
    RecordingHost host{log};
    UiScene scene{&host};
    CUiControl* root = nullptr;
    RecordingControl* a = nullptr;
    RecordingControl* b = nullptr;
};

}  // namespace

TEST(UiScene, RoutesInputWithoutAWindow) {
    Log log;
    UiScene scene;
    auto root = std::make_unique<RecordingControl>(log, "root", UiRect{});
    RecordingControl* field = root->Add<RecordingControl>(log, "field", UiRect{10, 10, 50, 20});
    field->focusable = true;
    scene.AddRoot(std::move(root));
    scene.Arrange(200, 100);
    scene.PointerMove(20, 15, {20, 15});
    scene.ButtonDown(20, 15);
    scene.ButtonUp(20, 15);
    scene.Char(L'x');
    field->SetVisible(false);
    EXPECT_EQ(scene.SetControlTimer(field, 10), 0u);  // nothing to run a timer
    EXPECT_EQ(log, (Log{"field:enter", "field:move(10,5)", "field:focus", "field:down(10,5)", "field:up(10,5)",
                        "field:char120", "field:blur", "field:leave"}));
    EXPECT_EQ(scene.Focused(), nullptr);
}

TEST_F(UiSceneTest, FocusMovesInReadingOrderAndTellsReadersAndTheRing) {
    scene.MoveFocusInOrder(false);
    scene.MoveFocusInOrder(false);
    scene.MoveFocusInOrder(false);  // wraps around
    scene.SetFocusCuesShown(true);  // the ring around a: gap 2, width 2 and a pixel more
    const std::string aId = std::to_string(a->accessId);
    const std::string bId = std::to_string(b->accessId);
    EXPECT_EQ(log, (Log{"a:focus", "host:access0 #" + aId, "a:blur", "b:focus", "host:access0 #" + bId, "b:blur",
                        "a:focus", "host:access0 #" + aId, "host:paint(5,5,65,65)"}));
    EXPECT_EQ(scene.FindByAccessId(b->accessId), b);
    EXPECT_EQ(scene.FindByAccessId(0), nullptr);
}

TEST_F(UiSceneTest, ALayerIsCentredAloneInSightAndItsCloseGivesBackTheScene) {
    a->tooltip = L"tip";
    scene.PointerMove(20, 20, {20, 20});
    Click(20, 20);
    bool closed = false;
    auto layer = std::make_unique<RecordingControl>(log, "layer", UiRect{});
    RecordingControl* layerRaw = layer.get();
    layerRaw->focusable = true;
    scene.PushLayer(std::move(layer), 200, 100, 10, [&] { closed = true; });
    EXPECT_EQ(layerRaw->bounds.x, 100);
    EXPECT_EQ(layerRaw->bounds.y, 110);
    EXPECT_EQ(scene.ShownControls(true), std::vector<CUiControl*>{layerRaw});
    EXPECT_FALSE(scene.IsShown(a));
    EXPECT_EQ(scene.HitTestAt(20, 20, nullptr, nullptr), nullptr);
    scene.ResizeTopLayer(100, 50);
    EXPECT_EQ(layerRaw->bounds.x, 150);
    log.clear();
    EXPECT_TRUE(scene.CloseTopLayer());
    EXPECT_TRUE(closed);
    EXPECT_EQ(log, (Log{"a:blur", "a:leave", "host:paint all"}));  // the press took the tooltip away
    EXPECT_FALSE(scene.CloseTopLayer());
    EXPECT_TRUE(scene.IsShown(a));
}

TEST_F(UiSceneTest, AHiddenSubtreeGivesUpItsRolesAndTimersButNotOthers) {
    auto* panel = root->Add<RecordingControl>(log, "panel", UiRect{200, 100, 100, 100});
    auto* inner = panel->Add<RecordingControl>(log, "inner", UiRect{10, 10, 50, 50});
    inner->focusable = inner->tracksWithin = true;
    scene.PointerMove(220, 120, {220, 120});
    scene.ButtonDown(215, 115);  // focus and capture
    const unsigned innerTimer = scene.SetControlTimer(inner, 1000);
    const unsigned bTimer = scene.SetControlTimer(b, 1000);
    log.clear();
    panel->SetVisible(false);
    EXPECT_EQ(scene.Captured(), nullptr);
    EXPECT_TRUE(scene.HoverWithin().empty());
    EXPECT_FALSE(scene.TimerTick(innerTimer));
    EXPECT_TRUE(scene.TimerTick(bTimer));
    EXPECT_EQ(log, (Log{"inner:blur", "host:release", "inner:leave", "inner:without",
                        "host:stop timer" + std::to_string(innerTimer), "host:paint all",
                        "host:access5 #" + std::to_string(panel->accessId), "b:timer" + std::to_string(bTimer)}));
}

// A layer closed while an event is being handled may still be on the call stack.
TEST_F(UiSceneTest, ALayerClosedDuringAnEventIsDestroyedWhenTheEventEnds) {
    class Noted : public CUiControl {
    public:
        explicit Noted(Log& log) : log_(log) {}
        ~Noted() override { log_.push_back("destroyed"); }

    private:
        Log& log_;
    };
    scene.PushLayer(std::make_unique<Noted>(log), 100, 100, 0, nullptr);
    log.clear();
    scene.BeginEvent();
    scene.BeginEvent();
    scene.CloseTopLayer();
    scene.EndEvent();
    EXPECT_EQ(log, Log{"host:paint all"});
    scene.EndEvent();
    EXPECT_EQ(log, (Log{"host:paint all", "destroyed"}));
}

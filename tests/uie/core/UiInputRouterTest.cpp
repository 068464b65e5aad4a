// Input routing over a control tree with no window at all: hit testing and the system capture are
// the test's own.
#include "uie/core/UiInputRouter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "uie/core/UiTestSupport.h"

using namespace UIE;
using uitest::RecordingControl;

namespace {

using Log = std::vector<std::string>;

class UiInputRouterTest : public ::testing::Test {
protected:
    UiInputRouterTest() : root(std::make_unique<CUiControl>()) {
        root->bounds = {0, 0, 300, 200};
        panel = root->Add<RecordingControl>(log, "panel", UiRect{100, 100, 100, 80});
        button = panel->Add<RecordingControl>(log, "button", UiRect{10, 10, 40, 20});
        field = root->Add<RecordingControl>(log, "field", UiRect{10, 10, 60, 20});
        button->hand = true;
        field->focusable = true;
        panel->tracksWithin = true;
    }

    Log log;
    int captures = 0;
    int releases = 0;
    std::unique_ptr<CUiControl> root;
    RecordingControl* panel = nullptr;
    RecordingControl* button = nullptr;
    RecordingControl* field = nullptr;
    UiInputRouter router{{[this](int x, int y, int* lx, int* ly) {
                              CUiControl* hit = root->HitTest(x, y);
                              if (hit && lx && ly) {
                                  const UiPoint local = LocalTo(hit, x, y);
                                  *lx = local.x;
                                  *ly = local.y;
                              }
                              return hit;
                          },
                          [this] { ++captures; },
                          [this] { ++releases; },
                          {}}};
};

}  // namespace

TEST_F(UiInputRouterTest, ClickOnANestedButtonCapturesAndReleasesThroughTheHooks) {
    router.PointerMove(115, 115);
    router.ButtonDown(115, 115);
    EXPECT_EQ(router.Captured(), button);
    EXPECT_TRUE(router.PointerMove(250, 190));  // captured: the move goes to the button
    EXPECT_EQ(router.Hovered(), button);
    router.ButtonUp(250, 190);
    EXPECT_EQ(router.Captured(), nullptr);
    EXPECT_EQ(captures, 1);
    EXPECT_EQ(releases, 1);
    const Log expected = {"button:enter",     "button:move(5,5)",    "panel:within",
                          "button:down(5,5)", "button:move(140,80)", "button:up(140,80)"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(router.CursorForHover(), UiInputRouter::Cursor::Hand);
}

TEST_F(UiInputRouterTest, HiddenSubtreeGivesUpItsRolesAndDestroyedOneDropsThemSilently) {
    router.PointerMove(115, 115);
    router.ButtonDown(115, 115);
    log.clear();
    router.ReleaseSubtree(panel);
    EXPECT_EQ(log, (Log{"button:leave", "panel:without"}));
    EXPECT_EQ(router.Captured(), nullptr);
    EXPECT_EQ(releases, 1);

    router.ButtonDown(20, 15);  // focuses the field
    EXPECT_EQ(router.Focused(), field);
    router.ButtonUp(20, 15);
    log.clear();
    router.ForgetSubtree(field);
    router.Char(L'x');
    EXPECT_EQ(router.Focused(), nullptr);
    EXPECT_TRUE(log.empty());
}

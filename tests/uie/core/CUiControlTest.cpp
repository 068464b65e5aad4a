// The control model on its own: tree building, coordinates, hit testing, arrangement and the
// layout-pending mark. No window is needed except where invalidation is checked.
#include "uie/core/CUiControl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "uie/core/CUiLinearLayout.h"
#include "uie/core/CUiWindow.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;
using uitest::DpiScope;
using uitest::RecordingControl;

namespace {

CUiControl* AddBox(CUiControl& parent, UiRect rect) {
    auto* child = parent.Add<CUiControl>();
    child->bounds = rect;
    return child;
}

// A control whose Layout asks for layout again, as a control that re-measures itself might.
class SelfRequestingControl : public CUiControl {
public:
    void Layout() override {
        ++layouts;
        RequestLayout();
    }
    int layouts = 0;
};

class DestructionProbe : public CUiControl {
public:
    DestructionProbe(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
    ~DestructionProbe() override { log_.push_back(name_); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

}  // namespace

TEST(CUiControl, InitialFields) {
    CUiControl c;
    EXPECT_TRUE(c.layoutPending);
    EXPECT_EQ(c.parent, nullptr);
    EXPECT_EQ(c.scene, nullptr);
    EXPECT_EQ(c.widthSpec, -1);
    EXPECT_EQ(c.heightSpec, -1);
    EXPECT_EQ(c.weight, 0.0f);
    EXPECT_EQ(c.alignment, -1);
    EXPECT_TRUE(c.visible);
    EXPECT_TRUE(c.enabled);
    EXPECT_FALSE(c.mouseTransparent);
    EXPECT_FALSE(c.fillFirstChild);
    EXPECT_EQ(c.PaintOutset(), 1);
    EXPECT_FALSE(c.IsOpaque());
    EXPECT_FALSE(c.IsPointerTarget());
    EXPECT_FALSE(c.IsFocusable());
    EXPECT_FALSE(c.OnMouseWheel(120));
    UiLtrb caret;
    EXPECT_FALSE(c.GetImeCaretRect(&caret));
}

TEST(CUiControl, PointerTargetFollowsTheCursorWishes) {
    std::vector<std::string> log;
    RecordingControl hand(log, "h", {});
    hand.hand = true;
    RecordingControl text(log, "t", {});
    text.text = true;
    EXPECT_TRUE(hand.IsPointerTarget());
    EXPECT_TRUE(text.IsPointerTarget());
}

TEST(CUiControl, AddChildSetsParentAndSceneOfTheWholeSubtree) {
    UiScene host;  // shown in no window
    CUiControl root;
    root.scene = &host;
    auto branch = std::make_unique<CUiControl>();
    CUiControl* leaf = branch->Add<CUiControl>();
    CUiControl* branchRaw = root.AddChild(std::move(branch));
    EXPECT_EQ(branchRaw->parent, &root);
    EXPECT_EQ(branchRaw->scene, &host);
    EXPECT_EQ(leaf->scene, &host);
    EXPECT_EQ(leaf->parent, branchRaw);
    EXPECT_EQ(root.AddChild(nullptr), nullptr);
    EXPECT_EQ(root.children.size(), 1u);
}

TEST(CUiControl, DestroysChildrenWithIt) {
    std::vector<std::string> log;
    {
        auto root = std::make_unique<CUiControl>();
        auto* a = root->Add<DestructionProbe>(log, "a");
        a->Add<DestructionProbe>(log, "a1");
        root->Add<DestructionProbe>(log, "b");
    }
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "a");  // a's own destructor body runs before its children are destroyed
    EXPECT_EQ(log[1], "a1");
    EXPECT_EQ(log[2], "b");
}

TEST(CUiControl, AbsolutePositionAddsEveryAncestor) {
    CUiControl root;
    root.bounds = {5, 6, 500, 300};
    CUiControl* mid = AddBox(root, {10, 20, 200, 100});
    CUiControl* leaf = AddBox(*mid, {3, 4, 10, 10});
    int x = 0;
    int y = 0;
    leaf->GetAbsolutePosition(x, y);
    EXPECT_EQ(x, 18);
    EXPECT_EQ(y, 30);
}

TEST(CUiControl, PixelRectAtCommonDpis) {
    CUiControl c;
    c.bounds = {1, 2, 1, 3};
    {
        DpiScope dpi(96);
        const UiRect r = c.GetPixelRect();
        EXPECT_EQ(r.x, 1);
        EXPECT_EQ(r.width, 1);
    }
    {
        DpiScope dpi(120);
        const UiRect r = c.GetPixelRect();
        EXPECT_EQ(r.x, 1);
        EXPECT_EQ(r.width, 2);
        EXPECT_EQ(r.y, 3);       // 2.5
        EXPECT_EQ(r.height, 3);  // 6.25 - 2.5 -> 6 - 3
    }
    {
        DpiScope dpi(144);
        const UiRect r = c.GetPixelRect();
        EXPECT_EQ(r.x, 2);
        EXPECT_EQ(r.width, 1);
        EXPECT_EQ(r.y, 3);
        EXPECT_EQ(r.height, 5);  // 7.5 -> 8
    }
    {
        DpiScope dpi(192);
        const UiRect r = c.GetPixelRect();
        EXPECT_EQ(r.x, 2);
        EXPECT_EQ(r.width, 2);
        EXPECT_EQ(r.y, 4);
        EXPECT_EQ(r.height, 6);
    }
}

TEST(CUiControlHitTest, EdgesAndChildCoordinates) {
    CUiControl root;
    root.bounds = {0, 0, 100, 100};
    CUiControl* child = AddBox(root, {10, 10, 20, 20});
    EXPECT_EQ(root.HitTest(10, 10), child);
    EXPECT_EQ(root.HitTest(29, 29), child);
    EXPECT_EQ(root.HitTest(30, 15), &root);  // right edge is outside the child
    EXPECT_EQ(root.HitTest(15, 30), &root);
    EXPECT_EQ(root.HitTest(100, 50), nullptr);
    EXPECT_EQ(root.HitTest(-1, 50), nullptr);
}

TEST(CUiControlHitTest, LaterChildrenLieOnTop) {
    CUiControl root;
    root.bounds = {0, 0, 100, 100};
    CUiControl* first = AddBox(root, {0, 0, 50, 50});
    CUiControl* second = AddBox(root, {25, 25, 50, 50});
    EXPECT_EQ(root.HitTest(30, 30), second);
    EXPECT_EQ(root.HitTest(10, 10), first);
    second->visible = false;
    EXPECT_EQ(root.HitTest(30, 30), first);
}

TEST(CUiControlHitTest, DisabledContainerHidesEnabledChildren) {
    CUiControl root;
    root.bounds = {0, 0, 100, 100};
    CUiControl* container = AddBox(root, {0, 0, 60, 60});
    CUiControl* inner = AddBox(*container, {5, 5, 20, 20});
    EXPECT_EQ(root.HitTest(10, 10), inner);
    container->enabled = false;
    EXPECT_EQ(root.HitTest(10, 10), &root);
    EXPECT_EQ(root.HitTest(50, 50), &root);
}

TEST(CUiControlHitTest, MouseTransparentContainerPassesThrough) {
    CUiControl root;
    root.bounds = {0, 0, 100, 100};
    CUiControl* below = AddBox(root, {0, 0, 100, 100});
    CUiControl* overlay = AddBox(root, {0, 0, 100, 100});
    overlay->mouseTransparent = true;
    CUiControl* button = AddBox(*overlay, {40, 40, 10, 10});
    EXPECT_EQ(root.HitTest(45, 45), button);  // its children are still hit
    EXPECT_EQ(root.HitTest(5, 5), below);     // elsewhere it falls through to the earlier sibling
    below->visible = false;
    EXPECT_EQ(root.HitTest(5, 5), &root);  // and then to the parent
}

TEST(CUiControl, ArrangeStoresBoundsAndClearsTheMark) {
    CUiControl c;
    c.Arrange({1, 2, 30, 40});
    EXPECT_FALSE(c.layoutPending);
    EXPECT_EQ(c.bounds.width, 30);
    const UiSize measured = c.Measure(999);
    EXPECT_EQ(measured.width, 30);
    EXPECT_EQ(measured.height, 40);
}

TEST(CUiControl, FillFirstChildStretchesOnlyTheFirstChild) {
    CUiControl parent;
    parent.fillFirstChild = true;
    CUiControl* first = AddBox(parent, {7, 7, 1, 1});
    CUiControl* second = AddBox(parent, {7, 7, 1, 1});
    parent.Arrange({10, 20, 300, 200});
    EXPECT_EQ(first->bounds.x, 0);
    EXPECT_EQ(first->bounds.y, 0);
    EXPECT_EQ(first->bounds.width, 300);
    EXPECT_EQ(first->bounds.height, 200);
    EXPECT_FALSE(first->layoutPending);
    EXPECT_EQ(second->bounds.width, 1);
    EXPECT_TRUE(second->layoutPending);

    CUiControl empty;
    empty.fillFirstChild = true;
    empty.Arrange({0, 0, 5, 5});  // nothing to stretch
    EXPECT_TRUE(empty.children.empty());

    CUiControl plain;
    CUiControl* untouched = AddBox(plain, {7, 7, 1, 1});
    plain.Arrange({0, 0, 50, 50});
    EXPECT_EQ(untouched->bounds.x, 7);
}

TEST(CUiControl, LayoutRequestedDuringLayoutIsCleared) {
    CUiControl root;
    auto* c = root.Add<SelfRequestingControl>();
    c->Arrange({0, 0, 10, 10});
    EXPECT_EQ(c->layouts, 1);
    EXPECT_FALSE(c->layoutPending);
    EXPECT_TRUE(root.layoutPending);  // the request still reached the ancestor
}

TEST(CUiControl, RequestLayoutMarksEveryAncestor) {
    CUiControl root;
    CUiControl* mid = AddBox(root, {});
    CUiControl* leaf = AddBox(*mid, {});
    CUiControl* sibling = AddBox(root, {});
    root.layoutPending = mid->layoutPending = leaf->layoutPending = sibling->layoutPending = false;
    leaf->RequestLayout();  // unattached: only the fields change
    EXPECT_TRUE(leaf->layoutPending);
    EXPECT_TRUE(mid->layoutPending);
    EXPECT_TRUE(root.layoutPending);
    EXPECT_FALSE(sibling->layoutPending);
}

TEST(CUiControl, SetVisibleWithTheSameValueDoesNothing) {
    CUiControl root;
    CUiControl* child = AddBox(root, {});
    root.layoutPending = child->layoutPending = false;
    child->SetVisible(true);
    EXPECT_FALSE(child->layoutPending);
    EXPECT_FALSE(root.layoutPending);
    child->SetVisible(false);
    EXPECT_FALSE(child->visible);
    EXPECT_TRUE(child->layoutPending);
    EXPECT_TRUE(root.layoutPending);
}

TEST(CUiControl, InvalidateWithoutANativeWindowIsHarmless) {
    UiScene host;  // shown in no window
    CUiControl c;
    c.Invalidate();
    c.scene = &host;
    c.Invalidate();
    c.RequestLayout();
    EXPECT_TRUE(c.layoutPending);
}

// The layout control: hidden children take no room, a child's layout request is honoured at the
// next paint, and the layout itself is never hit.
TEST(CUiLinearLayout, ArrangesVisibleChildrenAndReArrangesAtPaint) {
    CUiLinearLayout row;
    row.spacing = 5;
    auto place = [&](int width, bool visible) {
        CUiControl* child = row.Add<CUiControl>();
        child->widthSpec = width;
        child->heightSpec = 10;
        child->visible = visible;
        return child;
    };
    CUiControl* first = place(20, true);
    CUiControl* hidden = place(30, false);
    CUiControl* last = place(40, true);
    row.Arrange({0, 0, 200, 10});
    EXPECT_EQ(first->bounds.x, 0);
    EXPECT_EQ(last->bounds.x, 25);

    hidden->SetVisible(true);
    EXPECT_TRUE(row.layoutPending);
    UiCanvas canvas;
    row.Paint(canvas);
    EXPECT_FALSE(row.layoutPending);
    EXPECT_EQ(hidden->bounds.x, 25);
    EXPECT_EQ(last->bounds.x, 60);
    EXPECT_EQ(row.HitTest(150, 5), nullptr);
    EXPECT_EQ(row.HitTest(65, 5), last);
}

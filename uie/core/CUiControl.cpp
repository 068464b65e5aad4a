#include "uie/core/CUiControl.h"

#include <windows.h>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"

namespace UIE {

// ---------------------------------------------------------------------------------------------
// Virtual operations: defaults
// ---------------------------------------------------------------------------------------------

CUiControl::~CUiControl() {
    // Children go first, while their parent is still whole.
    children.clear();
}

UiSize CUiControl::Measure(int) {
    return {bounds.width, bounds.height};
}

void CUiControl::Arrange(const UiRect& boundsInParent) {
    bounds = boundsInParent;
    Layout();
    // Cleared after Layout, so a Layout that requests layout on this control leaves it clear.
    layoutPending = false;
}

void CUiControl::Paint(UiCanvas&) {}
void CUiControl::PaintOverlay(UiCanvas&) {}
bool CUiControl::IsOpaque() {
    return false;
}
void CUiControl::OnMouseEnter() {}
void CUiControl::OnMouseMove(int, int) {}
void CUiControl::OnMouseLeave() {}
void CUiControl::OnMouseDown(int, int) {}
void CUiControl::OnMouseUp(int, int) {}
void CUiControl::OnDoubleClick(int, int) {}
bool CUiControl::OnMouseWheel(int) {
    return false;
}
bool CUiControl::WantsHandCursor() {
    return false;
}
bool CUiControl::WantsTextCursor() {
    return false;
}
bool CUiControl::IsPointerTarget() {
    return WantsHandCursor() || WantsTextCursor();
}
bool CUiControl::IsFocusable() {
    return false;
}
void CUiControl::OnFocus() {}
void CUiControl::OnBlur() {}
void CUiControl::OnChar(wchar_t) {}
void CUiControl::OnKeyDown(unsigned) {}
void CUiControl::OnImeResult(const wchar_t*) {}
void CUiControl::OnTimer(unsigned) {}
bool CUiControl::GetImeCaretRect(UiLtrb*) {
    return false;
}
bool CUiControl::OnDescendantMouseDown(CUiControl*, int, int, int, int) {
    return false;
}
bool CUiControl::InterceptPointer(int, int) {
    return false;
}
void CUiControl::OnHoverWithin(bool) {}
bool CUiControl::TracksHoverWithin() {
    return false;
}

void CUiControl::Layout() {
    if (fillFirstChild && !children.empty())
        children.front()->Arrange({0, 0, bounds.width, bounds.height});
}

int CUiControl::PaintOutset() {
    return 1;
}

UiAccessInfo CUiControl::Describe() {
    return {};
}

UiAccessInfo CUiControl::Described(UiRole role, const std::wstring& shownText) const {
    UiAccessInfo info;
    info.role = role;
    info.name = accessName.empty() ? shownText : accessName;
    return info;
}

bool CUiControl::Activate() {
    return false;
}

// ---------------------------------------------------------------------------------------------
// Tree operations
// ---------------------------------------------------------------------------------------------

CUiControl* CUiControl::AddChild(std::unique_ptr<CUiControl> child) {
    if (!child)
        return nullptr;
    CUiControl* raw = child.get();
    raw->parent = this;
    raw->AttachToScene(scene);
    children.push_back(std::move(child));
    return raw;
}

void CUiControl::AttachToScene(IUiScene* owner) {
    scene = owner;
    if (owner && accessId == 0)
        accessId = owner->NextAccessId();
    for (auto& child : children)
        child->AttachToScene(owner);
}

UiRect CUiControl::GetPixelRect() const {
    return ScaleRect(bounds);
}

void CUiControl::GetAbsolutePosition(int& x, int& y) const {
    x = 0;
    y = 0;
    for (const CUiControl* c = this; c; c = c->parent) {
        x += c->bounds.x;
        y += c->bounds.y;
    }
}

CUiControl* CUiControl::HitTest(int x, int y) {
    if (!visible || !enabled)
        return nullptr;
    if (!RectContains(bounds, x, y))
        return nullptr;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (CUiControl* hit = (*it)->HitTest(x - bounds.x, y - bounds.y))
            return hit;
    }
    return mouseTransparent ? nullptr : this;
}

void CUiControl::Invalidate() {
    if (scene)
        scene->InvalidatePixels(ControlPixelArea(this, PaintOutset()));
}

void CUiControl::RequestLayout() {
    for (CUiControl* c = this; c; c = c->parent)
        c->layoutPending = true;
    if (scene)
        scene->InvalidateAll();
}

void CUiControl::SetVisible(bool value) {
    if (visible == value)
        return;
    visible = value;
    // A hidden control must not keep the focus (and the typed characters), the capture, the
    // hover, a tooltip or timers.
    if (!visible && scene)
        scene->ReleaseSubtree(this);
    RequestLayout();
    NotifyAccess(visible ? UiAccessEvent::Show : UiAccessEvent::Hide);
}

void CUiControl::NotifyAccess(UiAccessEvent event) {
    if (scene)
        scene->RaiseAccessEvent(this, event);
}

void CUiControl::PaintTree(UiCanvas& canvas) {
    if (!visible)
        return;
    canvas.PushControl(GetPixelRect(), PaintOutset());
    // A subtree whose clipped area misses the repainted area is skipped, but its state is still
    // popped below.
    const bool outside = canvas.hasDirty && !Intersects(canvas.clip, canvas.dirty);
    if (!outside) {
        Paint(canvas);
        for (auto& child : children)
            child->PaintTree(canvas);
        PaintOverlay(canvas);
    }
    canvas.Pop();
}

UiLtrb ControlPixelArea(const CUiControl* control, int outset) {
    std::vector<UiRect> chain;
    for (const CUiControl* c = control; c; c = c->parent)
        chain.insert(chain.begin(), c->bounds);
    return PaintedPixelArea(chain, outset);
}

}  // namespace UIE

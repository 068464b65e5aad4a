#include "uie/core/UiScene.h"

#include <algorithm>

#include "uie/core/UiDpi.h"

namespace UIE {

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

UiScene::UiScene(UiSceneHost* host)
    : host_(host),
      input_({[this](int x, int y, int* lx, int* ly) { return HitTestAt(x, y, lx, ly); },
              [this] {
                  if (host_)
                      host_->CapturePointer();
              },
              [this] {
                  if (host_)
                      host_->ReleasePointer();
              },
              [this](CUiControl* before, CUiControl* after) { FocusMoved(before, after); }}),
      tooltip_({[this] {
                    if (host_)
                        host_->StartTimer(kTooltipTimerId, kTooltipDelayMs);
                },
                [this] {
                    if (host_)
                        host_->StopTimer(kTooltipTimerId);
                },
                [this](const UiLtrb& area) { InvalidatePixels(area); }, [this] { return ClientPixels(); }}) {}

UiScene::~UiScene() {
    // Controls may call back into the scene while they are destroyed; nothing must reach the host.
    host_ = nullptr;
    closedLayers_.clear();
    layers_.clear();
    roots_.clear();
}

// ---------------------------------------------------------------------------------------------
// Roots and layers
// ---------------------------------------------------------------------------------------------

void UiScene::AddRoot(std::unique_ptr<CUiControl> root) {
    if (!root)
        return;
    root->AttachToScene(this);
    roots_.push_back(std::move(root));
}

void UiScene::PushLayer(std::unique_ptr<CUiControl> control,
                        int width,
                        int height,
                        int offsetY,
                        std::function<void()> onClosed) {
    if (!control)
        return;
    control->AttachToScene(this);
    UiModalLayer layer;
    layer.control = std::move(control);
    layer.width = width;
    layer.height = height;
    layer.offsetY = offsetY;
    layer.onClosed = std::move(onClosed);
    layers_.push_back(std::move(layer));
    ArrangeLayers();
    InvalidateAll();
}

bool UiScene::CloseTopLayer() {
    if (layers_.empty())
        return false;
    input_.ReleaseAll();
    tooltip_.Hide();
    ForgetSubtree(layers_.back().control.get());
    std::function<void()> onClosed = std::move(layers_.back().onClosed);
    closedLayers_.push_back(std::move(layers_.back()));
    layers_.pop_back();
    if (eventDepth_ == 0)
        closedLayers_.clear();
    if (onClosed)
        onClosed();
    InvalidateAll();
    return true;
}

void UiScene::ResizeTopLayer(int width, int height) {
    if (layers_.empty())
        return;
    layers_.back().width = width;
    layers_.back().height = height;
    ArrangeLayers();
    InvalidateAll();
}

void UiScene::Arrange(int width, int height) {
    for (auto& root : roots_)
        root->Arrange({0, 0, width, height});
    width_ = width;
    height_ = height;
    ArrangeLayers();
}

void UiScene::ArrangeLayers() {
    for (auto& layer : layers_) {
        const int x = std::max(0, (width_ - layer.width) / 2);
        const int y = std::max(0, (height_ - layer.height) / 2 + layer.offsetY);
        layer.control->Arrange({x, y, layer.width, layer.height});
    }
}

void UiScene::EndEvent() {
    if (--eventDepth_ == 0)
        closedLayers_.clear();
}

// A subtree about to be destroyed must not stay reachable through the scene's plain pointers.
void UiScene::ForgetSubtree(CUiControl* subtree) {
    input_.ForgetSubtree(subtree);
    tooltip_.Forget(subtree);
    for (auto it = timerTargets_.begin(); it != timerTargets_.end();) {
        if (IsInSubtree(it->second, subtree)) {
            if (host_)
                host_->StopTimer(it->first);
            it = timerTargets_.erase(it);
        } else {
            ++it;
        }
    }
}

void UiScene::ReleaseSubtree(CUiControl* subtree) {
    if (!subtree)
        return;
    input_.ReleaseSubtree(subtree);
    ForgetSubtree(subtree);
}

// ---------------------------------------------------------------------------------------------
// Pointer and keyboard
// ---------------------------------------------------------------------------------------------

CUiControl* UiScene::HitTestAt(int x, int y, int* localX, int* localY) {
    CUiControl* hit = nullptr;
    if (!layers_.empty()) {
        hit = layers_.back().control->HitTest(x, y);
    } else {
        for (auto it = roots_.rbegin(); it != roots_.rend() && !hit; ++it)
            hit = (*it)->HitTest(x, y);
    }
    if (hit && localX && localY) {
        const UiPoint local = LocalTo(hit, x, y);
        *localX = local.x;
        *localY = local.y;
    }
    return hit;
}

void UiScene::PointerMove(int x, int y, UiPoint pixel) {
    if (input_.PointerMove(x, y)) {
        tooltip_.Hide();  // a control holds the capture; hover stays as it was
        return;
    }
    tooltip_.Follow(input_.Hovered(), pixel);
}

void UiScene::PointerLeave() {
    tooltip_.Hide();
    input_.PointerLeave();
}

void UiScene::ButtonDown(int x, int y) {
    tooltip_.Hide();
    input_.ButtonDown(x, y);
}

void UiScene::Wheel(int x, int y, int delta) {
    tooltip_.Hide();
    input_.Wheel(x, y, delta);
}

void UiScene::MoveFocusInOrder(bool backwards) {
    const std::vector<CUiControl*> order = ShownControls(true);
    const auto at = std::find(order.begin(), order.end(), input_.Focused());
    const int current = at == order.end() ? -1 : static_cast<int>(at - order.begin());
    const int next = StepInCycle(static_cast<int>(order.size()), current, backwards);
    if (next >= 0)
        input_.MoveFocus(order[static_cast<size_t>(next)]);
}

bool UiScene::ActivateFocused(bool enterKey) {
    CUiControl* focused = input_.Focused();
    if (!focused || !focused->enabled || !IsShown(focused))
        return false;
    if (enterKey && focused->Describe().role == UiRole::CheckBox)
        return false;
    return focused->Activate();
}

void UiScene::SetFocusCuesShown(bool shown) {
    if (shown == focusCuesShown_)
        return;
    focusCuesShown_ = shown;
    InvalidateFocusRing(input_.Focused());
}

void UiScene::FocusMoved(CUiControl* before, CUiControl* after) {
    if (focusCuesShown_) {
        InvalidateFocusRing(before);
        InvalidateFocusRing(after);
    }
    if (after)
        RaiseAccessEvent(after, UiAccessEvent::Focus);
}

void UiScene::InvalidateFocusRing(const CUiControl* control) {
    if (!control)
        return;
    const int outset = Scale(kFocusRingGapDip) + std::max(1, Scale(kFocusRingWidthDip)) + 1;
    InvalidatePixels(ControlPixelArea(control, outset));
}

// ---------------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------------

unsigned UiScene::SetControlTimer(CUiControl* target, unsigned intervalMs) {
    if (!host_ || !target)
        return 0;
    const unsigned id = nextTimerId_++;
    if (!host_->StartTimer(id, intervalMs))
        return 0;
    timerTargets_.emplace_back(id, target);
    return id;
}

void UiScene::KillControlTimer(unsigned timerId) {
    const auto at =
        std::find_if(timerTargets_.begin(), timerTargets_.end(), [timerId](const auto& t) { return t.first == timerId; });
    if (at == timerTargets_.end())
        return;
    timerTargets_.erase(at);
    if (host_)
        host_->StopTimer(timerId);
}

bool UiScene::TimerTick(unsigned timerId) {
    if (timerId == kTooltipTimerId) {
        if (host_)
            host_->StopTimer(kTooltipTimerId);
        tooltip_.Show();
        return true;
    }
    const auto at =
        std::find_if(timerTargets_.begin(), timerTargets_.end(), [timerId](const auto& t) { return t.first == timerId; });
    if (at == timerTargets_.end())
        return false;
    at->second->OnTimer(timerId);
    return true;
}

// ---------------------------------------------------------------------------------------------
// What is shown, in reading order
// ---------------------------------------------------------------------------------------------

std::vector<CUiControl*> UiScene::ShownControls(bool focusableOnly) {
    std::vector<CUiControl*> found;
    if (!layers_.empty()) {
        CollectShown(layers_.back().control.get(), focusableOnly, found);
    } else {
        for (auto& root : roots_)
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

bool UiScene::IsShown(const CUiControl* control) const {
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
    if (!layers_.empty())
        return top == layers_.back().control.get();
    return std::any_of(roots_.begin(), roots_.end(), [top](const auto& root) { return root.get() == top; });
}

CUiControl* UiScene::FindByAccessId(long id) {
    if (id <= 0)
        return nullptr;
    for (auto& root : roots_) {
        if (CUiControl* found = FindIn(root.get(), id))
            return found;
    }
    for (auto& layer : layers_) {
        if (CUiControl* found = FindIn(layer.control.get(), id))
            return found;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Requests to the host
// ---------------------------------------------------------------------------------------------

void UiScene::InvalidatePixels(const UiLtrb& area) {
    if (host_)
        host_->InvalidatePixels(area);
}

void UiScene::InvalidateAll() {
    if (host_)
        host_->InvalidateAll();
}

void UiScene::RaiseAccessEvent(CUiControl* control, UiAccessEvent event) {
    if (host_ && control)
        host_->RaiseAccessEvent(*control, event);
}

UiSize UiScene::ClientPixels() const {
    return host_ ? host_->ClientPixels() : UiSize{};
}

}  // namespace UIE

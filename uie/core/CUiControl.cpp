#include "uie/core/CUiControl.h"

namespace UIE {

CUiControl* CUiControl::AddChild(std::unique_ptr<CUiControl> child) {
    CUiControl* raw = child.get();
    raw->parent = this;
    raw->AttachToWindow(window);
    children.push_back(std::move(child));
    return raw;
}

void CUiControl::AttachToWindow(CUiWindow* host) {
    window = host;
    for (auto& child : children)
        child->AttachToWindow(host);
}

}  // namespace UIE

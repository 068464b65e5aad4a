// A node of the window's control tree.
//
// A control owns its children; the window host owns the roots. Geometry is in DIP relative to the
// parent. This is the minimal node the window host needs to own a tree; geometry, hit testing,
// events and painting are added on top of it.
#pragma once

#include <memory>
#include <vector>

namespace UIE {

class CUiWindow;

class CUiControl {
public:
    CUiControl() = default;
    virtual ~CUiControl() = default;
    CUiControl(const CUiControl&) = delete;
    CUiControl& operator=(const CUiControl&) = delete;

    // Takes ownership; the child joins this control's window.
    CUiControl* AddChild(std::unique_ptr<CUiControl> child);
    // Sets `window` for this control and its whole subtree.
    void AttachToWindow(CUiWindow* host);

    CUiControl* parent = nullptr;  // non-owning
    CUiWindow* window = nullptr;   // non-owning
    std::vector<std::unique_ptr<CUiControl>> children;
};

}  // namespace UIE

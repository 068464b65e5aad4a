// The installer's main window: the window host without a caption strip of its own, whose header
// picture drags the window while `captionDragEnabled` is set (the main page). Escape goes to the
// page's escape action when no modal layer takes it.
#pragma once

#include <functional>

#include "uie/core/CUiWindow.h"

namespace SetupUi {

class CWindow : public UIE::CUiWindow {
public:
    ~CWindow() override;
    int CaptionHeight() override { return 0; }
    int HitTestFrame(int x, int y) override;
    bool OnEscape() override;

    // The pages over the main page have no header picture to drag by.
    void SetCaptionDrag(bool enabled) { captionDragEnabled = enabled; }
    // `action` answers true when Escape did something on the page shown.
    void SetEscapeAction(std::function<bool()> action) { escapeAction = std::move(action); }

private:
    bool captionDragEnabled = true;
    std::function<bool()> escapeAction;
};

}  // namespace SetupUi

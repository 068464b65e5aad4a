// The installer's main window: the window host without a caption strip of its own, whose header
// picture drags the window while `captionDragEnabled` is set (the main page). Escape goes to
// `escapeAction` when no modal layer takes it.
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

    bool captionDragEnabled = true;
    // True when Escape did something on the page shown.
    std::function<bool()> escapeAction;
};

}  // namespace SetupUi

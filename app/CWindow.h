// The installer's main window: the window host without a caption strip of its own, whose header
// picture drags the window while `captionDragEnabled` is set (the main page).
#pragma once

#include "uie/core/CUiWindow.h"

namespace SetupUi {

class CWindow : public UIE::CUiWindow {
public:
    ~CWindow() override;
    int CaptionHeight() override { return 0; }
    int HitTestFrame(int x, int y) override;

    bool captionDragEnabled = true;
};

}  // namespace SetupUi

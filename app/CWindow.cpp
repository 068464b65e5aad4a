#include "app/CWindow.h"

#include "uie/core/UiDpi.h"

namespace SetupUi {

CWindow::~CWindow() = default;

int CWindow::HitTestFrame(int x, int y) {
    using UIE::Scale;
    if (!captionDragEnabled || y >= Scale(260))
        return -1;
    // The top-right corner holds the close button and must stay clickable.
    if (x >= Scale(476) && y < Scale(52))
        return -1;
    return HTCAPTION;
}

bool CWindow::OnEscape() {
    if (CUiWindow::OnEscape())
        return true;
    return escapeAction && escapeAction();
}

}  // namespace SetupUi

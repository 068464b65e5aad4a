// Where a window meets screen readers: it answers WM_GETOBJECT for its client area with the
// scene's UiAccessible, made on a reader's first request, and turns the scene's changes into
// WinEvents. The object outlives the window when a reader holds it, so the bridge cuts it off
// (Disconnect) when the window goes.
#pragma once

#include <windows.h>

#include "base/ScopedWin.h"
#include "uie/core/UiAccess.h"
#include "uie/core/UiAccessible.h"

namespace UIE {

class CUiControl;
class UiScene;

class UiAccessBridge {
public:
    UiAccessBridge() = default;
    UiAccessBridge(const UiAccessBridge&) = delete;
    UiAccessBridge& operator=(const UiAccessBridge&) = delete;
    ~UiAccessBridge() { Disconnect(); }

    // The answer to WM_GETOBJECT; false when the request is not for the client area (the window
    // then answers as any window does).
    bool Answer(HWND window,
                UiScene& scene,
                const UiAccessible::Poster& post,
                WPARAM wParam,
                LPARAM lParam,
                LRESULT* result);
    void Disconnect();
    // Controls without a role are containers and pages: their coming and going changes which
    // children the client has, so readers hear of a reorder of the whole client instead.
    static void Raise(HWND window, CUiControl& control, UiAccessEvent event);

private:
    base::ComPtr<UiAccessible> accessible_;
};

}  // namespace UIE

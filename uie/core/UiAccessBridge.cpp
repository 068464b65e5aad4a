#include "uie/core/UiAccessBridge.h"

#include <oleacc.h>

#include "uie/core/CUiControl.h"

namespace UIE {

bool UiAccessBridge::Answer(HWND window,
                            UiScene& scene,
                            const UiAccessible::Poster& post,
                            WPARAM wParam,
                            LPARAM lParam,
                            LRESULT* result) {
    // The object id arrives as a 32-bit value in a pointer-sized parameter.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT)
        return false;
    if (!accessible_)
        accessible_ = UiAccessible::Create(&scene, window, post);
    *result = LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(accessible_.Get()));
    return true;
}

void UiAccessBridge::Disconnect() {
    if (accessible_) {
        accessible_->Disconnect();
        accessible_.Reset();
    }
}

void UiAccessBridge::Raise(HWND window, CUiControl& control, UiAccessEvent event) {
    if (!window)
        return;
    if (control.Describe().role == UiRole::None) {
        if (event == UiAccessEvent::Show || event == UiAccessEvent::Hide)
            NotifyWinEvent(EVENT_OBJECT_REORDER, window, OBJID_CLIENT, CHILDID_SELF);
        return;
    }
    NotifyWinEvent(MsaaEvent(event), window, OBJID_CLIENT, control.accessId);
}

}  // namespace UIE

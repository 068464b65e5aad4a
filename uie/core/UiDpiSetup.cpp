#include "uie/core/UiDpiSetup.h"

#include "base/ScopedWin.h"
#include "uie/core/UiDpi.h"

namespace UIE {

void DeclareDpiAwareness() {
    using SetAwareFn = BOOL(WINAPI*)();
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        if (auto setAware =
                reinterpret_cast<SetAwareFn>(reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware"))))
            setAware();
    }
}

void SeedDpiFromScreen() {
    RefreshDpi(nullptr);
}

void RefreshDpi(HWND window) {
    base::WindowDc dc(window);
    if (dc)
        GetDpi().dpi = SanitizeDpi(GetDeviceCaps(dc.Get(), LOGPIXELSY));
}

}  // namespace UIE

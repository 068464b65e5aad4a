// Reading the DPI record from the system: the process's DPI awareness, the screen's DPI at
// start-up and a window's DPI when it is created.
#pragma once

#include <windows.h>

namespace UIE {

// Declares the process DPI-aware (SetProcessDPIAware, looked up at run time), so the system
// does not stretch the window's bitmap.
void DeclareDpiAwareness();
// Seeds the record from the screen's LOGPIXELSY; without a screen DC it is left as it is.
void SeedDpiFromScreen();
// Re-reads LOGPIXELSY from the window's DC; without a DC the record is left as it is.
void RefreshDpi(HWND window);

}  // namespace UIE

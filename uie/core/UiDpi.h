// The process-wide DPI record and the two scaling rules between DIP and device pixels.
//
// Control geometry is in device-independent pixels (96 per inch); window messages and drawing are
// in device pixels. The record is read once at start-up and again when the window is created; the
// toolkit does not follow later DPI changes. UI thread only (creation of the record is thread-safe).
#pragma once

namespace UIE {

struct UiDpi {
    int dpi = 96;  // logical pixels per inch, vertical
};

UiDpi& GetDpi();

// a * b / c computed in 64 bits and rounded to nearest, halves away from zero (Win32 MulDiv).
int MulDivRound(int a, int b, int c);

int Scale(int dip);   // DIP to pixels at the current DPI
int Unscale(int px);  // pixels to DIP at the current DPI

// A reading of 0 or less means the device does not know; 96 is assumed.
int SanitizeDpi(int reported);

}  // namespace UIE

// The theme palette: six ARGB colours (0xAARRGGBB) read by the controls when they paint.
// Start-up overwrites some entries once; nothing changes them afterwards. UI thread only.
#pragma once

#include <cstdint>

namespace UIE {

struct UiTheme {
    uint32_t secondaryText = 0xFF999999;
    uint32_t windowBackground = 0xFFF7F8FA;
    uint32_t accentGradientStart = 0xFFFF7467;
    uint32_t accentGradientEnd = 0xFFFF7467;
    uint32_t text = 0xFF333333;
    uint32_t accent = 0xFFFF7467;
};

UiTheme& GetTheme();

// Colour conversions between ARGB and GDI's 0x00BBGGRR colour references.
constexpr uint32_t ArgbToColorRef(uint32_t argb) {
    return ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
}
constexpr uint32_t ColorRefToArgb(uint32_t ref) {
    return 0xFF000000u | ((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF);
}

}  // namespace UIE

// A rounded rectangle with a solid or gradient fill and an optional border, uniform or with its
// own radius per corner, that lays its first child out inside its padding.
#pragma once

#include <cstdint>

#include "uie/core/CUiControl.h"

namespace UIE {

class CUiCard : public CUiControl {
public:
    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    void Layout() override;

    uint32_t fillColour = 0xFFFFFFFF;  // ARGB
    bool gradient = false;
    uint32_t gradientStart = 0xFFFFFFFF;
    uint32_t gradientEnd = 0xFFFFFFFF;
    int gradientMode = 0;   // GDI+ linear gradient mode: 0 horizontal, 1 vertical, 2 and 3 diagonal
    int cornerRadius = -1;  // DIP; negative: 8
    bool perCornerRadii = false;
    int topLeftRadius = 0;  // DIP, used with perCornerRadii
    int topRightRadius = 0;
    int bottomRightRadius = 0;
    int bottomLeftRadius = 0;
    uint32_t borderColour = 0;  // ARGB; drawn only when its alpha is not 0
    int borderWidth = 0;        // DIP; drawn only when above 0

private:
    void PaintPerCorner(UiCanvas& canvas, int width, int height);
    bool HasBorder() const { return borderWidth > 0 && (borderColour >> 24) != 0; }
    float BorderPixels() const;
};

}  // namespace UIE

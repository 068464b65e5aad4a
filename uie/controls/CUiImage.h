// A cached bitmap scaled to fit inside (contain) or to fill (cover) its box, centred, optionally
// clipped to rounded corners, over an optional background. The bitmap is borrowed from the image
// cache and never freed here.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "uie/core/CUiControl.h"
#include "uie/core/UiGdiplus.h"

namespace UIE {

enum UiImageFit { kFitContain = 0, kFitCover = 1 };

class CUiImage : public CUiControl {
public:
    void Paint(UiCanvas& canvas) override;
    UiAccessInfo Describe() override;  // a graphic when named; unnamed pictures are decoration

    UiBitmap* bitmap = nullptr;
    int fitMode = kFitContain;
    int cornerRadius = 0;                // DIP; negative: 8; 0: square
    Gdiplus::ARGB backgroundColour = 0;  // painted when its alpha is not 0
};

}  // namespace UIE

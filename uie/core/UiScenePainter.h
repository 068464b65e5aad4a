// Draws a scene into a canvas that is painting a window: the background, the roots, the caption
// strip, the modal layers over a dimmed scene, the keyboard focus ring and the tooltip, in that
// order, clipped to the area being repainted.
#pragma once

#include <cstdint>
#include <string>

#include "uie/core/UiGeometry.h"

namespace UIE {

class UiCanvas;
class UiScene;

// Colour laid over everything below a modal layer (ARGB).
constexpr uint32_t kModalDimColour = 0x6E000000;
constexpr uint32_t kFocusRingColour = 0xFF333333;

// What the window adds around the scene: its caption strip (pixels high; 0 for none) and title.
struct UiSceneFrame {
    int widthPx = 0;
    int captionPx = 0;
    const std::wstring* title = nullptr;
};

// `dirty` is in client pixels; the canvas is between BeginWindowPaint and EndWindowPaint.
void PaintScene(UiCanvas& canvas, UiScene& scene, const UiSceneFrame& frame, const UiLtrb& dirty);

}  // namespace UIE

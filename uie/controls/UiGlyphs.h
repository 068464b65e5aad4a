// Eleven small line drawings on a 24-unit grid, scaled into any rectangle: the symbols of title
// bar and ghost buttons.
#pragma once

#include <windows.h>
#include <gdiplus.h>

namespace UIE {

class UiCanvas;

enum UiGlyph {
    kGlyphMinus = 0,
    kGlyphSquare = 1,
    kGlyphRestore = 2,
    kGlyphCross = 3,
    kGlyphChevronLeft = 4,
    kGlyphChevronRight = 5,
    kGlyphChevronUp = 6,
    kGlyphChevronDown = 7,
    kGlyphCheck = 8,
    kGlyphCircle = 9,
    kGlyphCircleDot = 10,
};

// Strokes glyph `type` into the largest square centred in (x, y, width, height) (device pixels
// relative to the canvas origin), with round caps and joins. A line width of 0 or less draws 1 px
// lines; an unknown type or an empty rectangle draws nothing.
void DrawGlyph(UiCanvas& canvas, int type, int x, int y, int width, int height, Gdiplus::ARGB colour, int lineWidth);

}  // namespace UIE

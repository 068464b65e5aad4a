// Plain geometry shared by the whole toolkit, and the arithmetic that converts it between DIP and
// device pixels.
//
// A `UiRect` is an origin and a size; whether it holds DIP or device pixels is stated wherever it
// is used (control bounds are DIP relative to the parent, canvas rectangles are pixels relative to
// the canvas origin). A `UiLtrb` holds four edges instead, for clips, dirty areas and caret boxes.
// Pure arithmetic: no Windows header, so it is also built and tested natively.
#pragma once

#include <cstdint>
#include <vector>

namespace UIE {

struct UiRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct UiSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct UiPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Four edges; right and bottom are exclusive. May be empty (left >= right), and is not normalised.
struct UiLtrb {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const UiLtrb& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const UiLtrb& o) const { return !(*this == o); }
};

// Spacing on the four sides of a control (margin, padding, insets), in DIP.
struct UiEdges {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Left and top edges are inside, right and bottom edges outside.
bool RectContains(const UiRect& r, int x, int y);

UiLtrb ToLtrb(const UiRect& r);
UiRect ToRect(const UiLtrb& e);
UiLtrb Grow(const UiLtrb& e, int by);
UiLtrb Offset(const UiLtrb& e, int dx, int dy);
// Edge-wise intersection; the result may be empty and is left as it is.
UiLtrb Intersect(const UiLtrb& a, const UiLtrb& b);
bool IsEmpty(const UiLtrb& e);
// True when the two share at least one pixel; an empty rectangle intersects nothing.
bool Intersects(const UiLtrb& a, const UiLtrb& b);
bool Contains(const UiLtrb& outer, const UiLtrb& inner);

// DIP to device pixels edge by edge, so that neighbours meet without gaps or overlaps; the size
// follows the scaled edges, not the scaled size.
UiRect ScaleRect(const UiRect& dip);
UiLtrb ScaleEdges(const UiLtrb& dip);
// The device pixels a control paints: its pixel rectangle placed by its ancestors' pixel
// rectangles, each level scaled on its own exactly as painting does, grown by its paint outset.
// `chain` holds the bounds (DIP) from the root down to the control; empty gives an empty area.
UiLtrb PaintedPixelArea(const std::vector<UiRect>& chain, int outset);

}  // namespace UIE

#include "uie/core/UiGeometry.h"

#include <algorithm>

#include "uie/core/UiDpi.h"

namespace UIE {

bool RectContains(const UiRect& r, int x, int y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

UiLtrb ToLtrb(const UiRect& r) {
    return {r.x, r.y, r.x + r.width, r.y + r.height};
}

UiRect ToRect(const UiLtrb& e) {
    return {e.left, e.top, e.right - e.left, e.bottom - e.top};
}

UiLtrb Grow(const UiLtrb& e, int by) {
    return {e.left - by, e.top - by, e.right + by, e.bottom + by};
}

UiLtrb Offset(const UiLtrb& e, int dx, int dy) {
    return {e.left + dx, e.top + dy, e.right + dx, e.bottom + dy};
}

UiLtrb Intersect(const UiLtrb& a, const UiLtrb& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const UiLtrb& e) {
    return e.left >= e.right || e.top >= e.bottom;
}

bool Intersects(const UiLtrb& a, const UiLtrb& b) {
    return !IsEmpty(a) && !IsEmpty(b) && !IsEmpty(Intersect(a, b));
}

bool Contains(const UiLtrb& outer, const UiLtrb& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

UiRect ScaleRect(const UiRect& dip) {
    return ToRect(ScaleEdges(ToLtrb(dip)));
}

UiLtrb ScaleEdges(const UiLtrb& dip) {
    return {Scale(dip.left), Scale(dip.top), Scale(dip.right), Scale(dip.bottom)};
}

UiLtrb PaintedPixelArea(const std::vector<UiRect>& chain, int outset) {
    if (chain.empty())
        return {};
    int x = 0;
    int y = 0;
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
        const UiRect level = ScaleRect(chain[i]);
        x += level.x;
        y += level.y;
    }
    return Grow(Offset(ScaleEdges(ToLtrb(chain.back())), x, y), outset);
}

}  // namespace UIE

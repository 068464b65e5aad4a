#include "uie/controls/UiGlyphs.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiGdiplus.h"

namespace UIE {

using namespace Gdiplus::DllExports;

namespace {

// The glyph's square: grid point (gx, gy) lands at (ox + u·gx, oy + u·gy).
struct Grid {
    float ox;
    float oy;
    float u;
    Gdiplus::PointF At(float gx, float gy) const { return {ox + u * gx, oy + u * gy}; }
};

Gdiplus::GpStatus Polyline(Gdiplus::GpGraphics* g,
                           Gdiplus::GpPen* pen,
                           const Grid& grid,
                           std::initializer_list<Gdiplus::PointF> points) {
    std::vector<Gdiplus::PointF> mapped;
    for (const Gdiplus::PointF& p : points)
        mapped.push_back(grid.At(p.X, p.Y));
    return GdipDrawLines(g, pen, mapped.data(), static_cast<INT>(mapped.size()));
}

Gdiplus::GpStatus
Line(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, const Grid& grid, float x1, float y1, float x2, float y2) {
    const Gdiplus::PointF a = grid.At(x1, y1);
    const Gdiplus::PointF b = grid.At(x2, y2);
    return GdipDrawLine(g, pen, a.X, a.Y, b.X, b.Y);
}

Gdiplus::GpStatus Square(Gdiplus::GpGraphics* g,
                         Gdiplus::GpPen* pen,
                         const Grid& grid,
                         float gx,
                         float gy,
                         float side) {
    const Gdiplus::PointF at = grid.At(gx, gy);
    return GdipDrawRectangle(g, pen, at.X, at.Y, grid.u * side, grid.u * side);
}

Gdiplus::GpStatus Circle(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, const Grid& grid) {
    const Gdiplus::PointF at = grid.At(1, 1);
    return GdipDrawEllipse(g, pen, at.X, at.Y, grid.u * 22, grid.u * 22);
}

Gdiplus::GpStatus Dot(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, const Grid& grid) {
    Gdiplus::ARGB colour = 0xFF000000;
    if (GdipGetPenColor(pen, &colour) != Gdiplus::Ok)
        colour = 0xFF000000;
    UiBrushPtr brush = CreateGdipSolidBrush(colour);
    if (!brush || !brush->native)
        return Gdiplus::OutOfMemory;
    const Gdiplus::PointF at = grid.At(7, 7);
    return GdipFillEllipse(g, brush->native, at.X, at.Y, grid.u * 10, grid.u * 10);
}

Gdiplus::GpStatus Stroke(Gdiplus::GpGraphics* g, Gdiplus::GpPen* pen, const Grid& grid, int type) {
    switch (type) {
        case kGlyphMinus:
            return Line(g, pen, grid, 6, 12, 18, 12);
        case kGlyphSquare:
            return Square(g, pen, grid, 6, 6, 12);
        case kGlyphRestore: {
            const Gdiplus::GpStatus back = Polyline(g, pen, grid, {{9, 9}, {9, 5}, {19, 5}, {19, 15}, {15, 15}});
            const Gdiplus::GpStatus front = Square(g, pen, grid, 5, 9, 10);
            return back != Gdiplus::Ok ? back : front;
        }
        case kGlyphCross: {
            const Gdiplus::GpStatus first = Line(g, pen, grid, 7, 7, 17, 17);
            const Gdiplus::GpStatus second = Line(g, pen, grid, 7, 17, 17, 7);
            return first != Gdiplus::Ok ? first : second;
        }
        case kGlyphChevronLeft:
            return Polyline(g, pen, grid, {{15, 6}, {9, 12}, {15, 18}});
        case kGlyphChevronRight:
            return Polyline(g, pen, grid, {{9, 6}, {15, 12}, {9, 18}});
        case kGlyphChevronUp:
            return Polyline(g, pen, grid, {{6, 15}, {12, 9}, {18, 15}});
        case kGlyphChevronDown:
            return Polyline(g, pen, grid, {{6, 9}, {12, 15}, {18, 9}});
        case kGlyphCheck:
            return Polyline(g, pen, grid, {{5, 13}, {10, 18}, {19, 6}});
        case kGlyphCircle:
            return Circle(g, pen, grid);
        case kGlyphCircleDot: {
            const Gdiplus::GpStatus ring = Circle(g, pen, grid);
            const Gdiplus::GpStatus dot = Dot(g, pen, grid);
            return ring != Gdiplus::Ok ? ring : dot;
        }
        default:
            return Gdiplus::Ok;
    }
}

}  // namespace

void DrawGlyph(UiCanvas& canvas, int type, int x, int y, int width, int height, Gdiplus::ARGB colour, int lineWidth) {
    if (width <= 0 || height <= 0 || type < kGlyphMinus || type > kGlyphCircleDot)
        return;
    UiCanvas::GraphicsFrame frame(canvas);
    UiPenPtr pen = CreateGdipPen(colour, lineWidth > 0 ? static_cast<float>(lineWidth) : 1.0f);
    if (!frame.Target() || !pen || !pen->native)
        return;
    GdipSetPenStartCap(pen->native, Gdiplus::LineCapRound);
    GdipSetPenEndCap(pen->native, Gdiplus::LineCapRound);
    GdipSetPenLineJoin(pen->native, Gdiplus::LineJoinRound);
    const int side = std::min(width, height);
    const Grid grid = {static_cast<float>(x) + static_cast<float>(width - side) / 2.0f,
                       static_cast<float>(y) + static_cast<float>(height - side) / 2.0f,
                       static_cast<float>(side) / 24.0f};
    frame.Keep(Stroke(frame.Target(), pen->native, grid, type));
}

}  // namespace UIE

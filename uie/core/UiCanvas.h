// The paint context through which controls draw into the window's back buffer.
//
// A canvas is a memory DC plus a GDI+ graphics object created on demand, with a current origin
// and clip that follow the control tree: `PushControl` moves the origin to a control's top-left
// corner and narrows the clip to its pixel rectangle, `Pop` restores both. Every rectangle handed
// to a primitive is in device pixels relative to the current origin. GDI primitives take colour
// references (0x00BBGGRR), GDI+ primitives ARGB (0xAARRGGBB). Solid GDI brushes and pens are
// cached per colour for the canvas's life. Controls that draw with GDI+ directly through
// `EnsureGraphics` must leave its world transform and clip as they found them.
// Owned by the window host; UI thread only; usable only while `hdc` is set (during a paint).
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "base/ScopedWin.h"
#include "uie/core/UiGdiplus.h"
#include "uie/core/UiGeometry.h"
#include "uie/core/UiShapeCache.h"

namespace UIE {

// `DrawText` flags: bit 0 centres, else bit 1 aligns right, else left.
constexpr int kTextCenter = 1;
constexpr int kTextRight = 2;

// `DrawString` alignments (GDI+'s StringAlignment).
constexpr int kAlignNear = 0;
constexpr int kAlignCenter = 1;
constexpr int kAlignFar = 2;

class UiCanvas {
public:
    // State saved by one `PushControl`.
    struct SavedState {
        int originX = 0;
        int originY = 0;
        UiLtrb clip;
    };

    // Every GDI+ drawing runs inside one of these: it makes sure a graphics object exists, at the
    // current origin and clip, and, when it had to create one outside a window paint, deletes it
    // again afterwards. Controls that draw with GDI+ themselves use it too.
    class GraphicsFrame {
    public:
        explicit GraphicsFrame(UiCanvas& canvas) : canvas_(canvas), existed_(canvas.graphics != nullptr) {
            target_ = canvas.EnsureGraphics();
        }
        ~GraphicsFrame() {
            if (!existed_ && !canvas_.keepGraphics)
                canvas_.graphics.reset();
        }
        GraphicsFrame(const GraphicsFrame&) = delete;
        GraphicsFrame& operator=(const GraphicsFrame&) = delete;

        Gdiplus::GpGraphics* Target() const { return target_; }
        void Keep(Gdiplus::GpStatus status) {
            if (canvas_.graphics)
                canvas_.graphics->Keep(status);
        }

    private:
        UiCanvas& canvas_;
        bool existed_;
        Gdiplus::GpGraphics* target_ = nullptr;
    };

    UiCanvas() = default;
    ~UiCanvas();
    UiCanvas(const UiCanvas&) = delete;
    UiCanvas& operator=(const UiCanvas&) = delete;

    // A window paint: draws into `dc` (width × height pixels) until `EndWindowPaint`; the
    // graphics object lives for the whole paint. Only `area` is drawn: GDI, GDI+ and the canvas's
    // own clip start narrowed to it, and PaintTree skips the subtrees that miss it. The rest of
    // the buffer keeps its pixels.
    void BeginWindowPaint(HDC dc, int width, int height, const UiLtrb& area);
    void BeginWindowPaint(HDC dc, int width, int height);  // the whole buffer
    void EndWindowPaint();

    Gdiplus::GpGraphics* EnsureGraphics();
    void PushControl(const UiRect& rectInParent, int outset);
    void Pop();

    void FillRect(const UiRect& r, COLORREF colour);
    void DrawLine(int x1, int y1, int x2, int y2, COLORREF colour, int width);
    void DrawText(const wchar_t* text, int sizeDip, COLORREF colour, const UiRect& r, int flags, bool bold);
    void DrawString(const wchar_t* text,
                    int sizeDip,
                    Gdiplus::ARGB colour,
                    float x,
                    float y,
                    float width,
                    float height,
                    int alignment,
                    bool bold);
    void FillRoundRect(float radius, const UiRect& r, Gdiplus::ARGB colour);
    void FillRoundRectGradient(const UiRect& r,
                               Gdiplus::ARGB startColour,
                               Gdiplus::ARGB endColour,
                               int gradientMode,
                               float radius);
    void FillCheckCircle(const UiRect& r, Gdiplus::ARGB colour);
    // The outline of a rounded rectangle, centred on its edges, `width` pixels wide.
    void StrokeRoundRect(float radius, const UiRect& r, Gdiplus::ARGB colour, float width);
    // Any path the control builds, in pixels relative to the current origin.
    void FillPath(UiPath& path, Gdiplus::ARGB colour);
    // With a two-colour linear gradient spanning `area` (GDI+ gradient mode).
    void FillPathGradient(UiPath& path,
                          const UiRect& area,
                          Gdiplus::ARGB startColour,
                          Gdiplus::ARGB endColour,
                          int gradientMode);
    // `round`: round caps and joins, for marks drawn as open lines.
    void StrokePath(UiPath& path, Gdiplus::ARGB colour, float width, bool round = false);
    // A bitmap stretched into `r`; at its own size, one bitmap pixel per device pixel. A missing
    // bitmap draws nothing.
    void DrawBitmap(UiBitmap* bitmap, const UiRect& r);
    // An opaque (24-bit RGB) bitmap at its own size with its top-left corner at (x, y), copied by
    // GDI: under Wine, GDI+ converts such a picture and alpha-blends every pixel of it, several
    // times the work. False, with nothing drawn, for any other bitmap.
    bool CopyOpaqueBitmap(UiBitmap* bitmap, int x, int y);

    // A rectangle whose four corners have radii of their own (pixels: top-left, top-right,
    // bottom-right, bottom-left), filled solid or, when `gradientMode` is 0 or more, with a
    // gradient from `colour` to `endColour` over the whole rectangle.
    void FillCornerRect(const UiRect& r,
                        const int (&radii)[4],
                        Gdiplus::ARGB colour,
                        Gdiplus::ARGB endColour,
                        int gradientMode);

    // The rounded-rectangle outline used by both rounded fills, for controls that stroke it.
    static UiPathPtr CreateRoundRectPath(float x, float y, float width, float height, float radius);
    // The outline of FillCornerRect's shape at (x, y).
    static UiPathPtr CreateCornerPath(float x, float y, float width, float height, const int (&radii)[4]);

    HDC hdc = nullptr;
    UiGraphicsPtr graphics;
    bool keepGraphics = false;
    int originX = 0;
    int originY = 0;
    UiLtrb clip;   // buffer coordinates
    UiLtrb dirty;  // buffer coordinates
    bool hasDirty = false;
    int paintDc = 0;  // the DC state saved by BeginWindowPaint
    std::vector<SavedState> stack;
    std::map<COLORREF, base::UniqueGdiObject> brushCache;
    std::map<uint32_t, base::UniqueGdiObject> penCache;

    UiShapeCache shapes;
    std::map<Gdiplus::ARGB, UiBrushPtr> solidBrushes;
    UiStringFormatPtr lineFormats[3];  // by alignment

    // Deletes every GDI+ object the canvas keeps; for when GDI+ is about to shut down while the
    // canvas lives on.
    void ReleaseGdiplusObjects();

private:
    using ShapeDrawer = std::function<void(Gdiplus::GpGraphics* target, float x, float y)>;
    HBRUSH CachedBrush(COLORREF colour);
    HPEN CachedPen(COLORREF colour, int width);
    void FillShape(const UiRect& r, const UiShapeCache::Key& key, const ShapeDrawer& draw);
    void ApplyGraphicsState();
    void ApplyGdiClip();

    // What GDI+ and the DC were last given; see ApplyGraphicsState and ApplyGdiClip.
    bool graphicsApplied = false;
    int appliedOriginX = 0;
    int appliedOriginY = 0;
    UiLtrb appliedGraphicsClip;
    bool gdiClipApplied = false;
    UiLtrb appliedGdiClip;
    UiStringFormat* LineFormat(int alignment);
    UiBrush* SolidBrush(Gdiplus::ARGB colour);
};

}  // namespace UIE

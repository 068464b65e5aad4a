#include "uie/core/UiCanvas.h"

#include <algorithm>

#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace UIE {

using namespace Gdiplus::DllExports;

UiCanvas::~UiCanvas() {
    // The graphics object goes before the cached GDI objects it may still reference.
    graphics.reset();
    stack.clear();
}

void UiCanvas::ReleaseGdiplusObjects() {
    graphics.reset();
    solidBrushes.clear();
    for (auto& format : lineFormats)
        format.reset();
    shapes.Clear();
}

// ---------------------------------------------------------------------------------------------
// Window paint
// ---------------------------------------------------------------------------------------------

void UiCanvas::BeginWindowPaint(HDC dc, int width, int height, const UiLtrb& area) {
    graphics.reset();
    hdc = dc;
    originX = 0;
    originY = 0;
    // A control that touches the area paints its whole rectangle, but only the area's background
    // was cleared: without this clip its anti-aliased edges would darken with every repaint, and
    // its neighbours, which are skipped, would be painted over.
    dirty = Intersect({0, 0, width, height}, area);
    hasDirty = true;
    clip = dirty;
    stack.clear();
    paintDc = SaveDC(hdc);
    IntersectClipRect(hdc, clip.left, clip.top, clip.right, clip.bottom);
    appliedGdiClip = clip;
    gdiClipApplied = true;
    SetBkMode(hdc, TRANSPARENT);
    keepGraphics = true;
    EnsureGraphics();  // it starts with the canvas's clip
}

void UiCanvas::BeginWindowPaint(HDC dc, int width, int height) {
    BeginWindowPaint(dc, width, height, {0, 0, width, height});
}

void UiCanvas::EndWindowPaint() {
    keepGraphics = false;
    graphics.reset();
    // The buffer's bits are read directly afterwards (OpenGL presents them): whatever GDI still
    // batches for this thread (fills, copied pictures) must be in them first.
    GdiFlush();
    stack.clear();
    if (paintDc)
        RestoreDC(hdc, paintDc);
    paintDc = 0;
    gdiClipApplied = false;
    hdc = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Graphics object, origin and clip
// ---------------------------------------------------------------------------------------------

Gdiplus::GpGraphics* UiCanvas::EnsureGraphics() {
    if (!graphics) {
        if (!hdc)
            return nullptr;
        Gdiplus::GpGraphics* native = nullptr;
        const Gdiplus::GpStatus status = GdipCreateFromHDC(hdc, &native);
        graphics = WrapGdipNative(native, status);
        if (!graphics || !graphics->native)
            return nullptr;
        UiGraphics& g = *graphics;
        g.Keep(GdipSetSmoothingMode(g.native, Gdiplus::SmoothingModeAntiAlias));
        g.Keep(GdipSetTextRenderingHint(g.native, Gdiplus::TextRenderingHintClearTypeGridFit));
        g.Keep(GdipSetPixelOffsetMode(g.native, Gdiplus::PixelOffsetModeHighQuality));
        graphicsApplied = false;
    }
    if (!graphics->native)
        return nullptr;
    ApplyGraphicsState();
    // GDI+ on a DC may also obey the DC's clip region, which a GDI call may have left narrower
    // (Wine takes it once, when the graphics object is made; Windows need not).
    if (hdc)
        ApplyGdiClip();
    return graphics->native;
}

// Origin and clip reach GDI+ only when a GDI+ call is about to draw, and only when they changed:
// most controls of a paint are passed through without drawing anything.
void UiCanvas::ApplyGraphicsState() {
    UiGraphics& g = *graphics;
    if (graphicsApplied && appliedOriginX == originX && appliedOriginY == originY && appliedGraphicsClip == clip)
        return;
    g.Keep(GdipResetWorldTransform(g.native));
    g.Keep(GdipTranslateWorldTransform(g.native, static_cast<float>(originX), static_cast<float>(originY),
                                       Gdiplus::MatrixOrderPrepend));
    // The clip is given in world coordinates, so relative to the origin just set.
    g.Keep(GdipSetClipRectI(g.native, clip.left - originX, clip.top - originY, std::max(0, clip.right - clip.left),
                            std::max(0, clip.bottom - clip.top), Gdiplus::CombineModeReplace));
    appliedOriginX = originX;
    appliedOriginY = originY;
    appliedGraphicsClip = clip;
    graphicsApplied = true;
}

// The same for the DC's clip region, before GDI draws something the canvas cannot clip itself.
void UiCanvas::ApplyGdiClip() {
    if (gdiClipApplied && appliedGdiClip == clip)
        return;
    base::UniqueGdiObject region{
        CreateRectRgn(clip.left, clip.top, std::max(clip.left, clip.right), std::max(clip.top, clip.bottom))};
    SelectClipRgn(hdc, static_cast<HRGN>(region.Get()));
    appliedGdiClip = clip;
    gdiClipApplied = true;
}

void UiCanvas::PushControl(const UiRect& r, int outset) {
    stack.push_back({originX, originY, clip});
    const UiLtrb edges = {originX + r.x, originY + r.y, originX + r.x + r.width, originY + r.y + r.height};
    clip = Intersect(clip, Grow(edges, outset));
    originX += r.x;
    originY += r.y;
}

void UiCanvas::Pop() {
    if (stack.empty())
        return;
    const SavedState saved = stack.back();
    stack.pop_back();
    originX = saved.originX;
    originY = saved.originY;
    clip = saved.clip;
    // Outside a window paint nobody else restores the DC.
    if (stack.empty() && !paintDc && gdiClipApplied && hdc) {
        SelectClipRgn(hdc, nullptr);
        gdiClipApplied = false;
    }
}

// ---------------------------------------------------------------------------------------------
// GDI primitives
// ---------------------------------------------------------------------------------------------

HBRUSH UiCanvas::CachedBrush(COLORREF colour) {
    base::UniqueGdiObject& slot = brushCache[colour];
    if (!slot)
        slot.Reset(::CreateSolidBrush(colour));
    return static_cast<HBRUSH>(slot.Get());
}

HPEN UiCanvas::CachedPen(COLORREF colour, int width) {
    const uint32_t key = (colour & 0x00FFFFFFu) + (static_cast<uint32_t>(width) << 24);
    base::UniqueGdiObject& slot = penCache[key];
    if (!slot)
        slot.Reset(::CreatePen(PS_SOLID, width, colour));
    return static_cast<HPEN>(slot.Get());
}

void UiCanvas::FillRect(const UiRect& r, COLORREF colour) {
    // Clipped here, which spares the DC's clip region.
    const UiLtrb area =
        Intersect(clip, {originX + r.x, originY + r.y, originX + r.x + r.width, originY + r.y + r.height});
    if (IsEmpty(area))
        return;
    const RECT rect = {area.left, area.top, area.right, area.bottom};
    ::FillRect(hdc, &rect, CachedBrush(colour));
}

void UiCanvas::DrawLine(int x1, int y1, int x2, int y2, COLORREF colour, int width) {
    ApplyGdiClip();
    HGDIOBJ previous = SelectObject(hdc, CachedPen(colour, width));
    MoveToEx(hdc, originX + x1, originY + y1, nullptr);
    LineTo(hdc, originX + x2, originY + y2);  // the end point itself is not drawn
    SelectObject(hdc, previous);
}

// ---------------------------------------------------------------------------------------------
// GDI+ primitives
// ---------------------------------------------------------------------------------------------

void UiCanvas::DrawText(const wchar_t* text, int sizeDip, COLORREF colour, const UiRect& r, int flags, bool bold) {
    if (!text)
        return;
    int alignment = kAlignNear;
    if (flags & kTextCenter)
        alignment = kAlignCenter;
    else if (flags & kTextRight)
        alignment = kAlignFar;
    DrawString(text, sizeDip, ColorRefToArgb(colour), static_cast<float>(r.x), static_cast<float>(r.y),
               static_cast<float>(r.width), static_cast<float>(r.height), alignment, bold);
}

void UiCanvas::DrawString(const wchar_t* text,
                          int sizeDip,
                          Gdiplus::ARGB colour,
                          float x,
                          float y,
                          float width,
                          float height,
                          int alignment,
                          bool bold) {
    GraphicsFrame frame(*this);
    if (!text || !frame.Target())
        return;
    UiFont* font = GetFont(sizeDip, bold);
    if (!font || !font->native)
        return;
    UiStringFormat* format = LineFormat(alignment);
    UiBrush* brush = SolidBrush(colour);
    if (!format || !brush)
        return;
    const Gdiplus::RectF layout(x, y, width, height);
    frame.Keep(GdipDrawString(frame.Target(), text, -1, font->native, &layout, format->native, brush->native));
}

// One-line formats, vertically centred and ending in an ellipsis, one per horizontal alignment;
// made once for the canvas's life.
UiStringFormat* UiCanvas::LineFormat(int alignment) {
    if (alignment < kAlignNear || alignment > kAlignFar)
        alignment = kAlignNear;
    UiStringFormatPtr& format = lineFormats[alignment];
    if (!format) {
        format = CloneTypographicFormat();
        if (!format || !format->native)
            return nullptr;
        INT flags = 0;
        GdipGetStringFormatFlags(format->native, &flags);
        format->Keep(GdipSetStringFormatAlign(format->native, static_cast<Gdiplus::StringAlignment>(alignment)));
        format->Keep(GdipSetStringFormatLineAlign(format->native, Gdiplus::StringAlignmentCenter));
        format->Keep(GdipSetStringFormatFlags(format->native, flags | Gdiplus::StringFormatFlagsNoWrap));
        format->Keep(GdipSetStringFormatTrimming(format->native, Gdiplus::StringTrimmingEllipsisCharacter));
    }
    return format->native ? format.get() : nullptr;
}

UiBrush* UiCanvas::SolidBrush(Gdiplus::ARGB colour) {
    UiBrushPtr& brush = solidBrushes[colour];
    if (!brush)
        brush = CreateGdipSolidBrush(colour);
    return brush && brush->native ? brush.get() : nullptr;
}

UiPathPtr UiCanvas::CreateCornerPath(float x, float y, float width, float height, const int (&radii)[4]) {
    UiPathPtr path = CreateGdipPath();
    if (!path || !path->native)
        return path;
    const float w = width;
    const float h = height;
    const float tl = static_cast<float>(radii[0]);
    const float tr = static_cast<float>(radii[1]);
    const float br = static_cast<float>(radii[2]);
    const float bl = static_cast<float>(radii[3]);
    // One closed figure, clockwise from the end of the top-left corner.
    Gdiplus::GpPath* p = path->native;
    GdipStartPathFigure(p);
    GdipAddPathLine(p, x + tl, y, x + w - tr, y);
    if (tr > 0)
        GdipAddPathArc(p, x + w - 2 * tr, y, 2 * tr, 2 * tr, 270, 90);
    GdipAddPathLine(p, x + w, y + tr, x + w, y + h - br);
    if (br > 0)
        GdipAddPathArc(p, x + w - 2 * br, y + h - 2 * br, 2 * br, 2 * br, 0, 90);
    GdipAddPathLine(p, x + w - br, y + h, x + bl, y + h);
    if (bl > 0)
        GdipAddPathArc(p, x, y + h - 2 * bl, 2 * bl, 2 * bl, 90, 90);
    GdipAddPathLine(p, x, y + h - bl, x, y + tl);
    if (tl > 0)
        GdipAddPathArc(p, x, y, 2 * tl, 2 * tl, 180, 90);
    GdipClosePathFigure(p);
    return path;
}

UiPathPtr UiCanvas::CreateRoundRectPath(float x, float y, float width, float height, float radius) {
    UiPathPtr path = CreateGdipPath();
    if (!path || !path->native)
        return path;
    const float d = std::min({width, height, 2.0f * radius});
    if (d <= 0.0f) {
        path->Keep(GdipAddPathRectangle(path->native, x, y, width, height));
        return path;
    }
    path->Keep(GdipAddPathArc(path->native, x, y, d, d, 180.0f, 90.0f));
    path->Keep(GdipAddPathArc(path->native, x + width - d, y, d, d, 270.0f, 90.0f));
    path->Keep(GdipAddPathArc(path->native, x + width - d, y + height - d, d, d, 0.0f, 90.0f));
    path->Keep(GdipAddPathArc(path->native, x, y + height - d, d, d, 90.0f, 90.0f));
    path->Keep(GdipClosePathFigure(path->native));
    return path;
}

namespace {

UiBrushPtr GradientBrush(float x,
                         float y,
                         float w,
                         float h,
                         Gdiplus::ARGB startColour,
                         Gdiplus::ARGB endColour,
                         int gradientMode) {
    const Gdiplus::RectF area(x, y, w, h);
    Gdiplus::GpLineGradient* gradient = nullptr;
    const Gdiplus::GpStatus status = GdipCreateLineBrushFromRect(&area, startColour, endColour,
                                                                 static_cast<Gdiplus::LinearGradientMode>(gradientMode),
                                                                 Gdiplus::WrapModeTile, &gradient);
    return WrapGdipNative<Gdiplus::GpBrush>(gradient, status);
}

UiBrushPtr GradientBrush(const UiRect& r, Gdiplus::ARGB startColour, Gdiplus::ARGB endColour, int gradientMode) {
    return GradientBrush(static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
                         static_cast<float>(r.height), startColour, endColour, gradientMode);
}

// The shapes, drawn with their top-left corner at (x, y) of `target`.
void RoundRectShape(Gdiplus::GpGraphics* target, float x, float y, float w, float h, float radius, UiBrush* brush) {
    UiPathPtr path = UiCanvas::CreateRoundRectPath(x, y, w, h, radius);
    if (path && path->native && brush)
        GdipFillPath(target, brush->native, path->native);
}

void GradientShape(Gdiplus::GpGraphics* target,
                   float x,
                   float y,
                   float w,
                   float h,
                   float radius,
                   Gdiplus::ARGB startColour,
                   Gdiplus::ARGB endColour,
                   int gradientMode) {
    UiBrushPtr brush = GradientBrush(x, y, w, h, startColour, endColour, gradientMode);
    UiPathPtr path = UiCanvas::CreateRoundRectPath(x, y, w, h, radius);
    if (path && path->native && brush && brush->native)
        GdipFillPath(target, brush->native, path->native);
}

void CheckCircleShape(Gdiplus::GpGraphics* target, float x, float y, float w, float h, UiBrush* brush) {
    if (brush)
        GdipFillEllipse(target, brush->native, x, y, w, h);
    UiPenPtr pen = CreateGdipPen(0xFFFFFFFF, 0.09f * w + 0.5f);
    if (!pen || !pen->native)
        return;
    pen->Keep(GdipSetPenStartCap(pen->native, Gdiplus::LineCapRound));
    pen->Keep(GdipSetPenEndCap(pen->native, Gdiplus::LineCapRound));
    GdipDrawLine(target, pen->native, x + 0.26f * w, y + 0.52f * h, x + 0.43f * w, y + 0.68f * h);
    GdipDrawLine(target, pen->native, x + 0.43f * w, y + 0.68f * h, x + 0.74f * w, y + 0.32f * h);
}

}  // namespace

// A filled shape comes from the shape cache during a window paint, and is drawn directly
// otherwise (or when the cache cannot hold it).
void UiCanvas::FillShape(const UiRect& r, const UiShapeCache::Key& key, const ShapeDrawer& draw) {
    if (r.width <= 0 || r.height <= 0)
        return;
    // The cached raster is blended with GDI, which clips to the DC's region, not the canvas's.
    if (keepGraphics)
        ApplyGdiClip();
    if (keepGraphics &&
        shapes.Draw(hdc, originX + r.x, originY + r.y, key, [&](Gdiplus::GpGraphics* g) { draw(g, 0.0f, 0.0f); }))
        return;
    GraphicsFrame frame(*this);
    if (frame.Target())
        draw(frame.Target(), static_cast<float>(r.x), static_cast<float>(r.y));
}

void UiCanvas::FillRoundRect(float radius, const UiRect& r, Gdiplus::ARGB colour) {
    const UiShapeCache::Key key = {1, r.width, r.height, radius, colour, 0, 0};
    const float w = static_cast<float>(r.width);
    const float h = static_cast<float>(r.height);
    FillShape(r, key, [&](Gdiplus::GpGraphics* g, float x, float y) {
        RoundRectShape(g, x, y, w, h, radius, SolidBrush(colour));
    });
}

void UiCanvas::FillRoundRectGradient(const UiRect& r,
                                     Gdiplus::ARGB startColour,
                                     Gdiplus::ARGB endColour,
                                     int gradientMode,
                                     float radius) {
    const UiShapeCache::Key key = {2, r.width, r.height, radius, startColour, endColour, gradientMode};
    const float w = static_cast<float>(r.width);
    const float h = static_cast<float>(r.height);
    FillShape(r, key, [&](Gdiplus::GpGraphics* g, float x, float y) {
        GradientShape(g, x, y, w, h, radius, startColour, endColour, gradientMode);
    });
}

void UiCanvas::FillCornerRect(const UiRect& r,
                              const int (&radii)[4],
                              Gdiplus::ARGB colour,
                              Gdiplus::ARGB endColour,
                              int gradientMode) {
    UiShapeCache::Key key = {4, r.width, r.height, 0.0f, colour, gradientMode >= 0 ? endColour : 0, gradientMode};
    for (int radius : radii)
        key.corners = (key.corners << 16) | static_cast<uint16_t>(radius);
    const float w = static_cast<float>(r.width);
    const float h = static_cast<float>(r.height);
    FillShape(r, key, [&](Gdiplus::GpGraphics* g, float x, float y) {
        UiPathPtr path = CreateCornerPath(x, y, w, h, radii);
        UiBrushPtr gradient;
        UiBrush* brush = nullptr;
        if (gradientMode >= 0) {
            gradient = GradientBrush(x, y, w, h, colour, endColour, gradientMode);
            brush = gradient.get();
        } else {
            brush = SolidBrush(colour);
        }
        if (path && path->native && brush && brush->native)
            GdipFillPath(g, brush->native, path->native);
    });
}

void UiCanvas::FillCheckCircle(const UiRect& r, Gdiplus::ARGB colour) {
    const UiShapeCache::Key key = {3, r.width, r.height, 0.0f, colour, 0, 0};
    const float w = static_cast<float>(r.width);
    const float h = static_cast<float>(r.height);
    FillShape(r, key,
              [&](Gdiplus::GpGraphics* g, float x, float y) { CheckCircleShape(g, x, y, w, h, SolidBrush(colour)); });
}

void UiCanvas::StrokeRoundRect(float radius, const UiRect& r, Gdiplus::ARGB colour, float width) {
    UiPathPtr path = CreateRoundRectPath(static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.width),
                                         static_cast<float>(r.height), radius);
    if (path && path->native)
        StrokePath(*path, colour, width);
}

void UiCanvas::FillPath(UiPath& path, Gdiplus::ARGB colour) {
    GraphicsFrame frame(*this);
    UiBrush* brush = SolidBrush(colour);
    if (frame.Target() && path.native && brush)
        frame.Keep(GdipFillPath(frame.Target(), brush->native, path.native));
}

void UiCanvas::FillPathGradient(UiPath& path,
                                const UiRect& area,
                                Gdiplus::ARGB startColour,
                                Gdiplus::ARGB endColour,
                                int gradientMode) {
    GraphicsFrame frame(*this);
    UiBrushPtr brush = GradientBrush(area, startColour, endColour, gradientMode);
    if (frame.Target() && path.native && brush && brush->native)
        frame.Keep(GdipFillPath(frame.Target(), brush->native, path.native));
}

void UiCanvas::DrawBitmap(UiBitmap* bitmap, const UiRect& r) {
    if (!bitmap || !bitmap->native)
        return;
    GraphicsFrame frame(*this);
    if (frame.Target())
        frame.Keep(GdipDrawImageRectI(frame.Target(), bitmap->native, r.x, r.y, r.width, r.height));
}

bool UiCanvas::CopyOpaqueBitmap(UiBitmap* bitmap, int x, int y) {
    Gdiplus::PixelFormat format = 0;
    UINT width = 0;
    UINT height = 0;
    if (!hdc || !bitmap || !bitmap->native || GdipGetImagePixelFormat(bitmap->native, &format) != Gdiplus::Ok ||
        format != PixelFormat24bppRGB || GdipGetImageWidth(bitmap->native, &width) != Gdiplus::Ok ||
        GdipGetImageHeight(bitmap->native, &height) != Gdiplus::Ok)
        return false;
    const Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData locked = {};
    if (GdipBitmapLockBits(bitmap->native, &all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &locked) !=
        Gdiplus::Ok)
        return false;
    // GDI reads top-down rows padded to four bytes, as GDI+ keeps them.
    bool copied = false;
    if (locked.Stride == static_cast<INT>((width * 3 + 3) & ~3u)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = static_cast<LONG>(width);
        info.bmiHeader.biHeight = -static_cast<LONG>(height);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        ApplyGdiClip();
        const int w = static_cast<int>(width);
        const int h = static_cast<int>(height);
        copied = StretchDIBits(hdc, originX + x, originY + y, w, h, 0, 0, w, h, locked.Scan0, &info, DIB_RGB_COLORS,
                               SRCCOPY) != 0;
    }
    GdipBitmapUnlockBits(bitmap->native, &locked);
    return copied;
}

void UiCanvas::StrokePath(UiPath& path, Gdiplus::ARGB colour, float width, bool round) {
    GraphicsFrame frame(*this);
    UiPenPtr pen = CreateGdipPen(colour, width);
    if (!frame.Target() || !path.native || !pen || !pen->native)
        return;
    if (round) {
        pen->Keep(GdipSetPenStartCap(pen->native, Gdiplus::LineCapRound));
        pen->Keep(GdipSetPenEndCap(pen->native, Gdiplus::LineCapRound));
        pen->Keep(GdipSetPenLineJoin(pen->native, Gdiplus::LineJoinRound));
    }
    frame.Keep(GdipDrawPath(frame.Target(), pen->native, path.native));
}

}  // namespace UIE

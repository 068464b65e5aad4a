#include "uie/core/UiScenePainter.h"

#include <algorithm>

#include "uie/core/UiCanvas.h"
#include "uie/core/UiCaptionBar.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiScene.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {

// An opaque top layer that holds the whole repainted area hides everything below it.
bool TopLayerCovers(const UiScene& scene, const UiLtrb& dirty) {
    if (!scene.HasLayer())
        return false;
    CUiControl* top = scene.Layers().back().control.get();
    return top->IsOpaque() && Contains(ToLtrb(top->GetPixelRect()), dirty);
}

void PaintLayers(UiCanvas& canvas, const UiScene& scene, const UiLtrb& dirty, bool onlyTop) {
    if (onlyTop) {
        scene.Layers().back().control->PaintTree(canvas);
        return;
    }
    for (const auto& layer : scene.Layers()) {
        if (Gdiplus::GpGraphics* g = canvas.EnsureGraphics()) {
            UiBrushPtr dim = CreateGdipSolidBrush(kModalDimColour);
            if (dim && dim->native)
                canvas.graphics->Keep(Gdiplus::DllExports::GdipFillRectangleI(
                    g, dim->native, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top));
        }
        if (Intersects(ToLtrb(layer.control->GetPixelRect()), dirty))
            layer.control->PaintTree(canvas);
    }
}

void PaintFocusRing(UiCanvas& canvas, const UiScene& scene) {
    CUiControl* focused = scene.Focused();
    if (!scene.FocusCuesShown() || !focused || !scene.IsShown(focused))
        return;
    const UiLtrb area = ControlPixelArea(focused, 0);
    const int gap = Scale(kFocusRingGapDip);
    const float width = static_cast<float>(std::max(1, Scale(kFocusRingWidthDip)));
    const float half = width / 2.0f;
    const float left = static_cast<float>(area.left - gap) - half;
    const float top = static_cast<float>(area.top - gap) - half;
    const float right = static_cast<float>(area.right + gap) + half;
    const float bottom = static_cast<float>(area.bottom + gap) + half;
    UiPathPtr ring =
        UiCanvas::CreateRoundRectPath(left, top, right - left, bottom - top, static_cast<float>(Scale(4)) + width);
    if (ring && ring->native)
        canvas.StrokePath(*ring, kFocusRingColour, width);
}

}  // namespace

void PaintScene(UiCanvas& canvas, UiScene& scene, const UiSceneFrame& frame, const UiLtrb& dirty) {
    const bool topCovers = TopLayerCovers(scene, dirty);
    if (!topCovers) {
        canvas.FillRect(ToRect(dirty), ArgbToColorRef(GetTheme().windowBackground));
        for (const auto& root : scene.Roots()) {
            if (Intersects(ToLtrb(root->GetPixelRect()), dirty))
                root->PaintTree(canvas);
        }
        const UiLtrb strip = {0, 0, frame.widthPx, frame.captionPx};
        if (frame.captionPx > 0 && frame.title && Intersects(strip, dirty))
            UiCaptionBar::Paint(canvas, *frame.title, frame.widthPx, strip.bottom);
    }
    PaintLayers(canvas, scene, dirty, topCovers);
    PaintFocusRing(canvas, scene);
    scene.Tooltip().Paint(canvas, dirty);
}

}  // namespace UIE

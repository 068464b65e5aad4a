#include "uie/core/UiGdiplus.h"

namespace UIE {

using namespace Gdiplus::DllExports;

void DeleteGdipNative(Gdiplus::GpGraphics* native) {
    GdipDeleteGraphics(native);
}
void DeleteGdipNative(Gdiplus::GpBrush* native) {
    GdipDeleteBrush(native);
}
void DeleteGdipNative(Gdiplus::GpPen* native) {
    GdipDeletePen(native);
}
void DeleteGdipNative(Gdiplus::GpPath* native) {
    GdipDeletePath(native);
}
void DeleteGdipNative(Gdiplus::GpFont* native) {
    GdipDeleteFont(native);
}
void DeleteGdipNative(Gdiplus::GpFontFamily* native) {
    GdipDeleteFontFamily(native);
}
void DeleteGdipNative(Gdiplus::GpStringFormat* native) {
    GdipDeleteStringFormat(native);
}
void DeleteGdipNative(Gdiplus::GpBitmap* native) {
    GdipDisposeImage(native);
}

UiBrushPtr CreateGdipSolidBrush(Gdiplus::ARGB colour) {
    Gdiplus::GpSolidFill* fill = nullptr;
    const Gdiplus::GpStatus status = GdipCreateSolidFill(colour, &fill);
    return WrapGdipNative<Gdiplus::GpBrush>(fill, status);
}

UiPenPtr CreateGdipPen(Gdiplus::ARGB colour, float width) {
    Gdiplus::GpPen* pen = nullptr;
    const Gdiplus::GpStatus status = GdipCreatePen1(colour, width, Gdiplus::UnitPixel, &pen);
    return WrapGdipNative(pen, status);
}

UiPathPtr CreateGdipPath() {
    Gdiplus::GpPath* path = nullptr;
    const Gdiplus::GpStatus status = GdipCreatePath(Gdiplus::FillModeAlternate, &path);
    return WrapGdipNative(path, status);
}

UiBrushPtr CloneBrush(const UiBrush& brush) {
    Gdiplus::GpBrush* clone = nullptr;
    const Gdiplus::GpStatus status = GdipCloneBrush(brush.native, &clone);
    return WrapGdipNative(clone, status);
}

UiStringFormatPtr CloneTypographicFormat() {
    Gdiplus::GpStringFormat* generic = nullptr;  // shared by GDI+, never deleted
    GdipStringFormatGetGenericTypographic(&generic);
    Gdiplus::GpStringFormat* clone = nullptr;
    const Gdiplus::GpStatus status = generic ? GdipCloneStringFormat(generic, &clone) : Gdiplus::GenericError;
    return WrapGdipNative(clone, status);
}

}  // namespace UIE

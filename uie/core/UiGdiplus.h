// Owning wrappers around GDI+ objects, used through the flat API.
//
// A wrapper is the native handle plus the last failing status of an operation on it (0 = Ok):
// GDI+ failures in the toolkit are kept, never raised or logged. Wrappers live in memory from
// GdipAlloc, as GDI+'s own C++ classes do, and are owned through `UiGdipPtr`, whose deleter
// deletes the native object with its matching GDI+ call and then frees the wrapper. GDI+ must be
// running while any of them exists. UI thread only.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <new>

namespace UIE {

template <typename Native>
struct UiGdipWrapper {
    Native* native = nullptr;
    Gdiplus::GpStatus lastStatus = Gdiplus::Ok;

    // Records a failure and passes the status on.
    Gdiplus::GpStatus Keep(Gdiplus::GpStatus status) {
        if (status != Gdiplus::Ok)
            lastStatus = status;
        return status;
    }
};

using UiGraphics = UiGdipWrapper<Gdiplus::GpGraphics>;
using UiBrush = UiGdipWrapper<Gdiplus::GpBrush>;
using UiPen = UiGdipWrapper<Gdiplus::GpPen>;
using UiPath = UiGdipWrapper<Gdiplus::GpPath>;
using UiFont = UiGdipWrapper<Gdiplus::GpFont>;
using UiFontFamily = UiGdipWrapper<Gdiplus::GpFontFamily>;
using UiStringFormat = UiGdipWrapper<Gdiplus::GpStringFormat>;
using UiBitmap = UiGdipWrapper<Gdiplus::GpBitmap>;

// The matching GDI+ delete call of each native type.
void DeleteGdipNative(Gdiplus::GpGraphics* native);
void DeleteGdipNative(Gdiplus::GpBrush* native);
void DeleteGdipNative(Gdiplus::GpPen* native);
void DeleteGdipNative(Gdiplus::GpPath* native);
void DeleteGdipNative(Gdiplus::GpFont* native);
void DeleteGdipNative(Gdiplus::GpFontFamily* native);
void DeleteGdipNative(Gdiplus::GpStringFormat* native);
void DeleteGdipNative(Gdiplus::GpBitmap* native);

struct UiGdipDeleter {
    template <typename Native>
    void operator()(UiGdipWrapper<Native>* wrapper) const {
        if (wrapper->native)
            DeleteGdipNative(wrapper->native);
        wrapper->~UiGdipWrapper<Native>();
        Gdiplus::DllExports::GdipFree(wrapper);
    }
};

template <typename Native>
using UiGdipPtr = std::unique_ptr<UiGdipWrapper<Native>, UiGdipDeleter>;

using UiGraphicsPtr = UiGdipPtr<Gdiplus::GpGraphics>;
using UiBrushPtr = UiGdipPtr<Gdiplus::GpBrush>;
using UiPenPtr = UiGdipPtr<Gdiplus::GpPen>;
using UiPathPtr = UiGdipPtr<Gdiplus::GpPath>;
using UiFontPtr = UiGdipPtr<Gdiplus::GpFont>;
using UiFontFamilyPtr = UiGdipPtr<Gdiplus::GpFontFamily>;
using UiStringFormatPtr = UiGdipPtr<Gdiplus::GpStringFormat>;
using UiBitmapPtr = UiGdipPtr<Gdiplus::GpBitmap>;

// An empty wrapper in GdipAlloc memory, or null when that allocation fails.
template <typename Native>
UiGdipPtr<Native> AllocGdipWrapper() {
    void* memory = Gdiplus::DllExports::GdipAlloc(sizeof(UiGdipWrapper<Native>));
    if (!memory)
        return nullptr;
    return UiGdipPtr<Native>(new (memory) UiGdipWrapper<Native>());
}

// A wrapper that takes over `native` (deleting it if no wrapper can be allocated).
template <typename Native>
UiGdipPtr<Native> WrapGdipNative(Native* native, Gdiplus::GpStatus status) {
    UiGdipPtr<Native> wrapper = AllocGdipWrapper<Native>();
    if (!wrapper) {
        if (native)
            DeleteGdipNative(native);
        return nullptr;
    }
    wrapper->native = native;
    wrapper->Keep(status);
    return wrapper;
}

// Small constructors for the objects the canvas and the controls draw with.
UiBrushPtr CreateGdipSolidBrush(Gdiplus::ARGB colour);
UiPenPtr CreateGdipPen(Gdiplus::ARGB colour, float width);
UiPathPtr CreateGdipPath();
// A clone in a wrapper of its own, or null when the wrapper cannot be allocated.
UiBrushPtr CloneBrush(const UiBrush& brush);
// A clone of the generic typographic format: no extra spacing around the text.
UiStringFormatPtr CloneTypographicFormat();

}  // namespace UIE

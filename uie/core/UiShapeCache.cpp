#include "uie/core/UiShapeCache.h"

#include "uie/core/UiLru.h"

#include "uie/core/UiGdiplus.h"

namespace UIE {

using namespace Gdiplus::DllExports;

namespace {

// Renders into the raster's own bits, premultiplied, with the canvas's quality settings.
bool RenderInto(UiBackBuffer& raster, const UiShapeCache::Render& render) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(raster.bufferWidth, raster.bufferHeight, raster.bufferWidth * 4,
                                  PixelFormat32bppPARGB, static_cast<BYTE*>(raster.bufferBits), &bitmap) != Gdiplus::Ok)
        return false;
    Gdiplus::GpGraphics* native = nullptr;
    const Gdiplus::GpStatus created = GdipGetImageGraphicsContext(bitmap, &native);
    bool rendered = false;
    {
        UiGraphicsPtr graphics = WrapGdipNative(native, created);
        if (graphics && graphics->native) {
            GdipSetSmoothingMode(graphics->native, Gdiplus::SmoothingModeAntiAlias);
            GdipSetPixelOffsetMode(graphics->native, Gdiplus::PixelOffsetModeHighQuality);
            render(graphics->native);
            rendered = true;
        }
    }  // the graphics object goes before the bitmap it draws on
    GdipDisposeImage(bitmap);
    return rendered;
}

}  // namespace

UiBackBuffer* UiShapeCache::Find(const Key& key, const Render& render) {
    auto found = entries_.find(key);
    if (found != entries_.end()) {
        found->second.lastUse = ++clock_;
        return found->second.raster.get();
    }
    auto raster = std::make_unique<UiBackBuffer>();
    raster->Ensure(nullptr, key.width, key.height);  // a new DIB section is all zeros: transparent
    if (!raster->bufferDC || !raster->bufferBits || !RenderInto(*raster, render))
        return nullptr;
    if (entries_.size() >= kMaxEntries)
        EraseLeastRecentlyUsed(entries_);
    Entry& entry = entries_[key];
    entry.raster = std::move(raster);
    entry.lastUse = ++clock_;
    return entry.raster.get();
}

bool UiShapeCache::Draw(HDC target, int x, int y, const Key& key, const Render& render) {
    if (!target || key.width <= 0 || key.height <= 0 || key.width > kMaxPixels / key.height)
        return false;
    UiBackBuffer* raster = Find(key, render);
    if (!raster)
        return false;
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return GdiAlphaBlend(target, x, y, key.width, key.height, raster->bufferDC.Get(), 0, 0, key.width, key.height,
                         blend) != FALSE;
}

}  // namespace UIE

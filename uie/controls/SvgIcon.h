// A vector icon parsed once from SVG text and rasterized on demand at the exact device-pixel size
// it is drawn at, optionally recoloured (tinted) to a one-colour silhouette.
//
// Each (size, tint) is rasterized once and kept, at most 32 bitmaps per icon with the least
// recently used one evicted, so an icon drawn at changing sizes cannot grow without limit. The
// bitmaps stay owned by the icon. Icons that live until the process ends must drop their bitmaps
// through `ReleaseBitmaps` before GDI+ stops. UI thread only.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <map>
#include <string>

#include "uie/core/UiGdiplus.h"

struct NSVGimage;

namespace UIE {

class UiCanvas;

// The module that holds the toolkit's code and resources (also when the toolkit is linked into a
// library rather than the executable).
HMODULE ToolkitModule();

class SvgIcon {
public:
    static constexpr size_t kMaxCachedBitmaps = 32;

    SvgIcon() = default;
    ~SvgIcon();
    SvgIcon(const SvgIcon&) = delete;
    SvgIcon& operator=(const SvgIcon&) = delete;

    // Parses the RCDATA resource `id` of `module`; on failure the icon holds no image.
    bool LoadFromResource(HMODULE module, int id);
    // Replaces the image with the parsed `text` (units "px" at 96 DPI).
    bool Parse(const std::string& text);

    // The cached or newly rasterized width × height bitmap; a negative tint keeps the icon's
    // colours, 0x00RRGGBB recolours it. Null without an image or for an empty size.
    UiBitmap* GetBitmap(int width, int height, int32_t tint);
    // Draws the bitmap one pixel per device pixel at (x, y), relative to the canvas origin.
    void Draw(UiCanvas& canvas, int x, int y, int width, int height, int32_t tint);

    bool HasImage() const { return image_ != nullptr; }
    size_t CachedBitmaps() const { return cache_.size(); }
    bool IsCached(int width, int height, int32_t tint) const {
        return cache_.count(CacheKey(width, height, tint)) != 0;
    }
    void ReleaseBitmaps() { cache_.clear(); }

private:
    struct Entry {
        UiBitmapPtr bitmap;
        uint32_t lastUse = 0;
    };

    std::wstring CacheKey(int width, int height, int32_t tint) const;
    UiBitmapPtr Rasterize(int width, int height, int32_t tint) const;
    void DeleteImage();

    NSVGimage* image_ = nullptr;
    std::wstring sourceKey_;
    std::map<std::wstring, Entry> cache_;
};

}  // namespace UIE

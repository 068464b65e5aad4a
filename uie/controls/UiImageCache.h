// The process-wide cache of decoded bitmaps, keyed by source ("res://ID", a file path, and
// "|WxH" for scaled copies in device pixels). The cache owns every bitmap; controls only borrow
// them. Failed loads are not cached, so a later request tries again. Every GDI+ session clears the
// cache before it stops. UI thread only; a prefetch reads pixels on a worker thread of its own.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "uie/controls/UiPng.h"
#include "uie/core/UiGdiplus.h"
#include "uie/core/UiGeometry.h"

namespace UIE {

class UiCanvas;

// PNG bytes of the kind the build makes, as a bitmap without GDI+'s codecs (see UiPng.h); null
// for anything else, which GDI+ then decodes.
UiBitmapPtr DecodePngBitmap(const void* data, size_t size);

// A picture for UiImageCache::Prefetch: RCDATA `id`, at its natural size or, with a size, as
// LoadFromResourceScaled will ask for it.
struct UiPrefetch {
    unsigned id = 0;
    int widthDip = 0;
    int heightDip = 0;
};

class UiImageCache {
public:
    static UiImageCache& Instance();
    ~UiImageCache();

    // Starts reading the PNG pixels of the `pictures` of `module`, in this order, on one worker
    // thread (no GDI+ there), so that LoadFromResource and LoadFromResourceScaled find them ready:
    // a picture with a size is also shrunk there, to that size at the current DPI. Start-up calls
    // it as soon as the DPI is known, and the window system is set up meanwhile. Where no thread
    // starts, the Load functions read them themselves. A picture with a sized copy of the size
    // asked for is read at once instead, and no thread starts when nothing else is left.
    void Prefetch(HMODULE module, std::initializer_list<UiPrefetch> pictures);
    // Declares RCDATA `copyId` to be picture `id` stored once more at a smaller size: a scaled copy
    // of `id` asked for at exactly that size in pixels is decoded from it, with nothing to shrink.
    // Declared before the prefetch that should use it; kept when the cache is cleared.
    void AddSizedCopy(unsigned id, unsigned copyId);
    // RCDATA `id` of `module` (PNG or any format GDI+ decodes) at its natural size.
    UiBitmap* LoadFromResource(HMODULE module, unsigned id);
    // A copy of it stretched to width × height DIP at the current DPI. PNGs the toolkit's own reader
    // takes (UiPng), shown at or below their stored size, are shrunk from their pixels
    // (UiPixelShrink) without a copy at the natural size: GDI+'s resampling of one large picture
    // alone took some 60 ms of a first paint under Wine.
    UiBitmap* LoadFromResourceScaled(HMODULE module, unsigned id, int widthDip, int heightDip);
    // An image file stretched to 30 × 30 DIP.
    UiBitmap* LoadFromFileScaled(const std::wstring& path);

    // Draws `bitmap` stretched into `r` (device pixels relative to the canvas origin); a missing
    // bitmap draws nothing.
    static void DrawBitmap(UiCanvas& canvas, UiBitmap* bitmap, const UiRect& r);

    // Deletes every cached bitmap; bitmaps handed out earlier become invalid.
    void Clear();
    size_t Size() const { return bitmaps_.size(); }
    bool Contains(const std::wstring& key) const { return bitmaps_.count(key) != 0; }

private:
    UiImageCache();
    UiBitmap* Find(const std::wstring& key) const;
    UiBitmap* Store(const std::wstring& key, UiBitmapPtr bitmap);
    // The prefetched pixels of `id` at width × height pixels (0 × 0: natural size), once.
    std::unique_ptr<UiPngPixels> TakePrefetched(unsigned id, int width, int height);
    UiBitmapPtr ShrunkResource(HMODULE module, unsigned id, int width, int height);
    std::vector<unsigned> SizedCopiesOf(unsigned id) const;

    std::map<std::wstring, UiBitmapPtr> bitmaps_;
    std::vector<std::pair<unsigned, unsigned>> sizedCopies_;  // (id, copy id)
    // The prefetch: what was asked for (sizes in pixels) and, once the worker has been joined, the
    // pixels not yet taken (null: not a PNG the own reader reads). The worker writes only the
    // `pixels` that were still null when it started, and only before the join.
    struct Prefetched {
        unsigned id = 0;
        int width = 0;
        int height = 0;
        std::unique_ptr<UiPngPixels> pixels;
    };
    std::vector<Prefetched> prefetched_;
    std::thread prefetcher_;
};

}  // namespace UIE

#include "uie/controls/UiImageCache.h"

#include <objidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/ScopedWin.h"
#include "uie/controls/UiPng.h"
#include "uie/controls/UiResources.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiGdiplusSession.h"

namespace UIE {

using namespace Gdiplus::DllExports;

namespace {

constexpr int kFileImageDip = 30;

std::wstring SizeSuffix(int width, int height) {
    wchar_t suffix[32];
    swprintf(suffix, 32, L"|%dx%d", width, height);
    return suffix;
}

std::wstring ResourceKey(unsigned id) {
    wchar_t key[32];
    swprintf(key, 32, L"res://%u", id);
    return key;
}

// A bitmap of the pixels the installer's own PNG reader made, in the format GDI+'s decoder
// would have given.
UiBitmapPtr BitmapFromPng(const UiPngPixels& png) {
    const Gdiplus::PixelFormat format = png.alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status = GdipCreateBitmapFromScan0(png.width, png.height, 0, format, nullptr, &native);
    UiBitmapPtr bitmap = WrapGdipNative(native, status);
    if (!bitmap || status != Gdiplus::Ok)
        return nullptr;
    const Gdiplus::GpRect all(0, 0, png.width, png.height);
    Gdiplus::BitmapData locked = {};
    if (GdipBitmapLockBits(bitmap->native, &all, Gdiplus::ImageLockModeWrite, format, &locked) != Gdiplus::Ok)
        return nullptr;
    const size_t rowBytes = static_cast<size_t>(png.width) * (png.alpha ? 4 : 3);
    for (int y = 0; y < png.height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.Scan0) + static_cast<ptrdiff_t>(y) * locked.Stride, png.Row(y),
                    rowBytes);
    GdipBitmapUnlockBits(bitmap->native, &locked);
    return bitmap;
}

}  // namespace

UiBitmapPtr DecodePngBitmap(const void* data, size_t size) {
    UiPngPixels png;
    return DecodePng(data, size, png) ? BitmapFromPng(png) : nullptr;
}

namespace {

// The resource's bytes: the installer's own PNGs are read directly, anything else is decoded by
// GDI+ through a memory stream.
UiBitmapPtr DecodeResource(HMODULE module, unsigned id) {
    const UiResourceBytes bytes = FindRcData(module, id);
    if (!bytes.data)
        return nullptr;
    if (UiBitmapPtr png = DecodePngBitmap(bytes.data, bytes.size))
        return png;
    base::UniqueGlobalMemory memory{GlobalAlloc(GMEM_MOVEABLE, bytes.size)};
    if (!memory)
        return nullptr;
    void* target = GlobalLock(memory.Get());
    if (!target)
        return nullptr;
    std::memcpy(target, bytes.data, bytes.size);
    GlobalUnlock(memory.Get());
    base::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory.Get(), TRUE, stream.Put())))
        return nullptr;
    memory.Release();  // the stream frees it
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status = GdipCreateBitmapFromStream(stream.Get(), &native);
    UiBitmapPtr bitmap = WrapGdipNative(native, status);
    if (!bitmap || status != Gdiplus::Ok)
        return nullptr;
    return bitmap;
}

// `source` stretched to exactly width × height pixels, premultiplied, over transparency.
UiBitmapPtr ScaledCopy(UiBitmap* source, int width, int height) {
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status =
        GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &native);
    UiBitmapPtr copy = WrapGdipNative(native, status);
    if (!copy || status != Gdiplus::Ok)
        return nullptr;
    Gdiplus::GpGraphics* graphicsNative = nullptr;
    const Gdiplus::GpStatus graphicsStatus = GdipGetImageGraphicsContext(copy->native, &graphicsNative);
    UiGraphicsPtr graphics = WrapGdipNative(graphicsNative, graphicsStatus);
    if (!graphics || graphicsStatus != Gdiplus::Ok)
        return nullptr;
    GdipGraphicsClear(graphics->native, 0);
    GdipSetInterpolationMode(graphics->native, Gdiplus::InterpolationModeHighQualityBicubic);
    GdipSetSmoothingMode(graphics->native, Gdiplus::SmoothingModeAntiAlias);
    GdipDrawImageRectI(graphics->native, source->native, 0, 0, width, height);
    return copy;
}

}  // namespace

UiImageCache& UiImageCache::Instance() {
    static UiImageCache cache;
    return cache;
}

UiImageCache::UiImageCache() {
    // The cache outlives every GDI+ session; its bitmaps must not.
    UiGdiplusSession::AddReleaseHook([this] { Clear(); });
}

UiImageCache::~UiImageCache() {
    if (prefetcher_.joinable())
        prefetcher_.join();
}

void UiImageCache::Clear() {
    if (prefetcher_.joinable())
        prefetcher_.join();
    prefetched_.clear();
    prefetchIds_.clear();
    bitmaps_.clear();
}

void UiImageCache::Prefetch(HMODULE module, std::initializer_list<unsigned> ids) {
    if (!prefetchIds_.empty())
        return;  // one prefetch until the cache is cleared
    prefetchIds_.assign(ids.begin(), ids.end());
    prefetched_.resize(prefetchIds_.size());
    try {
        prefetcher_ = std::thread([this, module] {
            for (size_t i = 0; i < prefetchIds_.size(); ++i) {
                const UiResourceBytes bytes = FindRcData(module, prefetchIds_[i]);
                auto pixels = std::unique_ptr<UiPngPixels>(new (std::nothrow) UiPngPixels);
                try {
                    if (pixels && bytes.data && DecodePng(bytes.data, bytes.size, *pixels))
                        prefetched_[i] = std::move(pixels);
                } catch (...) {
                    // Out of memory: LoadFromResource reads the picture itself.
                }
            }
        });
    } catch (...) {
        prefetchIds_.clear();  // no thread: LoadFromResource reads them itself
        prefetched_.clear();
    }
}

UiBitmap* UiImageCache::Find(const std::wstring& key) const {
    auto found = bitmaps_.find(key);
    return found == bitmaps_.end() ? nullptr : found->second.get();
}

UiBitmap* UiImageCache::Store(const std::wstring& key, UiBitmapPtr bitmap) {
    if (!bitmap)
        return nullptr;
    UiBitmap* stored = bitmap.get();
    bitmaps_[key] = std::move(bitmap);
    return stored;
}

// The prefetched pixels of `id`, once; null when there are none.
std::unique_ptr<UiPngPixels> UiImageCache::TakePrefetched(unsigned id) {
    if (prefetcher_.joinable())
        prefetcher_.join();
    for (size_t i = 0; i < prefetchIds_.size() && i < prefetched_.size(); ++i) {
        if (prefetchIds_[i] == id)
            return std::move(prefetched_[i]);
    }
    return nullptr;
}

UiBitmap* UiImageCache::LoadFromResource(HMODULE module, unsigned id) {
    const std::wstring key = ResourceKey(id);
    if (UiBitmap* cached = Find(key))
        return cached;
    if (const std::unique_ptr<UiPngPixels> pixels = TakePrefetched(id))
        return Store(key, BitmapFromPng(*pixels));
    return Store(key, DecodeResource(module, id));
}

UiBitmap* UiImageCache::LoadFromResourceScaled(HMODULE module, unsigned id, int widthDip, int heightDip) {
    const int width = std::max(1, Scale(widthDip));
    const int height = std::max(1, Scale(heightDip));
    const std::wstring key = ResourceKey(id) + SizeSuffix(width, height);
    if (UiBitmap* cached = Find(key))
        return cached;
    UiBitmap* source = LoadFromResource(module, id);
    return source ? Store(key, ScaledCopy(source, width, height)) : nullptr;
}

UiBitmap* UiImageCache::LoadFromFileScaled(const std::wstring& path) {
    const int side = std::max(1, Scale(kFileImageDip));
    const std::wstring key = path + SizeSuffix(side, side);
    if (UiBitmap* cached = Find(key))
        return cached;
    UiBitmap* source = Find(path);
    if (!source) {
        Gdiplus::GpBitmap* native = nullptr;
        const Gdiplus::GpStatus status = GdipCreateBitmapFromFile(path.c_str(), &native);
        UiBitmapPtr decoded = WrapGdipNative(native, status);
        source = status == Gdiplus::Ok ? Store(path, std::move(decoded)) : nullptr;
    }
    return source ? Store(key, ScaledCopy(source, side, side)) : nullptr;
}

void UiImageCache::DrawBitmap(UiCanvas& canvas, UiBitmap* bitmap, const UiRect& r) {
    canvas.DrawBitmap(bitmap, r);
}

}  // namespace UIE

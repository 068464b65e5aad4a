#include "uie/controls/UiImageCache.h"

#include <objidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/ScopedWin.h"
#include "uie/controls/UiPixelShrink.h"
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

// A bitmap of the pixels the toolkit's own PNG reader made, in the format GDI+'s decoder
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

// The resource's bytes: PNGs the toolkit's own reader takes are read directly, anything else is
// decoded by GDI+ through a memory stream.
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
    bitmaps_.clear();
}

namespace {

// The pixels of one of `copies` (RCDATA ids) stored at exactly width × height; null when none is.
std::unique_ptr<UiPngPixels> ReadSizedCopy(HMODULE module, const std::vector<unsigned>& copies, int width, int height) {
    for (unsigned copy : copies) {
        const UiResourceBytes bytes = FindRcData(module, copy);
        int copyWidth = 0;
        int copyHeight = 0;
        auto pixels = std::make_unique<UiPngPixels>();
        if (bytes.data && ReadPngSize(bytes.data, bytes.size, copyWidth, copyHeight) && copyWidth == width &&
            copyHeight == height && DecodePng(bytes.data, bytes.size, *pixels))
            return pixels;
    }
    return nullptr;
}

// The picture's pixels, shrunk to width × height unless that is 0 × 0; null when it is no PNG of
// ours. A picture smaller than the size asked for comes at its natural size (width and height are
// then set to 0) for GDI+ to stretch.
std::unique_ptr<UiPngPixels> ReadPixels(HMODULE module, unsigned id, int& width, int& height) {
    const UiResourceBytes bytes = FindRcData(module, id);
    auto pixels = std::make_unique<UiPngPixels>();
    if (!bytes.data || !DecodePng(bytes.data, bytes.size, *pixels))
        return nullptr;
    if (width == 0 && height == 0)
        return pixels;
    auto shrunk = std::make_unique<UiPngPixels>();
    if (ShrinkPixels(*pixels, width, height, *shrunk))
        return shrunk;
    width = height = 0;
    return pixels;
}

}  // namespace

void UiImageCache::Prefetch(HMODULE module, std::initializer_list<UiPrefetch> pictures) {
    if (!prefetched_.empty())
        return;  // one prefetch until the cache is cleared
    try {
        bool pending = false;
        for (const UiPrefetch& picture : pictures) {
            const bool sized = picture.widthDip > 0 && picture.heightDip > 0;
            Prefetched entry{picture.id, sized ? std::max(1, Scale(picture.widthDip)) : 0,
                             sized ? std::max(1, Scale(picture.heightDip)) : 0, nullptr};
            // A sized copy of that size is read here and now: it takes less than starting a thread.
            if (sized)
                entry.pixels = ReadSizedCopy(module, SizedCopiesOf(picture.id), entry.width, entry.height);
            pending = pending || !entry.pixels;
            prefetched_.push_back(std::move(entry));
        }
        if (!pending)
            return;
        prefetcher_ = std::thread([this, module] {
            for (Prefetched& picture : prefetched_) {
                try {
                    if (!picture.pixels)
                        picture.pixels = ReadPixels(module, picture.id, picture.width, picture.height);
                } catch (...) {
                    // Out of memory: the Load functions read it themselves.
                }
            }
        });
    } catch (...) {
        prefetched_.clear();  // no thread: the Load functions read them themselves
    }
}

void UiImageCache::AddSizedCopy(unsigned id, unsigned copyId) {
    const std::pair<unsigned, unsigned> entry(id, copyId);
    if (std::find(sizedCopies_.begin(), sizedCopies_.end(), entry) == sizedCopies_.end())
        sizedCopies_.push_back(entry);
}

std::vector<unsigned> UiImageCache::SizedCopiesOf(unsigned id) const {
    std::vector<unsigned> copies;
    for (const auto& [source, copy] : sizedCopies_) {
        if (source == id)
            copies.push_back(copy);
    }
    return copies;
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

std::unique_ptr<UiPngPixels> UiImageCache::TakePrefetched(unsigned id, int width, int height) {
    if (prefetcher_.joinable())
        prefetcher_.join();
    for (Prefetched& picture : prefetched_) {
        if (picture.id == id && picture.width == width && picture.height == height)
            return std::move(picture.pixels);
    }
    return nullptr;
}

UiBitmap* UiImageCache::LoadFromResource(HMODULE module, unsigned id) {
    const std::wstring key = ResourceKey(id);
    if (UiBitmap* cached = Find(key))
        return cached;
    if (const std::unique_ptr<UiPngPixels> pixels = TakePrefetched(id, 0, 0))
        return Store(key, BitmapFromPng(*pixels));
    return Store(key, DecodeResource(module, id));
}

// The PNG resource `id` shrunk to width × height pixels; null when it is no PNG of ours, is
// smaller than that, or memory ran out.
UiBitmapPtr UiImageCache::ShrunkResource(HMODULE module, unsigned id, int width, int height) {
    try {
        std::unique_ptr<UiPngPixels> pixels = TakePrefetched(id, width, height);
        if (!pixels)
            pixels = ReadSizedCopy(module, SizedCopiesOf(id), width, height);
        if (!pixels) {
            int shrunkWidth = width;
            int shrunkHeight = height;
            pixels = ReadPixels(module, id, shrunkWidth, shrunkHeight);
            if (!pixels || shrunkWidth != width || shrunkHeight != height)
                return nullptr;
        }
        return BitmapFromPng(*pixels);
    } catch (...) {
        return nullptr;  // out of memory: GDI+ scales it instead
    }
}

UiBitmap* UiImageCache::LoadFromResourceScaled(HMODULE module, unsigned id, int widthDip, int heightDip) {
    const int width = std::max(1, Scale(widthDip));
    const int height = std::max(1, Scale(heightDip));
    const std::wstring key = ResourceKey(id) + SizeSuffix(width, height);
    if (UiBitmap* cached = Find(key))
        return cached;
    if (UiBitmapPtr shrunk = ShrunkResource(module, id, width, height))
        return Store(key, std::move(shrunk));
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

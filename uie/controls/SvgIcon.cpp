#include "uie/controls/SvgIcon.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#define NANOSVG_IMPLEMENTATION
#include <nanosvg.h>
#define NANOSVGRAST_IMPLEMENTATION
#include <nanosvgrast.h>

#include "uie/controls/SvgPixels.h"
#include "uie/controls/UiResources.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiLru.h"

namespace UIE {

using namespace Gdiplus::DllExports;

namespace {

struct RasterizerDeleter {
    void operator()(NSVGrasterizer* rasterizer) const { nsvgDeleteRasterizer(rasterizer); }
};

// Whatever module this function's code lives in.
void ToolkitAnchor() {}

}  // namespace

HMODULE ToolkitModule() {
    static HMODULE module = nullptr;
    if (!module) {
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ToolkitAnchor), &module);
    }
    return module;
}

SvgIcon::~SvgIcon() {
    cache_.clear();
    DeleteImage();
}

void SvgIcon::DeleteImage() {
    if (image_)
        nsvgDelete(image_);
    image_ = nullptr;
}

bool SvgIcon::LoadFromResource(HMODULE module, int id) {
    const UiResourceBytes bytes = FindRcData(module, static_cast<unsigned>(id));
    if (!bytes.data) {
        DeleteImage();
        cache_.clear();  // the old picture's bitmaps must not stand in for the missing one
        return false;
    }
    wchar_t key[32];
    swprintf(key, 32, L"res://%d", id);
    sourceKey_ = key;
    return Parse(std::string(static_cast<const char*>(bytes.data), bytes.size));
}

bool SvgIcon::Parse(const std::string& text) {
    DeleteImage();
    // Cached bitmaps belong to the old picture.
    cache_.clear();
    if (text.empty())
        return false;
    // The parser writes into its input.
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back('\0');
    image_ = nsvgParse(writable.data(), "px", 96.0f);
    // The parser accepts any bytes (a PNG too) and returns an empty picture for them; a picture
    // without a size has nothing to draw.
    if (image_ && (image_->width <= 0 || image_->height <= 0))
        DeleteImage();
    return image_ != nullptr;
}

std::wstring SvgIcon::CacheKey(int width, int height, int32_t tint) const {
    wchar_t suffix[64];
    swprintf(suffix, 64, L"|%dx%d|%d", width, height, static_cast<int>(tint));
    return sourceKey_ + suffix;
}

UiBitmap* SvgIcon::GetBitmap(int width, int height, int32_t tint) {
    const std::wstring key = CacheKey(width, height, tint);
    auto found = cache_.find(key);
    if (found != cache_.end()) {
        found->second.lastUse = GetTickCount();
        return found->second.bitmap.get();
    }
    UiBitmapPtr bitmap = Rasterize(width, height, tint);
    if (!bitmap)
        return nullptr;
    if (cache_.size() >= kMaxCachedBitmaps)
        EraseLeastRecentlyUsed(cache_);
    Entry& entry = cache_[key];
    entry.bitmap = std::move(bitmap);
    entry.lastUse = GetTickCount();
    return entry.bitmap.get();
}

UiBitmapPtr SvgIcon::Rasterize(int width, int height, int32_t tint) const {
    size_t byteCount = 0;
    if (!image_ || image_->width <= 0 || image_->height <= 0 || !SvgRasterBytes(width, height, SIZE_MAX, byteCount))
        return nullptr;
    // The picture keeps its aspect ratio from the top-left corner; a wider or taller target keeps
    // a transparent strip.
    const float scale = SvgFitScale(image_->width, image_->height, width, height);
    std::vector<uint8_t> pixels(byteCount, 0);
    std::unique_ptr<NSVGrasterizer, RasterizerDeleter> rasterizer(nsvgCreateRasterizer());
    if (!rasterizer)
        return nullptr;
    rasterizer->tessTol = 0.25f;
    rasterizer->distTol = 0.01f;
    nsvgRasterize(rasterizer.get(), image_, 0, 0, scale, pixels.data(), width, height, width * 4);
    rasterizer.reset();
    StraightRgbaToPremultipliedBgra(pixels.data(), pixels.size() / 4, tint);

    Gdiplus::GpBitmap* native = nullptr;
    Gdiplus::GpStatus status = GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &native);
    UiBitmapPtr bitmap = WrapGdipNative(native, status);
    if (!bitmap || !bitmap->native)
        return nullptr;
    const Gdiplus::GpRect area(0, 0, width, height);
    Gdiplus::BitmapData data = {};
    if (GdipBitmapLockBits(bitmap->native, &area, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &data) !=
        Gdiplus::Ok)
        return nullptr;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; ++row) {
        std::memcpy(static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(row) * data.Stride,
                    pixels.data() + static_cast<size_t>(row) * rowBytes, rowBytes);
    }
    GdipBitmapUnlockBits(bitmap->native, &data);
    return bitmap;
}

void SvgIcon::Draw(UiCanvas& canvas, int x, int y, int width, int height, int32_t tint) {
    if (!image_ || width <= 0 || height <= 0)
        return;
    canvas.DrawBitmap(GetBitmap(width, height, tint), {x, y, width, height});
}

}  // namespace UIE

// The installer's own PNG reader against GDI+'s decoder, on the installer's real pictures: the
// same pixel format and every pixel the same. Files it does not read are refused, not misread.
#include "uie/controls/UiPng.h"

#include <gtest/gtest.h>

#include <miniz.h>
#include <objidl.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "uie/controls/UiImageCache.h"
#include "uie/controls/UiResources.h"
#include "uie/core/UiTestSupport.h"

using namespace UIE;
using namespace Gdiplus::DllExports;

namespace {

constexpr unsigned kHeaderPicture = 102;  // 1040 × 520 RGB
constexpr unsigned kLogo = 104;           // 512 × 512 RGBA
constexpr unsigned kHeaderAt96Dpi = 110;  // the header drawn at 520 × 260

std::string Resource(unsigned id) {
    const UiResourceBytes bytes = FindRcData(GetModuleHandleW(nullptr), id);
    return bytes.data ? std::string(static_cast<const char*>(bytes.data), bytes.size) : std::string();
}

UiBitmapPtr DecodeWithGdiplus(const std::string& png) {
    base::UniqueGlobalMemory memory{GlobalAlloc(GMEM_MOVEABLE, png.size())};
    if (!memory)
        return nullptr;
    void* target = GlobalLock(memory.Get());
    if (!target)
        return nullptr;
    std::memcpy(target, png.data(), png.size());
    GlobalUnlock(memory.Get());
    base::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory.Get(), TRUE, stream.Put())))
        return nullptr;
    memory.Release();
    Gdiplus::GpBitmap* native = nullptr;
    const Gdiplus::GpStatus status = GdipCreateBitmapFromStream(stream.Get(), &native);
    return WrapGdipNative(native, status);
}

Gdiplus::PixelFormat FormatOf(UiBitmap* bitmap) {
    Gdiplus::PixelFormat format = 0;
    GdipGetImagePixelFormat(bitmap->native, &format);
    return format;
}

// Every pixel as 32bppARGB, rows top to bottom.
std::vector<uint32_t> Pixels(UiBitmap* bitmap, UINT& width, UINT& height) {
    GdipGetImageWidth(bitmap->native, &width);
    GdipGetImageHeight(bitmap->native, &height);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    const Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data = {};
    data.Width = width;
    data.Height = height;
    data.Stride = static_cast<INT>(width * 4);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = pixels.data();
    if (GdipBitmapLockBits(bitmap->native, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                           PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return {};
    GdipBitmapUnlockBits(bitmap->native, &data);
    return pixels;
}

// The chunk of `type` in `png` rewritten by `change`, with its CRC made right again.
std::string WithChunk(std::string png, const char* type, void (*change)(char* body)) {
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        const size_t length = (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | p[3];
        if (std::memcmp(png.data() + at + 4, type, 4) == 0) {
            change(&png[at + 8]);
            const mz_ulong crc =
                mz_crc32(MZ_CRC32_INIT, reinterpret_cast<const unsigned char*>(png.data() + at + 4), length + 4);
            for (int i = 0; i < 4; ++i)
                png[at + 8 + length + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
            return png;
        }
        at += length + 12;
    }
    return std::string();
}

}  // namespace

// `bitmap` has GDI+'s pixel format and every pixel of GDI+'s decode of `png`.
static void ExpectAsGdiplusDecodes(const std::string& png, UiBitmap* bitmap, const char* what) {
    UiBitmapPtr reference = DecodeWithGdiplus(png);
    ASSERT_TRUE(bitmap && bitmap->native) << what;
    ASSERT_TRUE(reference && reference->native) << what;
    EXPECT_EQ(FormatOf(bitmap), FormatOf(reference.get())) << what;
    UINT width = 0, height = 0, referenceWidth = 0, referenceHeight = 0;
    const std::vector<uint32_t> pixels = Pixels(bitmap, width, height);
    const std::vector<uint32_t> referencePixels = Pixels(reference.get(), referenceWidth, referenceHeight);
    EXPECT_EQ(width, referenceWidth) << what;
    EXPECT_EQ(height, referenceHeight) << what;
    ASSERT_FALSE(pixels.empty()) << what;
    ASSERT_EQ(pixels.size(), referencePixels.size()) << what;
    size_t differing = 0;
    for (size_t i = 0; i < pixels.size(); ++i)
        differing += pixels[i] != referencePixels[i];
    EXPECT_EQ(differing, 0u) << what;
}

TEST(UiPng, ReadsTheInstallersPicturesAsGdiplusDoes) {
    uitest::GdiplusSession gdiplus;
    UiImageCache& cache = UiImageCache::Instance();
    cache.Clear();
    // As at start-up: read on a worker thread, taken by the cache on the UI thread.
    cache.Prefetch(GetModuleHandleW(nullptr), {{kHeaderPicture}, {kLogo}});
    for (unsigned id : {kHeaderPicture, kLogo}) {
        const std::string png = Resource(id);
        ASSERT_FALSE(png.empty()) << id;
        UiBitmapPtr own = DecodePngBitmap(png.data(), png.size());
        ExpectAsGdiplusDecodes(png, own.get(), id == kLogo ? "logo" : "header");
        ExpectAsGdiplusDecodes(png, cache.LoadFromResource(GetModuleHandleW(nullptr), id),
                               id == kLogo ? "prefetched logo" : "prefetched header");
    }
    cache.Clear();
}

TEST(UiPng, ASizedCopyOfTheAskedSizeIsReadInsteadOfShrinking) {
    uitest::GdiplusSession gdiplus;
    uitest::DpiScope dpi(96);
    UiImageCache& cache = UiImageCache::Instance();
    const HMODULE self = GetModuleHandleW(nullptr);
    const std::string copy = Resource(kHeaderAt96Dpi);
    int width = 0, height = 0;
    ASSERT_TRUE(ReadPngSize(copy.data(), copy.size(), width, height));
    EXPECT_EQ(width, 520);
    EXPECT_EQ(height, 260);
    for (const std::string& refused : {copy.substr(0, 23), std::string("GIF89a"), copy.substr(1)})
        EXPECT_FALSE(ReadPngSize(refused.data(), refused.size(), width, height));

    // The copy is drawn from the artwork at its size, so it differs from the large picture
    // shrunk: the pixels tell which one the cache read.
    cache.Clear();
    UINT w = 0, h = 0;
    const std::vector<uint32_t> shrunk = Pixels(cache.LoadFromResourceScaled(self, kHeaderPicture, 520, 260), w, h);
    UiBitmapPtr direct = DecodePngBitmap(copy.data(), copy.size());
    ASSERT_TRUE(direct);
    ASSERT_NE(shrunk, Pixels(direct.get(), w, h));

    cache.AddSizedCopy(kHeaderPicture, kHeaderAt96Dpi);
    for (bool prefetched : {false, true}) {
        cache.Clear();
        if (prefetched)
            cache.Prefetch(self, {{kHeaderPicture, 520, 260}});
        ExpectAsGdiplusDecodes(copy, cache.LoadFromResourceScaled(self, kHeaderPicture, 520, 260),
                               prefetched ? "prefetched copy" : "copy");
    }
    uitest::DpiScope larger(144);  // no copy of that size: the large picture is shrunk
    EXPECT_EQ(Pixels(cache.LoadFromResourceScaled(self, kHeaderPicture, 520, 260), w, h).size(), 780u * 390u);
    cache.Clear();
}

TEST(UiPng, RefusesWhatItDoesNotRead) {
    const std::string logo = Resource(kLogo);
    UiPngPixels pixels;
    ASSERT_TRUE(DecodePng(logo.data(), logo.size(), pixels));
    EXPECT_EQ(pixels.width, 512);
    EXPECT_TRUE(pixels.alpha);

    std::string damaged = logo;
    damaged[damaged.size() / 2] ^= 0x55;  // inside the image data: its CRC no longer matches
    const std::string interlaced = WithChunk(logo, "IHDR", [](char* body) { body[12] = 1; });
    const std::string sixteenBit = WithChunk(logo, "IHDR", [](char* body) { body[8] = 16; });
    const std::string palette = WithChunk(logo, "IHDR", [](char* body) { body[9] = 3; });
    ASSERT_FALSE(interlaced.empty());
    for (const std::string& refused :
         {damaged, interlaced, sixteenBit, palette, logo.substr(0, logo.size() / 2), std::string("GIF89a")}) {
        EXPECT_FALSE(DecodePng(refused.data(), refused.size(), pixels));
        EXPECT_TRUE(pixels.bytes.empty());
    }
}

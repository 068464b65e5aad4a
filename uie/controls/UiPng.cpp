#include "uie/controls/UiPng.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include <miniz.h>

namespace UIE {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Larger pictures are left to GDI+: resource pictures do not come near.
constexpr uint32_t kMaxSide = 8192;

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// The Paeth predictor without branches on the pixel values (a row of photographic pixels defeats
// branch prediction): pa = |b - c|, pb = |a - c|, pc = |a + b - 2c|.
inline uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int ab = pb < pa ? b : a;
    const int abMin = pb < pa ? pb : pa;
    return static_cast<uint8_t>(pc < abMin ? c : ab);
}

// Undoes the filter of one row in place; `previous` is the unfiltered row above (zeros for the
// first). The first pixel has no left neighbour, so it is done apart. False for an unknown type.
template <size_t bpp>
bool Unfilter(uint8_t type, uint8_t* row, const uint8_t* previous, size_t length) {
    switch (type) {
        case 0:
            return true;
        case 1:
            for (size_t i = bpp; i < length; ++i)
                row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
            return true;
        case 2:
            for (size_t i = 0; i < length; ++i)
                row[i] = static_cast<uint8_t>(row[i] + previous[i]);
            return true;
        case 3:
            for (size_t i = 0; i < bpp; ++i)
                row[i] = static_cast<uint8_t>(row[i] + (previous[i] >> 1));
            for (size_t i = bpp; i < length; ++i)
                row[i] = static_cast<uint8_t>(row[i] + ((row[i - bpp] + previous[i]) >> 1));
            return true;
        case 4: {
            // The left and upper-left pixels stay in registers: going through memory would add a
            // store-to-load delay to every byte of a chain that cannot run ahead of itself.
            int left[bpp];
            int upperLeft[bpp];
            for (size_t k = 0; k < bpp; ++k) {
                row[k] = static_cast<uint8_t>(row[k] + previous[k]);
                left[k] = row[k];
                upperLeft[k] = previous[k];
            }
            for (size_t i = bpp; i < length; i += bpp) {
                for (size_t k = 0; k < bpp; ++k) {
                    const int up = previous[i + k];
                    left[k] = static_cast<uint8_t>(row[i + k] + Paeth(left[k], up, upperLeft[k]));
                    row[i + k] = static_cast<uint8_t>(left[k]);
                    upperLeft[k] = up;
                }
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

bool ReadPngSize(const void* data, size_t size, int& width, int& height) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    // The signature, then IHDR's length and type, then its width and height.
    if (!bytes || size < 24 || std::memcmp(bytes, kSignature, sizeof(kSignature)) != 0 ||
        std::memcmp(bytes + 12, "IHDR", 4) != 0)
        return false;
    const uint32_t w = BigEndian32(bytes + 16);
    const uint32_t h = BigEndian32(bytes + 20);
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool DecodePng(const void* data, size_t size, UiPngPixels& out) {
    out = UiPngPixels();
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < sizeof(kSignature) || std::memcmp(bytes, kSignature, sizeof(kSignature)) != 0)
        return false;

    uint32_t width = 0;
    uint32_t height = 0;
    bool alpha = false;
    bool haveHeader = false;
    bool ended = false;
    std::vector<uint8_t> compressed;
    size_t at = sizeof(kSignature);
    while (!ended) {
        if (size - at < 12)
            return false;
        const uint32_t length = BigEndian32(bytes + at);
        const uint8_t* type = bytes + at + 4;
        const uint8_t* body = type + 4;
        if (length > size - at - 12)
            return false;
        const mz_ulong crc = mz_crc32(MZ_CRC32_INIT, type, length + 4);
        if (crc != BigEndian32(body + length))
            return false;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (haveHeader || length != 13)
                return false;
            width = BigEndian32(body);
            height = BigEndian32(body + 4);
            const uint8_t depth = body[8];
            const uint8_t colourType = body[9];
            // Compression, filter method and interlacing: only the plain kinds.
            if (depth != 8 || (colourType != 2 && colourType != 6) || body[10] != 0 || body[11] != 0 || body[12] != 0)
                return false;
            if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
                return false;
            alpha = colourType == 6;
            haveHeader = true;
        } else if (!haveHeader) {
            return false;  // IHDR comes first
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), body, body + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        } else if ((type[0] & 0x20) == 0) {
            return false;  // a critical chunk this reader does not know (a palette, say)
        }
        at += size_t{length} + 12;
    }
    if (!haveHeader || compressed.empty())
        return false;

    const size_t bpp = alpha ? 4 : 3;
    const size_t rowLength = size_t{width} * bpp;
    const size_t filtered = (rowLength + 1) * height;
    std::vector<uint8_t> raw(filtered);
    const size_t inflated = tinfl_decompress_mem_to_mem(raw.data(), raw.size(), compressed.data(), compressed.size(),
                                                        TINFL_FLAG_PARSE_ZLIB_HEADER);
    if (inflated != filtered)
        return false;

    // RGB(A) in the file, B, G, R(, A) in memory. A row is swapped once the row below it has been
    // unfiltered, which reads it in file order.
    const auto swapRedAndBlue = [&](uint8_t* row) {
        for (size_t x = 0; x < rowLength; x += bpp) {
            const uint8_t red = row[x];
            row[x] = row[x + 2];
            row[x + 2] = red;
        }
    };
    const std::vector<uint8_t> zeros(rowLength, 0);
    uint8_t* previous = nullptr;
    for (size_t y = 0; y < height; ++y) {
        uint8_t* row = raw.data() + y * (rowLength + 1);
        const uint8_t* above = previous ? previous : zeros.data();
        const bool known =
            alpha ? Unfilter<4>(row[0], row + 1, above, rowLength) : Unfilter<3>(row[0], row + 1, above, rowLength);
        if (!known)
            return false;
        if (previous)
            swapRedAndBlue(previous);
        previous = row + 1;
    }
    swapRedAndBlue(previous);
    UiPngPixels pixels;
    pixels.width = static_cast<int>(width);
    pixels.height = static_cast<int>(height);
    pixels.alpha = alpha;
    pixels.stride = rowLength + 1;
    pixels.bytes = std::move(raw);
    out = std::move(pixels);
    return true;
}

}  // namespace UIE

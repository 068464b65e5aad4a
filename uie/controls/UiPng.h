// A small PNG reader for the pictures an application carries in its resources, so that they
// reach the screen without GDI+'s codec machinery: under Wine the first GDI+ decode loads the
// Windows Imaging Component and its libraries, which costs more than everything else a first
// frame paints.
//
// It reads what the build makes (tools/make-resources.sh): 8-bit RGB or RGBA, not interlaced,
// every chunk's CRC checked. Anything else is refused, and the caller decodes with GDI+ instead.
// The pixels have the layout GDI+'s own decoder gives for the same file: RGB as 24bppRGB (B, G,
// R per pixel) and RGBA as 32bppARGB (B, G, R, A; not premultiplied), rows top to bottom. They are
// left where the inflated data put them, one filter byte before each row, so rows are `stride`
// bytes apart and not aligned: copy them with Row().
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace UIE {

struct UiPngPixels {
    int width = 0;
    int height = 0;
    bool alpha = false;  // 32bppARGB when set, 24bppRGB otherwise
    size_t stride = 0;   // bytes from one row to the next
    std::vector<uint8_t> bytes;

    const uint8_t* Row(int y) const { return bytes.data() + static_cast<size_t>(y) * stride + 1; }
};

// False (and `out` left empty) for anything that is not a sound PNG of the kind above.
bool DecodePng(const void* data, size_t size, UiPngPixels& out);

// The width and height a PNG's header gives, without decoding it; false when the bytes do not
// start as a PNG does. Nothing else is checked: DecodePng still may refuse it.
bool ReadPngSize(const void* data, size_t size, int& width, int& height);

}  // namespace UIE

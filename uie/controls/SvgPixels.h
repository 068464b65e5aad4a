// The pixel format step between nanosvg and GDI+: the rasterizer writes straight RGBA bytes, GDI+
// draws premultiplied BGRA. Pure logic, no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace UIE {

// Converts `count` pixels in place. A negative `tint` keeps the picture's colours; otherwise every
// pixel becomes 0x00RRGGBB `tint` at the pixel's own coverage, a one-colour silhouette.
void StraightRgbaToPremultipliedBgra(uint8_t* pixels, size_t count, int32_t tint);

// The uniform scale that fits a width × height picture into a target, keeping its aspect ratio.
float SvgFitScale(float imageWidth, float imageHeight, int targetWidth, int targetHeight);

// The bytes of a width × height raster of 4-byte pixels, computed in 64 bits. False for an empty
// size, a row whose stride passes INT_MAX, or a total above `limit` (SIZE_MAX where it is used, so
// a size that would wrap around in a 32-bit build is refused rather than allocated short).
bool SvgRasterBytes(int width, int height, uint64_t limit, size_t& bytes);

}  // namespace UIE

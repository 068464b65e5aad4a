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

}  // namespace UIE

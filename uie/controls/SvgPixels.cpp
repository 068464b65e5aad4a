#include "uie/controls/SvgPixels.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace UIE {

void StraightRgbaToPremultipliedBgra(uint8_t* pixels, size_t count, int32_t tint) {
    const bool recolour = tint >= 0;
    const unsigned tintRed = (static_cast<uint32_t>(tint) >> 16) & 0xFF;
    const unsigned tintGreen = (static_cast<uint32_t>(tint) >> 8) & 0xFF;
    const unsigned tintBlue = static_cast<uint32_t>(tint) & 0xFF;
    for (uint8_t* p = pixels; p != pixels + count * 4; p += 4) {
        const unsigned a = p[3];
        const unsigned red = recolour ? tintRed : p[0];
        const unsigned green = recolour ? tintGreen : p[1];
        const unsigned blue = recolour ? tintBlue : p[2];
        p[0] = static_cast<uint8_t>(blue * a / 255);
        p[1] = static_cast<uint8_t>(green * a / 255);
        p[2] = static_cast<uint8_t>(red * a / 255);
    }
}

float SvgFitScale(float imageWidth, float imageHeight, int targetWidth, int targetHeight) {
    return std::min(static_cast<float>(targetWidth) / imageWidth, static_cast<float>(targetHeight) / imageHeight);
}

bool SvgRasterBytes(int width, int height, uint64_t limit, size_t& bytes) {
    if (width < 1 || height < 1 || width > INT_MAX / 4)
        return false;
    const uint64_t total = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u;
    if (total > limit || total > SIZE_MAX)
        return false;
    bytes = static_cast<size_t>(total);
    return true;
}

}  // namespace UIE

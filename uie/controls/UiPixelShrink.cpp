#include "uie/controls/UiPixelShrink.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace UIE {

namespace {

struct Tap {
    int index;
    float weight;
};

// For each of `to` target positions, the source positions under it and the share of each.
std::vector<std::vector<Tap>> AreaTaps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double start = i * step;
        const double end = (i + 1) * step;
        for (int s = static_cast<int>(start); s < from && s < end; ++s) {
            const double covered = std::min(end, s + 1.0) - std::max(start, static_cast<double>(s));
            if (covered > 0.0)
                taps[static_cast<size_t>(i)].push_back({s, static_cast<float>(covered / step)});
        }
    }
    return taps;
}

uint8_t ToByte(float value) {
    return static_cast<uint8_t>(std::min(255.0f, std::max(0.0f, value + 0.5f)));
}

}  // namespace

bool ShrinkPixels(const UiPngPixels& source, int width, int height, UiPngPixels& out) {
    if (width < 1 || height < 1 || width > source.width || height > source.height)
        return false;
    const int channels = source.alpha ? 4 : 3;
    const auto columns = AreaTaps(source.width, width);
    const auto rows = AreaTaps(source.height, height);

    // Rows first: every source row narrowed to `width` pixels of alpha-weighted B, G, R and alpha.
    std::vector<float> narrowed(static_cast<size_t>(source.height) * width * 4, 0.0f);
    for (int y = 0; y < source.height; ++y) {
        const uint8_t* row = source.Row(y);
        float* target = &narrowed[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x, target += 4) {
            for (const Tap& tap : columns[static_cast<size_t>(x)]) {
                const uint8_t* pixel = row + static_cast<size_t>(tap.index) * channels;
                const float alpha = channels == 4 ? pixel[3] : 255.0f;
                const float weight = tap.weight * alpha / 255.0f;
                target[0] += weight * pixel[0];
                target[1] += weight * pixel[1];
                target[2] += weight * pixel[2];
                target[3] += tap.weight * alpha;
            }
        }
    }

    UiPngPixels shrunk;
    shrunk.width = width;
    shrunk.height = height;
    shrunk.alpha = source.alpha;
    shrunk.stride = 1 + static_cast<size_t>(width) * channels;  // the same one leading byte per row
    shrunk.bytes.assign(shrunk.stride * static_cast<size_t>(height), 0);
    std::vector<float> sum(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (const Tap& tap : rows[static_cast<size_t>(y)]) {
            const float* from = &narrowed[static_cast<size_t>(tap.index) * width * 4];
            for (size_t i = 0; i < sum.size(); ++i)
                sum[i] += tap.weight * from[i];
        }
        uint8_t* row = &shrunk.bytes[static_cast<size_t>(y) * shrunk.stride + 1];
        for (int x = 0; x < width; ++x) {
            const float* pixel = &sum[static_cast<size_t>(x) * 4];
            const float alpha = pixel[3];
            const float straight = alpha > 0.0f ? 255.0f / alpha : 0.0f;  // back from alpha-weighted
            for (int c = 0; c < 3; ++c)
                row[static_cast<size_t>(x) * channels + c] = ToByte(pixel[c] * straight);
            if (channels == 4)
                row[static_cast<size_t>(x) * 4 + 3] = ToByte(alpha);
        }
    }
    out = std::move(shrunk);
    return true;
}

}  // namespace UIE

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

// One source row narrowed to `width` pixels: B, G and R weighted by coverage times alpha, and
// alpha weighted by coverage. Dividing the colours by the summed alpha at the end makes them
// straight again, so nothing is divided per source pixel.
void NarrowRow(const uint8_t* row, int channels, const std::vector<std::vector<Tap>>& columns, float* target) {
    for (const std::vector<Tap>& taps : columns) {
        float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (const Tap& tap : taps) {
            const uint8_t* pixel = row + static_cast<size_t>(tap.index) * channels;
            const float weight = tap.weight * (channels == 4 ? pixel[3] : 255.0f);
            sum[0] += weight * pixel[0];
            sum[1] += weight * pixel[1];
            sum[2] += weight * pixel[2];
            sum[3] += weight;
        }
        std::copy(sum, sum + 4, target);
        target += 4;
    }
}

// An empty picture of `source`'s format at width x height, with the decoder's row layout.
UiPngPixels EmptyLike(const UiPngPixels& source, int width, int height) {
    UiPngPixels shrunk;
    shrunk.width = width;
    shrunk.height = height;
    shrunk.alpha = source.alpha;
    shrunk.stride = 1 + static_cast<size_t>(width) * (source.alpha ? 4 : 3);  // one leading byte per row
    shrunk.bytes.assign(shrunk.stride * static_cast<size_t>(height), 0);
    return shrunk;
}

constexpr int kMaxWholeArea = 256;  // keeps the sums of alpha times colour within 32 bits

// A whole-number factor in both directions (the header at 96 DPI is exactly half its stored
// size): every target pixel is the mean of its block, summed in integers and rounded as the
// general path rounds, in a quarter of the general path's time.
void ShrinkByWholeFactor(const UiPngPixels& source, UiPngPixels& shrunk) {
    const int fx = source.width / shrunk.width;
    const int fy = source.height / shrunk.height;
    const int channels = source.alpha ? 4 : 3;
    const uint32_t area = static_cast<uint32_t>(fx * fy);
    std::vector<uint32_t> sum(static_cast<size_t>(shrunk.width) * 4);
    for (int y = 0; y < shrunk.height; ++y) {
        std::fill(sum.begin(), sum.end(), 0u);
        for (int from = y * fy; from < (y + 1) * fy; ++from) {
            const uint8_t* pixel = source.Row(from);
            uint32_t* target = sum.data();
            for (int x = 0; x < shrunk.width; ++x, target += 4) {
                for (int i = 0; i < fx; ++i, pixel += channels) {
                    const uint32_t alpha = channels == 4 ? pixel[3] : 255u;
                    target[0] += alpha * pixel[0];
                    target[1] += alpha * pixel[1];
                    target[2] += alpha * pixel[2];
                    target[3] += alpha;
                }
            }
        }
        uint8_t* row = &shrunk.bytes[static_cast<size_t>(y) * shrunk.stride + 1];
        for (int x = 0; x < shrunk.width; ++x) {
            const uint32_t* pixel = &sum[static_cast<size_t>(x) * 4];
            const uint32_t alpha = pixel[3];
            for (int c = 0; c < 3; ++c)
                row[static_cast<size_t>(x) * channels + c] =
                    static_cast<uint8_t>(alpha ? (2 * pixel[c] + alpha) / (2 * alpha) : 0);
            if (channels == 4)
                row[static_cast<size_t>(x) * 4 + 3] = static_cast<uint8_t>((2 * alpha + area) / (2 * area));
        }
    }
}

// Any other size: each target pixel averages the source area under it, partly covered pixels
// counting by the share that falls inside.
void ShrinkByArea(const UiPngPixels& source, UiPngPixels& shrunk) {
    const int channels = source.alpha ? 4 : 3;
    const auto columns = AreaTaps(source.width, shrunk.width);
    const auto rows = AreaTaps(source.height, shrunk.height);
    // Target rows are made one at a time from the source rows under them. Neighbouring target
    // rows share at most one source row, so the last one narrowed is kept for the next.
    const size_t lineSize = static_cast<size_t>(shrunk.width) * 4;
    std::vector<float> line(lineSize);
    int lineIndex = -1;
    std::vector<float> sum(lineSize);
    for (int y = 0; y < shrunk.height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (const Tap& tap : rows[static_cast<size_t>(y)]) {
            if (tap.index != lineIndex) {
                NarrowRow(source.Row(tap.index), channels, columns, line.data());
                lineIndex = tap.index;
            }
            for (size_t i = 0; i < lineSize; ++i)
                sum[i] += tap.weight * line[i];
        }
        uint8_t* row = &shrunk.bytes[static_cast<size_t>(y) * shrunk.stride + 1];
        for (int x = 0; x < shrunk.width; ++x) {
            const float* pixel = &sum[static_cast<size_t>(x) * 4];
            const float alpha = pixel[3];
            const float straight = alpha > 0.0f ? 1.0f / alpha : 0.0f;  // back from alpha-weighted
            for (int c = 0; c < 3; ++c)
                row[static_cast<size_t>(x) * channels + c] = ToByte(pixel[c] * straight);
            if (channels == 4)
                row[static_cast<size_t>(x) * 4 + 3] = ToByte(alpha);
        }
    }
}

}  // namespace

bool ShrinkPixels(const UiPngPixels& source, int width, int height, UiPngPixels& out) {
    if (width < 1 || height < 1 || width > source.width || height > source.height)
        return false;
    UiPngPixels shrunk = EmptyLike(source, width, height);
    if (source.width % width == 0 && source.height % height == 0 &&
        (source.width / width) * (source.height / height) <= kMaxWholeArea)
        ShrinkByWholeFactor(source, shrunk);
    else
        ShrinkByArea(source, shrunk);
    out = std::move(shrunk);
    return true;
}

}  // namespace UIE

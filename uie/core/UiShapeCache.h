// Rasters of the canvas's filled GDI+ shapes, rendered once and composited wherever the same
// shape is drawn again.
//
// Under Wine, GDI+ turns every path into a region scanline by scanline: a rounded or gradient
// fill costs tens of microseconds to milliseconds, the same fill copied from a premultiplied
// raster a few. A shape is rendered with the same GDI+ calls, at the origin, into a transparent
// 32-bit raster of its own size, and composited with GdiAlphaBlend, which honours the target DC's
// clip. Shapes are only ever placed at whole pixels, so the copy is exact. The least recently
// used shape goes first when the cache is full; very large shapes are not kept. UI thread only.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <tuple>

#include "uie/core/UiBackBuffer.h"

namespace UIE {

class UiShapeCache {
public:
    static constexpr size_t kMaxEntries = 64;
    static constexpr int kMaxPixels = 1 << 21;  // 8 MiB of raster

    // Everything the raster depends on; the position is not part of it.
    struct Key {
        int kind = 0;
        int width = 0;
        int height = 0;
        float radius = 0.0f;
        uint32_t colour = 0;
        uint32_t secondColour = 0;
        int mode = 0;
        uint64_t corners = 0;  // four per-corner radii in whole pixels, 16 bits each
        bool operator<(const Key& o) const {
            return std::tie(kind, width, height, radius, colour, secondColour, mode, corners) <
                   std::tie(o.kind, o.width, o.height, o.radius, o.colour, o.secondColour, o.mode, o.corners);
        }
    };
    // Draws the shape with its top-left corner at the origin of the graphics it is given.
    using Render = std::function<void(Gdiplus::GpGraphics*)>;

    // Composites the shape's raster at (x, y) of `target`, rendering it first when it is not
    // cached. False when it cannot be drawn this way; the caller then draws it directly.
    bool Draw(HDC target, int x, int y, const Key& key, const Render& render);
    void Clear() { entries_.clear(); }
    size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        std::unique_ptr<UiBackBuffer> raster;
        uint64_t lastUse = 0;
    };
    UiBackBuffer* Find(const Key& key, const Render& render);

    std::map<Key, Entry> entries_;
    uint64_t clock_ = 0;
};

}  // namespace UIE

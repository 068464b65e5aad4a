// The window's off-screen image: a 32-bit top-down DIB section selected into a memory DC.
//
// Every paint draws its dirty area here and then copies it to the screen (or hands the whole
// image to the presenter), so the buffer always holds the complete current picture. It is made on
// the first paint, re-made when the client size changes and otherwise reused. Pixels are directly
// addressable: rows of width × 4 bytes, top row first, bytes blue, green, red, unused.
// Owned by the window host; UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/ScopedWin.h"

namespace UIE {

class UiBackBuffer {
public:
    UiBackBuffer() = default;
    ~UiBackBuffer() { Release(); }
    UiBackBuffer(const UiBackBuffer&) = delete;
    UiBackBuffer& operator=(const UiBackBuffer&) = delete;

    // Makes a buffer of width × height compatible with `paintDc` unless one of that size exists.
    // True when a new buffer was made.
    bool Ensure(HDC paintDc, int width, int height);
    void Release();

    // The pixel at (x, y) as 0x00RRGGBB; 0 outside the buffer.
    uint32_t PixelAt(int x, int y) const;

    base::UniqueMemoryDc bufferDC;
    base::UniqueGdiObject bufferBitmap;
    HGDIOBJ previousBitmap = nullptr;  // not owned: selected back before the bitmap is deleted
    void* bufferBits = nullptr;
    int bufferWidth = 0;
    int bufferHeight = 0;
};

}  // namespace UIE

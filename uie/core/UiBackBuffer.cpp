#include "uie/core/UiBackBuffer.h"

namespace UIE {

bool UiBackBuffer::Ensure(HDC paintDc, int width, int height) {
    if (bufferDC && width == bufferWidth && height == bufferHeight)
        return false;
    Release();
    bufferDC.Reset(CreateCompatibleDC(paintDc));

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: the first row in memory is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bufferBitmap.Reset(CreateDIBSection(paintDc, &info, DIB_RGB_COLORS, &bufferBits, nullptr, 0));
    // Failures are not tested for: painting then draws into a DC without a usable bitmap.
    if (bufferDC && bufferBitmap)
        previousBitmap = SelectObject(bufferDC.Get(), bufferBitmap.Get());
    bufferWidth = width;
    bufferHeight = height;
    return true;
}

void UiBackBuffer::Release() {
    if (bufferDC && previousBitmap)
        SelectObject(bufferDC.Get(), previousBitmap);
    previousBitmap = nullptr;
    bufferBitmap.Reset();
    bufferDC.Reset();
    bufferBits = nullptr;
    bufferWidth = 0;
    bufferHeight = 0;
}

uint32_t UiBackBuffer::PixelAt(int x, int y) const {
    if (!bufferBits || x < 0 || y < 0 || x >= bufferWidth || y >= bufferHeight)
        return 0;
    const auto* row = static_cast<const uint32_t*>(bufferBits) + static_cast<size_t>(y) * bufferWidth;
    return row[x] & 0x00FFFFFFu;
}

}  // namespace UIE

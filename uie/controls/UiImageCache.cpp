#include "uie/controls/UiImageCache.h"

namespace UIE {

UiImageCache& UiImageCache::Instance() {
    static UiImageCache cache;
    return cache;
}

void UiImageCache::Clear() {
    for (auto& entry : bitmaps_) {
        if (entry.second)
            Gdiplus::DllExports::GdipDisposeImage(entry.second);
    }
    bitmaps_.clear();
}

}  // namespace UIE

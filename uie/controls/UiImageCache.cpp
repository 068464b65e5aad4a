#include "uie/controls/UiImageCache.h"

namespace UIE {

UiImageCache& UiImageCache::Instance() {
    static UiImageCache cache;
    return cache;
}

void UiImageCache::Clear() {
    bitmaps_.clear();
}

}  // namespace UIE

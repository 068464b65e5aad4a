// The process-wide cache of decoded bitmaps, keyed by source ("res://ID", a file path, and
// "|WxH" for scaled copies). The cache owns every bitmap; controls only borrow them. `Clear` runs
// at shutdown while GDI+ is still up. UI thread only.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <map>
#include <string>

#include "uie/core/UiGdiplus.h"

namespace UIE {

class UiImageCache {
public:
    static UiImageCache& Instance();

    // Deletes every cached bitmap; bitmaps handed out earlier become invalid.
    void Clear();
    size_t Size() const { return bitmaps_.size(); }

private:
    UiImageCache() = default;
    std::map<std::wstring, UiBitmapPtr> bitmaps_;
};

}  // namespace UIE

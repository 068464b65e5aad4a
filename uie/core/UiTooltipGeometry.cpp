#include "uie/core/UiTooltipGeometry.h"

#include "uie/core/UiDpi.h"

namespace UIE {

std::vector<std::wstring> SplitTooltipLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring::size_type start = 0;
    for (;;) {
        const auto feed = text.find(L'\n', start);
        if (feed == std::wstring::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, feed - start));
        start = feed + 1;
    }
}

UiRect PlaceTooltip(int widestLine, int lineCount, UiPoint anchor, int clientWidth, int clientHeight) {
    UiRect r;
    r.width = widestLine + Scale(20);
    r.height = Scale(12) + lineCount * Scale(18);
    r.x = anchor.x + Scale(10);
    if (r.x + r.width > clientWidth)
        r.x = clientWidth - r.width;
    r.y = anchor.y + Scale(16);
    if (r.y + r.height > clientHeight)
        r.y = anchor.y - Scale(6) - r.height;  // above the pointer instead of below it
    if (r.x < 0)
        r.x = 0;
    if (r.y < 0)
        r.y = 0;
    return r;
}

UiRect TooltipLineBox(const UiRect& tooltip, int index) {
    return {tooltip.x + Scale(10), tooltip.y + Scale(6) + index * Scale(18), tooltip.width - Scale(20), Scale(18)};
}

}  // namespace UIE

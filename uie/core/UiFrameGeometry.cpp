#include "uie/core/UiFrameGeometry.h"

namespace UIE {

UiFrameZone FrameZoneAt(int x, int y, const UiFrameMetrics& m, bool onCaptionButton) {
    const int b = m.border;
    if (b > 0) {
        const bool top = y < b;
        const bool left = x < b;
        const bool right = x >= m.clientWidth - b;
        const bool bottom = y >= m.clientHeight - b;
        if (top && left)
            return UiFrameZone::TopLeft;
        if (top && right)
            return UiFrameZone::TopRight;
        if (left)
            return bottom ? UiFrameZone::BottomLeft : UiFrameZone::Left;
        if (right)
            return bottom ? UiFrameZone::BottomRight : UiFrameZone::Right;
        if (top)
            return UiFrameZone::Top;
        if (bottom)
            return UiFrameZone::Bottom;
    }
    if (y < m.captionHeight)
        return onCaptionButton ? UiFrameZone::Client : UiFrameZone::Caption;
    return UiFrameZone::Client;
}

}  // namespace UIE

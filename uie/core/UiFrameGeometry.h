// Where a point of a frameless window's client area acts as frame: resize borders and the
// caption strip that drags the window. Pure arithmetic in device pixels.
#pragma once

namespace UIE {

enum class UiFrameZone {
    Client,
    Caption,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

struct UiFrameMetrics {
    int clientWidth = 0;
    int clientHeight = 0;
    int border = 0;         // resize border; 0 when the window cannot be resized from its edges
    int captionHeight = 0;  // drag strip at the top
};

// The zone under (x, y). Corners win over edges, edges over the caption strip; a caption button
// (`onCaptionButton`) belongs to the client area.
UiFrameZone FrameZoneAt(int x, int y, const UiFrameMetrics& metrics, bool onCaptionButton);

}  // namespace UIE

// Where the window host puts a tooltip, and how its lines are laid out inside it.
//
// Everything is in client-area device pixels at the current DPI. The text is measured by the
// caller (so this file stays free of GDI+ and builds natively); the tooltip opens below and to the
// right of the pointer and flips or slides so that it stays inside the client area.
#pragma once

#include <string>
#include <vector>

#include "uie/core/UiGeometry.h"

namespace UIE {

// Text size used for tooltip lines, in DIP, regular weight.
constexpr int kTooltipTextSize = 12;

// One entry per line feed separated line; a trailing line feed gives a last, empty line.
std::vector<std::wstring> SplitTooltipLines(const std::wstring& text);

// The tooltip rectangle for `lineCount` lines whose widest measures `widestLine` pixels, shown
// for a pointer at `anchor` in a client area of the given size.
UiRect PlaceTooltip(int widestLine, int lineCount, UiPoint anchor, int clientWidth, int clientHeight);

// The box of line `index` (0-based) inside a tooltip placed at `tooltip`.
UiRect TooltipLineBox(const UiRect& tooltip, int index);

}  // namespace UIE

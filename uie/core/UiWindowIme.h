// The input method editor meets the focused control: its composition and candidate windows sit at
// the control's caret, and the committed text reaches the control in one piece instead of as
// WM_CHAR messages.
#pragma once

#include <windows.h>

namespace UIE {

class CUiControl;

// WM_IME_STARTCOMPOSITION: places the IME's windows under the control's caret, when it has one.
void PlaceImeWindows(HWND window, CUiControl& focused);
// WM_IME_COMPOSITION: hands a committed result to the control; false when there is none, and the
// message then goes on to the default handling.
bool DeliverImeResult(HWND window, CUiControl& focused, LPARAM lParam);

}  // namespace UIE

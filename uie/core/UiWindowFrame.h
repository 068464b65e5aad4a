// The frame of a borderless top-level window, which draws no frame of its own: where its client
// area acts as resize border or caption, how big it gets when maximised, what the caption strip's
// buttons do, and the decoration the system adds (icons, DWM shadow and corners). Client pixels.
#pragma once

#include <windows.h>

namespace UIE {

// The hit-test answer (HTCLIENT, HTCAPTION, HTLEFT, ...) for a point in client pixels, with a
// caption strip `captionPx` high whose buttons stay client area.
LRESULT FrameHitTest(HWND window, POINT client, int captionPx);
// A maximised borderless window covers the work area, not the task bar.
void FitMaximisedToWorkArea(HWND window, MINMAXINFO* info);
// The caption strip's button under a point in client pixels (a kCaption* command), or 0.
int CaptionButtonAt(HWND window, int x, int y, int captionPx);
// Runs a kCaption* command on the window; false for anything else.
bool RunCaptionCommand(HWND window, int command);
void InvalidateCaptionStrip(HWND window, int captionPx);
// Taskbar and task-switcher icons from an icon resource of `module`; nothing for 0.
void ApplyWindowIcons(HWND window, HINSTANCE module, int iconResource);
// Shadow and corner preference; every failure is ignored (dwmapi may be missing).
void ApplyDwmFrame(HWND window);

}  // namespace UIE

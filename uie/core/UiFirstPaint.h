// The moment the first frame reached the display, for whoever wants to know it (a start-up
// benchmark, say). The window host calls NoteFirstPresentedPaint after every paint it presented;
// the hook the application installed runs once per process, on the UI thread, after the first of
// them. Without a hook nothing happens.
//
// Pure: no Windows header.
#pragma once

namespace UIE {

using UiFirstPaintHook = void (*)();

// Installed before the first window shows; nullptr removes it.
void SetFirstPresentedPaintHook(UiFirstPaintHook hook);
void NoteFirstPresentedPaint();

}  // namespace UIE

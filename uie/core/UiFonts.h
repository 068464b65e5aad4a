// The shared UI font family and the cache of GDI+ fonts built from it.
//
// Start-up chooses the face ("微软雅黑", else "宋体", else GDI+'s generic sans-serif) and creates
// `uiFontFamily`; controls ask `GetFont` for a size in DIP and get a font built in device pixels,
// cached for the life of the process. Shutdown empties the cache and then deletes the family,
// while GDI+ is still running. UI thread only.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <string>

namespace UIE {

// GDI+ object wrappers: the native handle and the last failing status (0 = Ok). They are
// allocated with GdipAlloc and freed with GdipFree, like GDI+'s own C++ wrappers.
struct UiFontFamily {
    Gdiplus::GpFontFamily* native;
    Gdiplus::GpStatus lastStatus;
};
struct UiFont {
    Gdiplus::GpFont* native;
    Gdiplus::GpStatus lastStatus;
};

extern std::wstring uiFaceName;
extern UiFontFamily* uiFontFamily;  // owned; null before start-up and after shutdown

// Creates the shared family if there is none yet. Needs GDI+ started.
void ChooseUiFontFamily();
// Deletes the shared family (shutdown, after ClearFontCache).
void DeleteUiFontFamily();

// The cached font for (size, weight), or null when no family exists or allocation failed.
UiFont* GetFont(int sizeDip, bool bold);
void ClearFontCache();

}  // namespace UIE

// The shared UI font family, the cache of GDI+ fonts built from it, and text measurement.
//
// Start-up chooses the face ("微软雅黑", else "宋体", else GDI+'s generic sans-serif) and creates
// `uiFontFamily`; controls ask `GetFont` for a size in DIP and get a font built in device pixels,
// so text scales with the DPI exactly like geometry. Fonts are cached for the life of the process
// because every paint of every label asks for one; so are measured sizes. Shutdown empties the cache and then deletes
// the family, while GDI+ is still running. UI thread only.
#pragma once

#include <string>

#include "uie/core/UiGdiplus.h"
#include "uie/core/UiGeometry.h"

namespace UIE {

extern std::wstring uiFaceName;
extern UiFontFamilyPtr uiFontFamily;  // null before start-up and after shutdown

// Creates the shared family if there is none yet. Needs GDI+ started.
void ChooseUiFontFamily();
// Deletes the shared family (shutdown, after ClearFontCache).
void DeleteUiFontFamily();

// The cached font for (size, weight), or null when no family exists or allocation failed. A font
// whose creation failed stays cached with a null native handle.
UiFont* GetFont(int sizeDip, bool bold);
void ClearFontCache();

// Size in device pixels of one unwrapped line of `text` (its first `maxChars` characters when
// maxChars is 0 or more); (0, 0) without a text, a memory DC or a font. Results are remembered
// per DPI until ClearFontCache.
UiSize MeasureText(const wchar_t* text, int sizeDip, bool bold, int maxChars);
// The same measurement, not remembered: for text that changes on every key press, whose prefixes
// would fill the cache with long strings that are never asked for again.
UiSize MeasureTextOnce(const wchar_t* text, int sizeDip, bool bold, int maxChars);

}  // namespace UIE

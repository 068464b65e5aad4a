// Loading system code from the system folder only.
//
// A program is often started from a folder full of other downloads. Windows looks for a DLL that is
// not one of its KnownDLLs in the program's own folder first, so a file there named like a system
// DLL would run inside the installer. Start-up therefore narrows the process's default search to
// the system folder before anything loads a DLL, and every DLL loaded at run time is named by its
// full path in the system folder, which also holds on systems that cannot narrow the search.
#pragma once

#include <windows.h>

namespace base {

// Narrows the default DLL search of the whole process (later LoadLibrary calls of this program and
// of the system DLLs it uses) to the system folder. Called first thing in wWinMain. Returns false
// where SetDefaultDllDirectories is missing (Windows 7 without KB2533623); there only the current
// folder leaves the search.
bool RestrictDllSearchToSystem();

// Loads `name` (such as L"dwmapi.dll") from the system folder, its own dependencies too. Null on
// failure, with the system's error code set. The caller frees it.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace base

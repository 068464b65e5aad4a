// Reading one REG_SZ value the way the profile probes do: a missing key or value, another type or
// an oversized value all read as an empty string.
#pragma once

#include <windows.h>

#include <string>

namespace Engine {

// Reads into a buffer of `bufferBytes`; when `requireString` is false the value's type is not checked.
std::wstring ReadRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD bufferBytes = 1024,
                                bool requireString = true);
std::wstring ReadRegistryString(HKEY key, const wchar_t* name, DWORD bufferBytes, bool requireString);

}  // namespace Engine

// UTF-16 <-> UTF-8 through the system's UTF-8 code page. An empty or unconvertible input gives an
// empty result.
#pragma once

#include <string>

namespace Engine {

// Converts exactly `text.size()` code units: an embedded NUL is converted like any other.
std::string Utf16ToUtf8(const std::wstring& text);
// Converts exactly `text.size()` bytes.
std::wstring Utf8ToUtf16(const std::string& text);

}  // namespace Engine

// The small ASCII text rules that protocol text (HTTP headers, proxy lists and answers, hex
// thumbprints) is read with: case folding and blanks in the ASCII range only, whatever the locale,
// and plain decimal numbers. Pure: no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Engine {

char AsciiLower(char c);
std::string AsciiLowered(std::string text);
std::string AsciiUppered(std::string text);
// Without leading and trailing spaces, tabs, carriage returns and line feeds.
std::string TrimBlanks(const std::string& text);
// Digits only (no sign, no blanks), at most `maxDigits` of them (at most 18, so it cannot overflow).
bool ParseDigits(const std::string& text, std::size_t maxDigits, int64_t& value);

}  // namespace Engine

#include "engine/PackageRules.h"

#include <algorithm>

#include "engine/AsciiText.h"

namespace Engine {

// ---------------------------------------------------------------------------------------------
// Extraction
// ---------------------------------------------------------------------------------------------

static bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

static wchar_t AsciiUpper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Windows maps these names to devices whatever folder they appear in and whatever extension
// follows ("sub\COM1.txt" is the serial port), so writing such an entry leaves the target.
bool IsWindowsDeviceName(const std::wstring& component) {
    std::wstring stem = component.substr(0, component.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (wchar_t& c : stem)
        c = AsciiUpper(c);
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" || stem == L"CONOUT$")
        return true;
    if (stem.size() != 4 || (stem.compare(0, 3, L"COM") != 0 && stem.compare(0, 3, L"LPT") != 0))
        return false;
    const wchar_t digit = stem[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\x00B9' || digit == L'\x00B2' || digit == L'\x00B3';
}

// Characters no Windows file name may hold; ":" is refused for the whole name before this.
static bool IsForbiddenNameChar(wchar_t c) {
    return c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

static bool IsSafeComponent(const std::wstring& component) {
    if (component.empty() || component == L".")
        return true;
    // Windows strips trailing dots and spaces, so ".. " would climb and "a." would be "a".
    if (component.back() == L'.' || component.back() == L' ')
        return false;
    for (wchar_t c : component) {
        if (IsForbiddenNameChar(c))
            return false;
    }
    return !IsWindowsDeviceName(component);
}

bool IsSafeEntryPath(const std::wstring& name) {
    if (name.empty() || IsSeparator(name.front()))
        return false;
    if (name.find(L':') != std::wstring::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        if (!IsSafeComponent(name.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

std::wstring ToBackslashes(std::wstring name) {
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

int ExtractProgressAfter(std::size_t index, std::size_t count) {
    if (count == 0)
        return 0;
    const std::uint64_t done = static_cast<std::uint64_t>(index) + 1;
    return static_cast<int>(kExtractProgressDone * done / count);
}

// ---------------------------------------------------------------------------------------------
// Verification
// ---------------------------------------------------------------------------------------------

std::wstring FormatFileVersion(std::uint32_t versionMs, std::uint32_t versionLs) {
    return std::to_wstring(versionMs >> 16) + L'.' + std::to_wstring(versionMs & 0xFFFF) + L'.' +
           std::to_wstring(versionLs >> 16) + L'.' + std::to_wstring(versionLs & 0xFFFF);
}

std::string ToLowerHex(const unsigned char* bytes, std::size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return hex;
}

bool ThumbprintMatches(const unsigned char* hash, std::size_t size, const std::string& pinned) {
    if (size != kSha1Size)
        return false;
    const std::string actual = ToLowerHex(hash, size);
    if (actual.size() != pinned.size())
        return false;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != AsciiLower(pinned[i]))
            return false;
    }
    return true;
}

}  // namespace Engine

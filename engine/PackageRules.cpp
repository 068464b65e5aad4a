#include "engine/PackageRules.h"

#include <algorithm>

namespace Engine {

// ---------------------------------------------------------------------------------------------
// Extraction
// ---------------------------------------------------------------------------------------------

static bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
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
        if (name.compare(start, end - start, L"..") == 0)
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

static char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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

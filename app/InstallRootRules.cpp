#include "app/InstallRootRules.h"

#include <cwchar>

namespace SetupUi {

namespace {

constexpr size_t kMaxPath = 260;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The names between separators from `start` on, or -1 when one is only dots and blanks (Windows
// would drop it or take it for "." or "..").
int CountFolderNames(const std::wstring& root, size_t start) {
    int names = 0;
    size_t begin = start;
    while (begin < root.size()) {
        size_t end = begin;
        while (end < root.size() && !IsSeparator(root[end]))
            ++end;
        if (end > begin) {
            if (root.find_first_not_of(L". ", begin) >= end)
                return -1;
            ++names;
        }
        begin = end + 1;
    }
    return names;
}

}  // namespace

void TrimInstallRoot(std::wstring& root) {
    while (!root.empty() && (root.back() == L' ' || (root.size() > 3 && IsSeparator(root.back()))))
        root.pop_back();
}

bool IsValidInstallRoot(const std::wstring& root) {
    if (root.size() < 4 || root.size() >= kMaxPath)
        return false;
    if (root.find(L"..") != std::wstring::npos)
        return false;
    if (IsAsciiLetter(root[0]) && root[1] == L':' && IsSeparator(root[2]))
        return CountFolderNames(root, 3) >= 1;
    if (root[0] != L'\\' || root[1] != L'\\' || IsSeparator(root[2]))
        return false;
    // "\\server\share": the server name comes right after the two backslashes.
    if (root[2] == L'?' && (root.size() == 3 || IsSeparator(root[3])))
        return false;
    return CountFolderNames(root, 2) >= 2;
}

std::wstring DriveRootOf(const std::wstring& path) {
    if (path.size() <= 2 || path[1] != L':')
        return {};
    return std::wstring(1, path[0]) + L":\\";
}

std::wstring DiskSpaceText(const uint64_t* freeBytes) {
    if (!freeBytes)
        return L"所需空间：150 MB     可用空间：--";
    wchar_t text[128];
    std::swprintf(text, 128, L"所需空间：150 MB     可用空间：%.1f GB", static_cast<double>(*freeBytes) / 1073741824.0);
    return text;
}

std::wstring PickedInstallRoot(const std::wstring& picked) {
    const bool driveRoot = picked.size() == 3 && picked[1] == L':' && picked[2] == L'\\';
    return driveRoot ? picked + L"Orbelin" : picked;
}

}  // namespace SetupUi

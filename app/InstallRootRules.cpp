#include "app/InstallRootRules.h"

#include <cwchar>

#include "engine/PackageRules.h"

namespace SetupUi {

namespace {

constexpr size_t kMaxPath = 260;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A character no Windows file name may hold. The colon of a drive ("C:") is let through by the
// caller, which knows where it may stand.
bool IsReservedInName(wchar_t c) {
    return c < 0x20 || std::wcschr(L"<>:\"|?*", c) != nullptr;
}

// A folder name Windows would not create as typed: it opens a device ("CON", "nul.txt"), or loses
// its trailing dot or blank, so "a." or "b " would become another folder or the parent itself.
bool IsUncreatableName(const std::wstring& name) {
    return Engine::IsWindowsDeviceName(name) || name.back() == L'.' || name.back() == L' ';
}

// The names between separators from `start` on, or -1 when one cannot be created as typed.
int CountFolderNames(const std::wstring& root, size_t start) {
    int names = 0;
    size_t begin = start;
    while (begin < root.size()) {
        size_t end = begin;
        while (end < root.size() && !IsSeparator(root[end]))
            ++end;
        if (end > begin) {
            if (IsUncreatableName(root.substr(begin, end - begin)))
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
    for (size_t i = 0; i < root.size(); ++i) {
        if (IsReservedInName(root[i]) && !(i == 1 && root[i] == L':'))
            return false;
    }
    if (IsAsciiLetter(root[0]) && root[1] == L':' && IsSeparator(root[2]))
        return CountFolderNames(root, 3) >= 1;
    if (root[0] != L'\\' || root[1] != L'\\' || IsSeparator(root[2]))
        return false;
    // "\\server\share": the server name comes right after the two backslashes ("?" and "." are
    // refused above as a reserved character and a name ending in a dot).
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

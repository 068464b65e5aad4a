#include "engine/PathHelpers.h"

#include <windows.h>
#include <shlobj.h>

namespace Engine {

bool EnsureDirectory(const std::wstring& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    // Below index 3 the separator belongs to a drive root ("C:\") or a leading "\", which is
    // never created.
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos && separator >= 3) {
        if (!EnsureDirectory(path.substr(0, separator)))
            return false;
    }
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring GetAppDataDir() {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buffer)))
        return std::wstring();
    std::wstring dir = std::wstring(buffer) + L"\\Orbelin";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

}  // namespace Engine

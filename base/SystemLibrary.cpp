#include "base/SystemLibrary.h"

#include <cwchar>

namespace base {

bool RestrictDllSearchToSystem() {
    // Looked up, not imported: Windows 7 without KB2533623 lacks it, and the import would stop the
    // installer from starting there at all.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                           GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                                     : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    // The program's own folder cannot leave the search without it; LoadSystemLibrary names full paths.
    SetDllDirectoryW(L"");
    return false;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryW(path, MAX_PATH);
    const size_t nameLength = std::wcslen(name);
    if (folderLength == 0 || folderLength + 1 + nameLength >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    path[folderLength] = L'\\';
    std::wmemcpy(path + folderLength + 1, name, nameLength + 1);
    // LOAD_LIBRARY_SEARCH_SYSTEM32 keeps the DLL's own imports in the system folder too. A system
    // without KB2533623 refuses the flag; there the altered search order starts those imports in the
    // DLL's folder, the system folder, and never in the program's.
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

}  // namespace base

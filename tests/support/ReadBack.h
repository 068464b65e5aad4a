// Reads back what registration wrote, through the same system interfaces a user's shell uses: the
// shortcut through IShellLinkW, the uninstall entry's values with their types and byte lengths.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace TestSupport {

struct ShortcutInfo {
    bool loaded = false;
    std::wstring target;        // GetPath
    std::wstring idListTarget;  // the item ID list's path
    std::wstring workingDir, description, iconPath;
    int iconIndex = -1;
};
ShortcutInfo ReadShortcut(const std::wstring& path);

struct RegValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;

    std::wstring Text() const;  // every stored code unit, a terminating NUL included
    DWORD Dword() const;        // 0xFFFFFFFF unless exactly four bytes
    bool operator==(const RegValue& other) const {
        return present == other.present && type == other.type && bytes == other.bytes;
    }
};
// A value of the uninstall entry under HKEY_CURRENT_USER.
RegValue ReadUninstallValue(const wchar_t* name);
// Every value of the uninstall entry by name; empty if there is no entry.
std::map<std::wstring, RegValue> ReadUninstallEntry();

}  // namespace TestSupport

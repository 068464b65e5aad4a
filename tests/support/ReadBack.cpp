#include "support/ReadBack.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/ScopedWin.h"
#include "engine/SystemRegistration.h"

namespace TestSupport {

ShortcutInfo ReadShortcut(const std::wstring& path) {
    ShortcutInfo info;
    base::ComScope com;
    base::ComPtr<IShellLinkW> link;
    base::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return info;
    wchar_t buffer[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH)))
        info.target = buffer;
    PIDLIST_ABSOLUTE idList = nullptr;
    if (SUCCEEDED(link->GetIDList(&idList)) && idList) {
        if (SHGetPathFromIDListW(idList, buffer))
            info.idListTarget = buffer;
        CoTaskMemFree(idList);
    }
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH)))
        info.workingDir = buffer;
    if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH)))
        info.description = buffer;
    if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &info.iconIndex)))
        info.iconPath = buffer;
    info.loaded = true;
    return info;
}

std::wstring RegValue::Text() const {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

DWORD RegValue::Dword() const {
    return bytes.size() == 4 ? *reinterpret_cast<const DWORD*>(bytes.data()) : 0xFFFFFFFF;
}

RegValue ReadUninstallValue(const wchar_t* name) {
    RegValue value;
    base::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Engine::kUninstallKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    value.bytes.resize(size);
    value.present = RegQueryValueExW(key.Get(), name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
    return value;
}

std::map<std::wstring, RegValue> ReadUninstallEntry() {
    std::map<std::wstring, RegValue> values;
    base::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Engine::kUninstallKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];  // the longest value name the registry allows, and its NUL
        DWORD nameLength = 16384;
        if (RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        values[name] = ReadUninstallValue(name);
    }
    return values;
}

}  // namespace TestSupport

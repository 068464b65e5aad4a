#include "engine/SystemRegistration.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/ScopedWin.h"
#include "engine/InstallConstants.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"

namespace Engine {

namespace {

// The shell's link object. Written out rather than taken from libuuid, whose single object file
// of every known GUID would be linked in whole for it.
constexpr CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::wstring InDir(const std::wstring& installDir, const wchar_t* name) {
    return installDir + L"\\" + name;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// REG_SZ values are stored with their terminating NUL.
void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void SaveShellLink(IShellLinkW* link) {
    base::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(__uuidof(IPersistFile), file.PutVoid())))
        return;
    const std::wstring path = DesktopShortcutPath();
    if (!path.empty())
        file->Save(path.c_str(), TRUE);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Desktop shortcut
// ---------------------------------------------------------------------------------------------

std::wstring DesktopShortcutPath() {
    wchar_t desktop[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop)))
        return std::wstring();
    return JoinPath(desktop, std::wstring(kProductDisplayName) + L".lnk");
}

void CreateDesktopShortcut(const std::wstring& installDir) {
    // A thread where COM already runs counts as initialised too; either way it is balanced.
    base::ComScope com(COINIT_APARTMENTTHREADED);
    base::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW), link.PutVoid())))
        return;
    const std::wstring target = InDir(installDir, kMainExeName);
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(installDir.c_str());
    link->SetDescription(kProductDisplayName);
    link->SetIconLocation(target.c_str(), 0);
    SaveShellLink(link.Get());
}

// ---------------------------------------------------------------------------------------------
// Uninstall entry
// ---------------------------------------------------------------------------------------------

void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion) {
    base::UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring installDir = JoinPath(installRoot, productVersion);
    SetString(key.Get(), L"DisplayName", kProductDisplayName);
    SetString(key.Get(), L"Publisher", kPublisherName);
    SetString(key.Get(), L"DisplayVersion", productVersion);
    SetString(key.Get(), L"InstallLocation", installRoot);
    SetString(key.Get(), L"DisplayIcon", Quoted(InDir(installDir, kMainExeName)));
    SetString(key.Get(), L"UninstallString", Quoted(InDir(installDir, kUninstallerName)));
    SetDword(key.Get(), L"EstimatedSize", static_cast<DWORD>(GetDirectorySize(installDir) >> 10));
    SetDword(key.Get(), L"NoModify", 1);
    SetDword(key.Get(), L"NoRepair", 1);
}

std::uint64_t GetDirectorySize(const std::wstring& dir) {
    std::uint64_t total = 0;
    WalkDirectory(dir, WalkOrder::FolderFirst, [&total](const WalkEntry& entry) {
        // A junction or link counts as nothing: followed, it could loop or reach another volume.
        if (!entry.directory && !entry.link)
            total += entry.size;
        return WalkStep::Continue;
    });
    return total;
}

// ---------------------------------------------------------------------------------------------
// Launch
// ---------------------------------------------------------------------------------------------

void LaunchProduct(HWND owner, const std::wstring& installDir) {
    const std::wstring target = InDir(installDir, kMainExeName);
    ShellExecuteW(owner, L"open", target.c_str(), nullptr, installDir.c_str(), SW_SHOWNORMAL);
}

}  // namespace Engine

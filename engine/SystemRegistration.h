// Makes an installed product visible to the user and the system, and starts it.
//
// The desktop shortcut and the per-user uninstall entry are written on the install worker thread
// after a verified installation; the launch runs on the UI thread from the finish page. None of
// these reports failure: a missing shortcut or entry never fails an installation. A second
// installation overwrites both, so they always name the last installed version.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace Engine {

inline constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbelin";
inline constexpr const wchar_t* kPublisherName = L"Tarvelle Software Co., Ltd.";

// The shortcut's file: the desktop folder, then the display name and ".lnk"; empty if the shell
// cannot name the desktop.
std::wstring DesktopShortcutPath();

// A shortcut to `installDir`\Orbelin.exe on the current user's desktop, started in `installDir`,
// with the product's description and the executable's first icon. Initialises COM for the call.
void CreateDesktopShortcut(const std::wstring& installDir);

// HKEY_CURRENT_USER\<kUninstallKey>: names the product, its version and publisher, the root the
// user chose, the quoted main executable (icon) and uninstaller, and the size of `installDir`.
void WriteUninstallEntry(const std::wstring& installRoot, const std::wstring& productVersion);

// Total bytes of all files below `dir`, sub-directories included; unreadable directories and
// junctions or symbolic links (never followed) add 0.
std::uint64_t GetDirectorySize(const std::wstring& dir);

// Opens `installDir`\Orbelin.exe with `installDir` as working directory; does not wait for it.
void LaunchProduct(HWND owner, const std::wstring& installDir);

}  // namespace Engine

// The rules for the installation folder the user typed or chose, and the disk-space line of the
// custom-directory page. Pure logic, no Windows header.
#pragma once

#include <cstdint>
#include <string>

namespace SetupUi {

// Drops trailing spaces, and trailing '\' and '/' while more than three characters remain (so
// "C:\" keeps its separator), in any order: "D:\Apps \ " becomes "D:\Apps", so no folder name
// ends in a blank. Trimming twice changes nothing more.
void TrimInstallRoot(std::wstring& root);

// A folder on a drive ("X:\…" or "X:/…", X a letter) or a network share ("\\server\share…"),
// shorter than MAX_PATH, not a drive root and without "..". Every name must be one Windows creates
// as typed: none of < > : " | ? * or a control character (the drive's colon aside), no device name
// in any component (CON, NUL, COM1, "aux.txt", …), and no component ending in a dot or a blank:
// Windows drops those, so "C:\." and "C:\ \" would be the drive root. "\\.\" and "\\?\" are
// not shares but the device and raw-path namespaces.
bool IsValidInstallRoot(const std::wstring& root);

// "X:\" for a path that starts with a drive letter, else empty.
std::wstring DriveRootOf(const std::wstring& path);

// The disk-space line; `freeBytes` is null when the free space is unknown.
std::wstring DiskSpaceText(const uint64_t* freeBytes);

// A folder picked in the dialog: a drive root gets the product's own folder below it.
std::wstring PickedInstallRoot(const std::wstring& picked);

}  // namespace SetupUi

// The rules for the installation folder the user typed or chose, and the disk-space line of the
// custom-directory page. Pure logic, no Windows header.
#pragma once

#include <cstdint>
#include <string>

namespace SetupUi {

// Drops trailing spaces, then trailing '\' and '/' while more than three characters remain
// (so "C:\" keeps its separator).
void TrimInstallRoot(std::wstring& root);

// A folder on a drive ("X:\…" or "X:/…") or a network share ("\\server\share"), shorter than
// MAX_PATH, not a drive root and without "..".
bool IsValidInstallRoot(const std::wstring& root);

// "X:\" for a path that starts with a drive letter, else empty.
std::wstring DriveRootOf(const std::wstring& path);

// The disk-space line; `freeBytes` is null when the free space is unknown.
std::wstring DiskSpaceText(const uint64_t* freeBytes);

// A folder picked in the dialog: a drive root gets the product's own folder below it.
std::wstring PickedInstallRoot(const std::wstring& picked);

}  // namespace SetupUi

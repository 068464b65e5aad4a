// Directory helpers shared by the pipeline, the profile and registration (worker or UI thread).
#pragma once

#include <string>

namespace Engine {

// Creates `path` and any missing parents. True if it exists as a directory afterwards.
bool EnsureDirectory(const std::wstring& path);

// Deletes `dir` and everything below it. A junction or symbolic link is removed itself, never
// followed, so a link planted in a folder cannot take the deletion elsewhere. True if `dir` is gone.
bool RemoveDirectoryTree(const std::wstring& dir);

// Puts the folder `staged` at `target` (a sibling on the same volume) by renaming. A folder already
// at `target` is first renamed to `retired` and deleted once the new one is in place; if either
// rename fails, `target` is left exactly as it was and the result is false.
bool ReplaceDirectory(const std::wstring& staged, const std::wstring& target, const std::wstring& retired);

// The roaming application-data folder + "\Orbelin", created if missing; empty if the shell
// cannot name the folder.
std::wstring GetAppDataDir();

}  // namespace Engine

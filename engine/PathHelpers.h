// Directory helpers shared by the pipeline, the profile and registration (worker or UI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Engine {

// One entry met by WalkDirectory.
struct WalkEntry {
    std::wstring path;      // the walk's root joined with `relative`
    std::wstring relative;  // below the root, backslash-separated
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    bool directory = false;
    bool link = false;  // a junction or symbolic link: reported, never entered
};

// FolderFirst reports a folder before what it holds (listings, checks); ContentsFirst reports it
// after (deletion, which needs a folder empty before it goes).
enum class WalkOrder { FolderFirst, ContentsFirst };

// What the visitor asks next. SkipFolder keeps the walk out of the folder just reported (FolderFirst
// only); Stop ends the walk.
enum class WalkStep { Continue, SkipFolder, Stop };

// Reports every entry below `dir` in listing order, without "." and "..", never following a link.
// A folder that cannot be listed is passed over and the walk goes on. True only if every folder was
// listed to its end and the visitor never stopped: a check built on a shorter walk has not seen
// everything.
bool WalkDirectory(const std::wstring& dir, WalkOrder order, const std::function<WalkStep(const WalkEntry&)>& visit);

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

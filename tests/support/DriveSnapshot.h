// What a piece of code wrote anywhere on a drive: every file and folder below a root, listed before
// and after, and compared. The hostile-archive tests walk the prefix's whole C: drive this way, so a
// name that escapes the target shows up wherever it lands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace TestSupport {

struct PathState {
    bool directory = false;
    // Files only: a folder's times change whenever something is added to it, which the listing of
    // its children already shows.
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    // The time of the last change of any kind; no program can set it, so a file rewritten with
    // its old size and write time still shows.
    std::uint64_t changeTime = 0;

    bool operator==(const PathState& other) const {
        return directory == other.directory && size == other.size && writeTime == other.writeTime &&
               changeTime == other.changeTime;
    }
    bool operator!=(const PathState& other) const { return !(*this == other); }
};

// Full path -> state, for everything below the root (the root itself is not listed). Links are
// listed but not followed.
using DriveSnapshot = std::map<std::wstring, PathState>;

// `root` is a folder or a drive root ("C:\").
DriveSnapshot TakeSnapshot(const std::wstring& root);

// The paths created, removed or (files) changed between two snapshots, in path order.
std::vector<std::wstring> ChangedPaths(const DriveSnapshot& before, const DriveSnapshot& after);

// `path` is `dir` or lies below it, without regard to case as the file system compares names.
bool IsWithin(const std::wstring& path, const std::wstring& dir);

// The drive root of an absolute path: "C:\" for "C:\users\...".
std::wstring DriveRootOf(const std::wstring& path);

// Makes `dir` the current directory until the scope ends, so that names resolved against the
// current directory or its drive land where a test looks.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::wstring& dir);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;
    bool Entered() const { return entered_; }

private:
    std::wstring previous_;
    bool entered_ = false;
};

}  // namespace TestSupport

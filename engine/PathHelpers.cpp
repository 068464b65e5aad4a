#include "engine/PathHelpers.h"

#include <windows.h>
#include <shlobj.h>

#include "base/ScopedWin.h"
#include "engine/InstallRules.h"

namespace Engine {

bool EnsureDirectory(const std::wstring& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;

    // Below index 3 the separator belongs to a drive root ("C:\") or a leading "\", which is
    // never created.
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos && separator >= 3) {
        if (!EnsureDirectory(path.substr(0, separator)))
            return false;
    }
    if (CreateDirectoryW(path.c_str(), nullptr))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

namespace {

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

WalkEntry EntryOf(const WIN32_FIND_DATAW& data, const std::wstring& dir, const std::wstring& relative) {
    WalkEntry entry;
    entry.path = JoinPath(dir, data.cFileName);
    entry.relative = relative.empty() ? std::wstring(data.cFileName) : relative + L'\\' + data.cFileName;
    entry.attributes = data.dwFileAttributes;
    entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.link = IsLink(data.dwFileAttributes);
    return entry;
}

struct Walk {
    WalkOrder order;
    const std::function<WalkStep(const WalkEntry&)>& visit;
    bool complete = true;
    bool stopped = false;

    // Reports one entry (and, for a folder, what it holds) in the walk's order.
    void Enter(const WalkEntry& entry) {
        const bool descend = entry.directory && !entry.link;
        if (order == WalkOrder::FolderFirst) {
            const WalkStep step = visit(entry);
            stopped = step == WalkStep::Stop;
            if (step == WalkStep::Continue && descend)
                List(entry.path, entry.relative);
            return;
        }
        if (descend)
            List(entry.path, entry.relative);
        if (!stopped)
            stopped = visit(entry) == WalkStep::Stop;
    }

    void List(const std::wstring& dir, const std::wstring& relative) {
        WIN32_FIND_DATAW data;
        base::UniqueFind find{FindFirstFileW(JoinPath(dir, L"*").c_str(), &data)};
        if (!find) {
            complete = false;
            return;
        }
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            Enter(EntryOf(data, dir, relative));
            if (stopped)
                return;
        } while (FindNextFileW(find.Get(), &data));
        // Read before the handle closes: anything but the normal end means entries went unseen.
        if (GetLastError() != ERROR_NO_MORE_FILES)
            complete = false;
    }
};

// Read-only files refuse DeleteFileW; the whole tree is going away anyway.
bool DeleteEntry(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryW(path.c_str()) != FALSE;
    return DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace

bool WalkDirectory(const std::wstring& dir, WalkOrder order, const std::function<WalkStep(const WalkEntry&)>& visit) {
    Walk walk{order, visit};
    walk.List(dir, std::wstring());
    return walk.complete && !walk.stopped;
}

bool RemoveDirectoryTree(const std::wstring& dir) {
    const DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(attributes))
        WalkDirectory(dir, WalkOrder::ContentsFirst, [](const WalkEntry& entry) {
            DeleteEntry(entry.path, entry.attributes);
            return WalkStep::Continue;
        });
    DeleteEntry(dir, attributes);
    return GetFileAttributesW(dir.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool ReplaceDirectory(const std::wstring& staged, const std::wstring& target, const std::wstring& retired) {
    // What an interrupted run left behind would block the renames below.
    if (!RemoveDirectoryTree(retired))
        return false;
    const bool hadTarget = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    // Fails while the installed product runs from `target`: its files are open.
    if (hadTarget && !MoveFileExW(target.c_str(), retired.c_str(), 0))
        return false;
    if (!MoveFileExW(staged.c_str(), target.c_str(), 0)) {
        if (hadTarget)
            MoveFileExW(retired.c_str(), target.c_str(), 0);
        return false;
    }
    RemoveDirectoryTree(retired);  // a leftover is removed by the next run
    return true;
}

std::wstring GetAppDataDir() {
    wchar_t buffer[MAX_PATH] = {};
    // An empty answer would make "\Orbelin" a folder at the top of the current drive.
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, buffer)) || !buffer[0])
        return std::wstring();
    std::wstring dir = std::wstring(buffer) + L"\\Orbelin";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

}  // namespace Engine

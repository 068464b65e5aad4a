#include "support/DriveSnapshot.h"

#include <algorithm>

#include "base/ScopedWin.h"

namespace TestSupport {

namespace {

std::uint64_t Ticks(const LARGE_INTEGER& time) {
    return static_cast<std::uint64_t>(time.QuadPart);
}

// A folder is read through its handle (FileIdBothDirectoryInfo) rather than FindFirstFileW: the
// entries then carry the change time, which WIN32_FIND_DATAW leaves out.
void Walk(const std::wstring& dir, DriveSnapshot& snapshot) {
    const std::wstring open = dir.size() == 2 ? dir + L'\\' : dir;  // "C:" alone is C:'s current folder
    base::UniqueFile handle{CreateFileW(open.c_str(), FILE_LIST_DIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (!handle)
        return;
    std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));  // the records are 8-byte aligned
    std::vector<std::wstring> folders;
    while (GetFileInformationByHandleEx(handle.Get(), FileIdBothDirectoryInfo, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(buffer[0])))) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            const std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                const std::wstring path = dir + L'\\' + name;
                PathState state;
                state.directory = (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                if (!state.directory) {
                    state.size = Ticks(info->EndOfFile);
                    state.writeTime = Ticks(info->LastWriteTime);
                    state.changeTime = Ticks(info->ChangeTime);
                }
                snapshot[path] = state;
                if (state.directory && !(info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    folders.push_back(path);
            }
            if (info->NextEntryOffset == 0)
                break;
            bytes += info->NextEntryOffset;
        }
    }
    handle.Reset();  // one open folder at a time, however deep the tree
    for (const std::wstring& folder : folders)
        Walk(folder, snapshot);
}

}  // namespace

DriveSnapshot TakeSnapshot(const std::wstring& root) {
    std::wstring dir = root;
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        dir.pop_back();
    DriveSnapshot snapshot;
    Walk(dir, snapshot);
    return snapshot;
}

std::vector<std::wstring> ChangedPaths(const DriveSnapshot& before, const DriveSnapshot& after) {
    std::vector<std::wstring> changed;
    for (const auto& [path, state] : after) {
        const auto old = before.find(path);
        if (old == before.end() || old->second != state)
            changed.push_back(path);
    }
    for (const auto& entry : before) {
        if (after.find(entry.first) == after.end())
            changed.push_back(entry.first);
    }
    std::sort(changed.begin(), changed.end());
    return changed;
}

bool IsWithin(const std::wstring& path, const std::wstring& dir) {
    if (path.size() < dir.size() || CompareStringOrdinal(path.c_str(), static_cast<int>(dir.size()), dir.c_str(),
                                                         static_cast<int>(dir.size()), TRUE) != CSTR_EQUAL)
        return false;
    return path.size() == dir.size() || dir.back() == L'\\' || path[dir.size()] == L'\\';
}

std::wstring DriveRootOf(const std::wstring& path) {
    return path.substr(0, 2) + L'\\';
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::wstring& dir) {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    previous_.resize(size);
    previous_.resize(GetCurrentDirectoryW(size, &previous_[0]));
    entered_ = SetCurrentDirectoryW(dir.c_str()) != FALSE;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    SetCurrentDirectoryW(previous_.c_str());
}

}  // namespace TestSupport

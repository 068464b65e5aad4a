#include "engine/FolderHolders.h"

#include <windows.h>
#include <restartmanager.h>

#include <algorithm>

#include "base/ScopedWin.h"
#include "engine/PathHelpers.h"

namespace Engine {

namespace {

std::vector<std::wstring> ListFiles(const std::wstring& dir) {
    std::vector<std::wstring> files;
    WalkDirectory(dir, WalkOrder::FolderFirst, [&files](const WalkEntry& entry) {
        // A link is not the product's: it is removed, never followed.
        if (!entry.directory && !entry.link)
            files.push_back(entry.path);
        return WalkStep::Continue;
    });
    return files;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

// The executable's file name, which the user recognises in the task manager; the Restart
// Manager's own description when the process cannot be asked.
std::wstring ProcessName(const RM_PROCESS_INFO& info) {
    base::UniqueHandle process{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info.Process.dwProcessId)};
    wchar_t image[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (process && QueryFullProcessImageNameW(process.Get(), 0, image, &length))
        return FileNameOf(std::wstring(image, length));
    return info.strAppName;
}

std::vector<std::wstring> ProcessesHolding(const std::vector<std::wstring>& files) {
    std::vector<std::wstring> names;
    base::RestartManagerSession session;
    if (!session.Started() || files.empty())
        return names;
    std::vector<LPCWSTR> paths;
    for (const std::wstring& file : files)
        paths.push_back(file.c_str());
    if (RmRegisterResources(session.Get(), static_cast<UINT>(paths.size()), paths.data(), 0, nullptr, 0, nullptr) !=
        ERROR_SUCCESS)
        return names;
    // The list can grow between the two calls; ask again while it does.
    std::vector<RM_PROCESS_INFO> infos;
    UINT needed = 0;
    DWORD reasons = 0;
    DWORD result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
        infos.resize(needed);
        UINT count = needed;
        result = RmGetList(session.Get(), &needed, &count, infos.empty() ? nullptr : infos.data(), &reasons);
        if (result == ERROR_SUCCESS)
            infos.resize(count);
    }
    if (result != ERROR_SUCCESS)
        return names;
    for (const RM_PROCESS_INFO& info : infos) {
        const std::wstring name = ProcessName(info);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

// Whoever opened the file without delete sharing keeps it, and its folder, from being moved.
bool OpenWithoutDeleteSharing(const std::wstring& file) {
    base::UniqueFile probe{CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

FolderHolders FindFolderHolders(const std::wstring& dir) {
    FolderHolders holders;
    const std::vector<std::wstring> files = ListFiles(dir);
    holders.processNames = ProcessesHolding(files);
    holders.held = !holders.processNames.empty() || std::any_of(files.begin(), files.end(), OpenWithoutDeleteSharing);
    return holders;
}

}  // namespace Engine

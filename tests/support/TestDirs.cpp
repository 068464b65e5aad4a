#include "support/TestDirs.h"

#include <windows.h>

#include <atomic>

#include "base/ScopedWin.h"
#include "engine/PathHelpers.h"

namespace TestSupport {

std::wstring MakeTempDir(const std::wstring& tag) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    for (;;) {
        std::wstring dir = std::wstring(temp) + L"orbtest-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(dir.c_str(), nullptr))
            return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::wstring();
    }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    base::UniqueFile file{CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)};
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    base::UniqueFile file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    std::string bytes;
    if (!file)
        return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

std::vector<std::wstring> ListDir(const std::wstring& dir) {
    std::vector<std::wstring> names;
    Engine::WalkDirectory(dir, Engine::WalkOrder::FolderFirst, [&names](const Engine::WalkEntry& entry) {
        names.push_back(entry.relative);
        return Engine::WalkStep::SkipFolder;
    });
    return names;
}

void RemoveTree(const std::wstring& path) {
    Engine::WalkDirectory(path, Engine::WalkOrder::ContentsFirst, [](const Engine::WalkEntry& entry) {
        if (entry.directory)
            RemoveDirectoryW(entry.path.c_str());
        else
            DeleteFileW(entry.path.c_str());
        return Engine::WalkStep::Continue;
    });
    RemoveDirectoryW(path.c_str());
}

std::wstring SmallTestDrive() {
    wchar_t drive[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"ORB_TEST_SMALL_DRIVE", drive, 8);
    if (length != 2 || drive[1] != L':')
        return std::wstring();
    return drive;
}

std::map<std::wstring, std::string> ReadTree(const std::wstring& dir) {
    std::map<std::wstring, std::string> files;
    Engine::WalkDirectory(dir, Engine::WalkOrder::FolderFirst, [&files](const Engine::WalkEntry& entry) {
        if (!entry.directory)
            files[entry.relative] = ReadFileBytes(entry.path);
        return Engine::WalkStep::Continue;
    });
    return files;
}

}  // namespace TestSupport

#include "support/TestDirs.h"

#include <windows.h>

#include <atomic>

#include "base/ScopedWin.h"

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
    WIN32_FIND_DATAW data;
    base::UniqueFind find{FindFirstFileW((dir + L"\\*").c_str(), &data)};
    if (!find)
        return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find.Get(), &data));
    return names;
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    base::UniqueFind find{FindFirstFileW((path + L"\\*").c_str(), &data)};
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    RemoveDirectoryW(path.c_str());
}

std::wstring SmallTestDrive() {
    wchar_t drive[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"ORB_TEST_SMALL_DRIVE", drive, 8);
    if (length != 2 || drive[1] != L':')
        return std::wstring();
    return drive;
}

namespace {

void ReadTreeInto(const std::wstring& dir, const std::wstring& prefix, std::map<std::wstring, std::string>& files) {
    for (const std::wstring& name : ListDir(dir)) {
        const std::wstring path = dir + L"\\" + name;
        if (IsDirectory(path))
            ReadTreeInto(path, prefix + name + L"\\", files);
        else
            files[prefix + name] = ReadFileBytes(path);
    }
}

}  // namespace

std::map<std::wstring, std::string> ReadTree(const std::wstring& dir) {
    std::map<std::wstring, std::string> files;
    ReadTreeInto(dir, std::wstring(), files);
    return files;
}

}  // namespace TestSupport

// Timing half of bench/extract (the script drives it under Wine):
//
//   extract_bench.exe extract ZIP DIR    ExtractPackage of ZIP into DIR
//   extract_bench.exe write SRC DIR      the files below SRC, loaded into memory first, written
//                                        into DIR by plain CreateFileW/WriteFile (no inflation)
//
// Prints one "key: value" line with the seconds taken.

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/ScopedWin.h"
#include "engine/BackgroundFileWriter.h"
#include "engine/ExtractPackage.h"
#include "engine/PathHelpers.h"

namespace {

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct FileImage {
    std::wstring relative;
    std::string bytes;
};

bool ReadAll(const std::wstring& path, std::string& bytes) {
    base::UniqueFile file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size))
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
}

bool LoadTree(const std::wstring& root, std::vector<FileImage>& files) {
    return Engine::WalkDirectory(root, Engine::WalkOrder::FolderFirst, [&files](const Engine::WalkEntry& entry) {
        if (entry.directory)
            return Engine::WalkStep::Continue;
        files.push_back({entry.relative, std::string()});
        return ReadAll(entry.path, files.back().bytes) ? Engine::WalkStep::Continue : Engine::WalkStep::Stop;
    });
}

// What ExtractPackage does per file, minus reading and inflating: make the parent, write the bytes.
bool WriteTree(const std::wstring& root, const std::vector<FileImage>& files) {
    for (const FileImage& image : files) {
        const std::wstring path = root + L"\\" + image.relative;
        Engine::EnsureDirectory(path.substr(0, path.find_last_of(L'\\')));
        base::UniqueFile file{Engine::CreateFreshFile(path)};
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.Get(), image.bytes.data(), static_cast<DWORD>(image.bytes.size()), &written, nullptr) ||
            written != image.bytes.size())
            return false;
    }
    return true;
}

int Extract(const std::wstring& zip, const std::wstring& dir) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ok = Engine::ExtractPackage(zip, dir, nullptr);
    QueryPerformanceCounter(&end);
    if (!ok) {
        std::fprintf(stderr, "ExtractPackage failed\n");
        return 1;
    }
    std::printf("extract_package_wine_seconds: %.3f\n", Seconds(start, end));
    return 0;
}

int Write(const std::wstring& source, const std::wstring& dir) {
    std::vector<FileImage> files;
    if (!LoadTree(source, files)) {
        std::fprintf(stderr, "cannot read the extracted tree\n");
        return 1;
    }
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool ok = Engine::EnsureDirectory(dir) && WriteTree(dir, files);
    QueryPerformanceCounter(&end);
    if (!ok) {
        std::fprintf(stderr, "plain writer failed\n");
        return 1;
    }
    std::printf("win32_writer_wine_seconds: %.3f\n", Seconds(start, end));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"extract")
        return Extract(argv[2], argv[3]);
    if (argc == 4 && std::wstring(argv[1]) == L"write")
        return Write(argv[2], argv[3]);
    std::fprintf(stderr, "usage: extract_bench.exe extract ZIP DIR | write SRC DIR\n");
    return 2;
}

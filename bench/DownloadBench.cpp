// Downloads one URL into one file with DownloadPackage; the bench/download script times it.
//   download_bench.exe URL FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "engine/DownloadPackage.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_bench URL FILE\n");
        return 2;
    }
    std::wstring message;
    const bool ok = Engine::DownloadPackage(argv[1], argv[2], nullptr, message, nullptr);
    if (!ok)
        std::fwprintf(stderr, L"download failed: %ls\n", message.c_str());
    return ok ? 0 : 1;
}

// Downloads one URL into one file with DownloadPackage; the bench/download script times it.
//   download_bench.exe URL FILE
// Prints, as "key: value" lines, the process's peak working set and how often and how long the
// progress callback ran. The callback posts a message to this thread, as the installer's posts
// one to its window: that is its real cost.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "engine/DownloadPackage.h"

namespace {

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_bench URL FILE\n");
        return 2;
    }
    long long callbacks = 0;
    LONGLONG callbackTicks = 0;
    auto progress = [&](int) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        ++callbacks;
        PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
        QueryPerformanceCounter(&end);
        callbackTicks += end.QuadPart - start.QuadPart;
    };
    std::wstring message;
    const bool ok = Engine::DownloadPackage(argv[1], argv[2], progress, message, [] { return false; });
    if (!ok) {
        std::fwprintf(stderr, L"download failed: %ls\n", message.c_str());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    std::printf("peak_working_set_mib: %.1f\n", static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0);
    std::printf("progress_callbacks: %lld\n", callbacks);
    std::printf("progress_callback_ms: %.3f\n", Milliseconds(callbackTicks));
    return 0;
}

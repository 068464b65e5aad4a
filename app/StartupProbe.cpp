#include "app/StartupProbe.h"

#include <windows.h>

#include <cstdio>

#include "base/ScopedWin.h"

namespace SetupUi {

namespace {

constexpr wchar_t kProbeVariable[] = L"ORB_STARTUP_PROBE";
// 100 ns ticks between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr unsigned long long kUnixEpochTicks = 116444736000000000ULL;

unsigned long long UnixMicroseconds(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return (ticks.QuadPart - kUnixEpochTicks) / 10;
}

}  // namespace

void WriteStartupProbe() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(kProbeVariable, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    // Whatever GDI still batches goes to the display before the clock is read.
    GdiFlush();
    FILETIME presented;
    GetSystemTimePreciseAsFileTime(&presented);
    FILETIME created;
    FILETIME unused[3];
    const bool haveCreated = GetProcessTimes(GetCurrentProcess(), &created, &unused[0], &unused[1], &unused[2]);
    char text[96];
    const int size = std::snprintf(text, sizeof(text), "created_unix_us: %llu\npresented_unix_us: %llu\n",
                                   haveCreated ? UnixMicroseconds(created) : 0ULL, UnixMicroseconds(presented));
    {
        base::UniqueFile file{
            CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
        DWORD written = 0;
        if (file && size > 0)
            WriteFile(file.Get(), text, static_cast<DWORD>(size), &written, nullptr);
    }
    // The measurement is over; nothing after the first frame is of interest.
    ExitProcess(0);
}

}  // namespace SetupUi

// Downloads one URL into one file with DownloadPackage; the bench/download script times it.
//   download_bench.exe URL FILE
//   download_bench.exe raw PORT PATH   reads the same body from 127.0.0.1:PORT with bare Winsock
//                                      recv calls into a buffer as large as DownloadPackage's
//                                      (2 MiB) and throws it away: the most any program can
//                                      receive under Wine on this machine
//   download_bench.exe raw PORT PATH FILE  ... and writes it to FILE with WriteFile
//   download_bench.exe polled PORT PATH FILE  ... on a non-blocking socket with select() around
//                                      every recv, as libcurl's transfer loop does
// Prints, as "key: value" lines, how long DownloadPackage took, the process's peak working set and
// how often and how long the progress callback ran. The callback posts a message to this thread,
// as the installer's posts one to its window: that is its real cost.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/ScopedWin.h"

#include "engine/BackgroundFileWriter.h"
#include "engine/DownloadPackage.h"

namespace {

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Waits until `s` can be read, at most `microseconds`; as libcurl's loop does with select().
bool Readable(SOCKET s, long microseconds) {
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(s, &readSet);
    timeval timeout{0, microseconds};
    return select(0, &readSet, nullptr, nullptr, &timeout) > 0;
}

// An HTTP/1.0 GET on a plain socket; prints how many recv calls the body took. `polled` receives
// the way libcurl does: a non-blocking socket, select() before the first read and after every one.
int RawReceive(int port, const std::wstring& path, const wchar_t* file, bool polled) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return 1;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
        return 1;
    const std::string request = "GET " + std::string(path.begin(), path.end()) + " HTTP/1.0\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    base::UniqueFile out;
    if (file)
        out.Reset(Engine::CreateFreshFile(file));
    u_long nonBlocking = 1;
    if (polled)
        ioctlsocket(s, FIONBIO, &nonBlocking);
    std::vector<char> buffer(2 * 1024 * 1024);
    long long calls = 0, bytes = 0;
    bool pending = false;
    for (;;) {
        if (polled && !pending && !Readable(s, 1000000))
            continue;
        const int got = recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (polled && got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
            pending = false;
            continue;
        }
        if (got <= 0)
            break;
        if (polled)
            pending = Readable(s, 0);
        ++calls;
        bytes += got;
        DWORD written = 0;
        if (out)
            WriteFile(out.Get(), buffer.data(), static_cast<DWORD>(got), &written, nullptr);
    }
    closesocket(s);
    WSACleanup();
    std::printf("raw_recv_calls: %lld\n", calls);
    std::printf("raw_bytes_per_recv: %lld\n", calls ? bytes / calls : 0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 4 && (std::wstring(argv[1]) == L"raw" || std::wstring(argv[1]) == L"polled"))
        return RawReceive(_wtoi(argv[2]), argv[3], argc >= 5 ? argv[4] : nullptr, std::wstring(argv[1]) == L"polled");
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
    LARGE_INTEGER started, finished;
    QueryPerformanceCounter(&started);
    const bool ok = Engine::DownloadPackage(argv[1], argv[2], progress, message, [] { return false; });
    QueryPerformanceCounter(&finished);
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
    std::printf("transfer_seconds: %.4f\n", Milliseconds(finished.QuadPart - started.QuadPart) / 1000.0);
    return 0;
}

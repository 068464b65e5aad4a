// Dispatching the calling thread's window messages in tests that drive real windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <thread>

namespace TestSupport {

// Dispatches whatever is queued now, without waiting.
inline void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Dispatches the calling thread's messages until `done` or the limit; false on the limit.
template <typename Predicate>
bool PumpUntil(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        PumpPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace TestSupport

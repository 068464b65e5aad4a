// The process's GDI+ session, owned by whoever draws: the application, a test, the benchmark.
//
// Construction starts GDI+ and chooses the shared UI font family; destruction empties the font
// cache and deletes the family, then stops GDI+. Everything else that keeps GDI+ objects must let
// go of them before the session ends: process-wide caches register a release hook, which every
// session runs before GDI+ stops. One session at a time; UI thread only.
#pragma once

#include <cstdint>
#include <functional>

namespace UIE {

class UiGdiplusSession {
public:
    UiGdiplusSession();
    ~UiGdiplusSession();
    UiGdiplusSession(const UiGdiplusSession&) = delete;
    UiGdiplusSession& operator=(const UiGdiplusSession&) = delete;

    bool Started() const { return token_ != 0; }

    // `release` drops GDI+ objects that live beyond one session (cached bitmaps). Hooks stay
    // registered for the process and run newest first at the end of every session.
    static void AddReleaseHook(std::function<void()> release);

private:
    uintptr_t token_ = 0;
};

}  // namespace UIE

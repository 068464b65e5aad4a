// The process's GDI+ session, owned by whoever draws: the application, a test, the benchmark.
//
// Construction starts GDI+ and chooses the shared UI font family; destruction empties the font
// cache and deletes the family, then stops GDI+. Everything else that keeps GDI+ objects must let
// go of them before the session ends. One session at a time; UI thread only.
#pragma once

#include <cstdint>

namespace UIE {

class UiGdiplusSession {
public:
    UiGdiplusSession();
    ~UiGdiplusSession();
    UiGdiplusSession(const UiGdiplusSession&) = delete;
    UiGdiplusSession& operator=(const UiGdiplusSession&) = delete;

    bool Started() const { return token_ != 0; }

private:
    uintptr_t token_ = 0;
};

}  // namespace UIE

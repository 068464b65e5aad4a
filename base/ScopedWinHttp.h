// Move-only owner for WinHTTP handles (sessions, connections, requests).
//
// Kept apart from ScopedWin.h because winhttp.h and wininet.h cannot be included together: only the
// files that talk to WinHTTP include this one. winhttp.dll is a deferred import (DeferredImport.h).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "base/ScopedWin.h"

namespace base {

struct WinHttpHandleTraits {
    using Value = HINTERNET;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::WinHttpCloseHandle(h); }
};
using UniqueWinHttp = Unique<WinHttpHandleTraits>;

}  // namespace base

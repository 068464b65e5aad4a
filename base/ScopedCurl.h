// Move-only owners for libcurl's easy handle and header list, and its global state.
//
// Kept apart from ScopedWin.h because libcurl's header pulls in winsock2.h, which must come before
// windows.h: include this header first in the few files that talk to libcurl.
#pragma once

#include <curl/curl.h>

#include "base/ScopedWin.h"

namespace base {

struct CurlEasyTraits {
    using Value = CURL*;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::curl_easy_cleanup(h); }
};
struct CurlListTraits {
    using Value = curl_slist*;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::curl_slist_free_all(h); }
};
using UniqueCurl = Unique<CurlEasyTraits>;
using UniqueCurlList = Unique<CurlListTraits>;

// libcurl's global state for one transfer: cleaned up only if initialisation succeeded.
class CurlGlobal {
public:
    CurlGlobal() : ok_(::curl_global_init(CURL_GLOBAL_WIN32) == CURLE_OK) {}
    ~CurlGlobal() {
        if (ok_)
            ::curl_global_cleanup();
    }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

}  // namespace base

// The libcurl options every transfer of the installer shares: the report and the download set
// them through this one function, so their TLS checks and allowed protocols cannot drift apart.
// Each transfer adds only its own URL, limits, redirect policy and callbacks.
#pragma once

#include <curl/curl.h>

namespace Engine {

// No signals (transfers run on a worker thread), the installer's User-Agent, full certificate and
// host name checks with best-effort revocation, and plain HTTP or HTTPS only, both for the first request and for any redirect
// the caller chooses to follow.
void SetCommonCurlOptions(CURL* curl);

}  // namespace Engine

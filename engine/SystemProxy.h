// The proxy the user's system settings choose for a URL, as WinHTTP- and WinINet-based programs
// honour it: the static per-scheme setting with its bypass list, or an auto-config script (an
// auto-config URL or WPAD discovery), asked once per URL within a bounded time and kept for the
// run. Proxy variables in the environment, where set, take precedence over all of it. Worker
// thread only. Discovery (WPAD, or fetching the script) holds callers for about three seconds at
// most in the whole run; its outcome, "nothing found" and "out of time" included, is kept for the
// run (for as long as the settings stay the same), so the report and the download never wait for
// it twice.
#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

#include "engine/ProxyRules.h"  // ProxyChoice

namespace Engine {

// The ways to reach `url`, to be tried in this order when a connection fails; never empty.
std::vector<ProxyChoice> ProxyChoicesFor(const std::wstring& url);

// Sets `choice` on a handle, with the logged-on user's Windows credentials (SSPI Negotiate or
// NTLM) for a proxy that asks for them.
void ApplyProxyChoice(CURL* curl, const ProxyChoice& choice);

// True when the last transfer on `curl` ended with the proxy's 407 (to a CONNECT or to a plain
// request): the proxy wants credentials the user's Windows logon did not satisfy.
bool ProxyRefusedCredentials(CURL* curl);

// The message when a proxy refuses the user's credentials (HTTP 407), naming the proxy.
std::wstring MsgProxyAuthFailed(const std::string& proxy);

}  // namespace Engine

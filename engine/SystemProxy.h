// The proxy the user's system settings choose for a URL, as WinHTTP- and WinINet-based programs
// honour it: the static per-scheme setting with its bypass list, or an auto-config script (an
// auto-config URL or WPAD discovery), asked once per URL within a bounded time and kept for the
// run. Proxy variables in the environment, where set, take precedence over all of it. Worker
// thread only.
#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

namespace Engine {

// One way to reach a server.
struct ProxyChoice {
    enum class Kind {
        kEnvironment,  // leave libcurl to the proxy variables of the environment
        kDirect,       // no proxy, whatever the environment says
        kProxy,        // through `proxy`
    };
    Kind kind = Kind::kDirect;
    std::string proxy;  // kProxy: libcurl's form, "http://host:port"
};

// The ways to reach `url`, to be tried in this order when a connection fails; never empty.
std::vector<ProxyChoice> ProxyChoicesFor(const std::wstring& url);

// Sets `choice` on a handle, with the logged-on user's Windows credentials (SSPI Negotiate or
// NTLM) for a proxy that asks for them.
void ApplyProxyChoice(CURL* curl, const ProxyChoice& choice);

// The message when a proxy refuses the user's credentials (HTTP 407), naming the proxy.
std::wstring MsgProxyAuthFailed(const std::string& proxy);

}  // namespace Engine

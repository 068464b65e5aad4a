// Pure rules of the proxy choice: what a URL is made of, which hosts are never proxied, how a
// Windows proxy list, its bypass list and a proxy auto-config (PAC) answer read, and when the
// environment's proxy variables decide instead of the system settings (as libcurl reads them).
// SystemProxy feeds these with what WinHTTP reports; nothing here touches the system.
// All text is UTF-8; host names compare case-insensitively.
#pragma once

#include <functional>
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

// The parts of a URL the proxy rules look at: scheme and host in lower case, the host without
// IPv6 brackets, and the port (the scheme's default when the URL names none).
struct ProxyTarget {
    std::string scheme;
    std::string host;
    int port = 0;
};

// False for text that is not "scheme://host[:port][/...]".
bool ParseProxyTarget(const std::string& url, ProxyTarget& target);

// localhost (and *.localhost), 127.0.0.0/8 and ::1: never sent to a proxy, as WinINet does.
bool IsLoopbackHost(const std::string& host);

// The choices a Windows proxy list gives a URL scheme, in order: "host:port" for every scheme,
// "http=host:port;https=host:port" per scheme (an entry for the scheme wins over the general ones),
// "DIRECT" where WinHTTP's answer lists it. A proxy without a port gets the scheme's default (80 for
// an HTTP proxy), not libcurl's 1080. Entries for other kinds (socks=, ftp=) are left out.
std::vector<ProxyChoice> ProxyChoicesFromList(const std::string& list, const std::string& scheme);

// True when the bypass list (entries separated by ';', ',' or blanks) names the target: "<local>"
// for host names without a dot, wildcards such as "*.corp.example" or "10.*", optionally with a
// scheme ("https://host") or a port ("host:8080") that must match too.
bool BypassListMatches(const std::string& bypassList, const ProxyTarget& target);

// A PAC answer ("PROXY a:1; HTTPS b:443; DIRECT") as choices in its order. PROXY and HTTP name an
// HTTP proxy, HTTPS a TLS one; SOCKS entries, blanks and anything unreadable are skipped. Never
// empty: an answer with nothing usable means DIRECT, as browsers read it.
std::vector<ProxyChoice> ParsePacAnswer(const std::string& answer);

// What the environment says about a target, read as libcurl reads it: "<scheme>_proxy" (the
// upper-case form too, except HTTP_PROXY), then all_proxy / ALL_PROXY; an empty value is unset.
// no_proxy (else NO_PROXY) exempts hosts from that proxy.
enum class EnvironmentProxy {
    kNone,    // no proxy variable applies: the system settings decide
    kProxy,   // a proxy variable applies and libcurl will use it
    kExempt,  // a proxy variable is set but no_proxy exempts this host: libcurl goes direct
};
using EnvironmentLookup = std::function<std::string(const char* name)>;
EnvironmentProxy EnvironmentProxyFor(const ProxyTarget& target, const EnvironmentLookup& lookup);

// libcurl's no_proxy match: "*" for every host, otherwise names separated by commas or blanks that
// match the host itself or any host below them (".corp.example" and "corp.example" alike), and
// IPv4 addresses or networks ("10.0.0.0/8") for address hosts.
bool NoProxyMatches(const std::string& noProxy, const std::string& host);

}  // namespace Engine

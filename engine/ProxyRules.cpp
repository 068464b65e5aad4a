#include "engine/ProxyRules.h"

#include <cstdint>

#include "engine/AsciiText.h"

namespace Engine {

namespace {

// ---------------------------------------------------------------------------------------------
// Text helpers
// ---------------------------------------------------------------------------------------------

// Splits at any of `separators`, dropping empty pieces.
std::vector<std::string> Split(const std::string& text, const std::string& separators) {
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : text) {
        if (separators.find(c) != std::string::npos) {
            if (!piece.empty())
                pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

// Case-insensitive match of `text` against `pattern`, where '*' stands for any run of characters.
bool WildcardMatches(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0, starAt = std::string::npos, resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = t;
        } else if (p < pattern.size() && AsciiLower(pattern[p]) == AsciiLower(text[t])) {
            ++p;
            ++t;
        } else if (starAt != std::string::npos) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// A decimal number of at most `maxDigits` digits; -1 for anything else.
int SmallNumber(const std::string& text, size_t maxDigits) {
    int64_t value = 0;
    return ParseDigits(text, maxDigits, value) ? static_cast<int>(value) : -1;
}

// An IPv6 address without the brackets a URL puts around it.
std::string Unbracketed(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

int DefaultPort(const std::string& scheme) {
    return scheme == "https" ? 443 : 80;
}

// "a.b.c.d" with four numbers up to 255, as a 32-bit value.
bool ParseIpv4(const std::string& text, uint32_t& address) {
    const std::vector<std::string> parts = Split(text, ".");
    if (parts.size() != 4 || text.front() == '.' || text.back() == '.' || text.find("..") != std::string::npos)
        return false;
    address = 0;
    for (const std::string& part : parts) {
        const int number = SmallNumber(part, 3);
        if (number < 0 || number > 255)
            return false;
        address = (address << 8) | static_cast<uint32_t>(number);
    }
    return true;
}

// Splits "host:port" (or "[v6]:port"); the port stays empty when there is none.
void SplitHostPort(const std::string& text, std::string& host, std::string& port) {
    host = text;
    port.clear();
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return;
        host = text.substr(0, close + 1);
        if (close + 1 < text.size() && text[close + 1] == ':')
            port = text.substr(close + 2);
        return;
    }
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos && text.find(':') == colon) {  // more than one: a bare IPv6 address
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
}

// A proxy entry ("host:port", "host", "http://host:port/") in libcurl's form; `kind` is the scheme
// spoken to the proxy when the entry names none. Empty for entries libcurl is not given.
std::string CurlProxy(std::string entry, const std::string& kind) {
    std::string scheme = kind;
    const size_t sep = entry.find("://");
    if (sep != std::string::npos) {
        scheme = AsciiLowered(entry.substr(0, sep));
        entry = entry.substr(sep + 3);
    }
    if (scheme != "http" && scheme != "https")
        return {};
    while (!entry.empty() && entry.back() == '/')
        entry.pop_back();
    std::string host, port;
    SplitHostPort(entry, host, port);
    if (host.empty() || host.find_first_of("/@ \t") != std::string::npos)
        return {};
    if (port.empty())
        port = std::to_string(DefaultPort(scheme));
    else if (SmallNumber(port, 5) < 0)
        return {};
    return scheme + "://" + host + ":" + port;
}

ProxyChoice Direct() {
    return ProxyChoice{};
}

ProxyChoice Through(const std::string& proxy) {
    ProxyChoice choice;
    choice.kind = ProxyChoice::Kind::kProxy;
    choice.proxy = proxy;
    return choice;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Targets
// ---------------------------------------------------------------------------------------------

bool ParseProxyTarget(const std::string& url, ProxyTarget& target) {
    const size_t sep = url.find("://");
    if (sep == std::string::npos || sep == 0)
        return false;
    target.scheme = AsciiLowered(url.substr(0, sep));
    std::string authority = url.substr(sep + 3, url.find_first_of("/?#", sep + 3) - (sep + 3));
    const size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority = authority.substr(at + 1);
    std::string host, port;
    SplitHostPort(authority, host, port);
    host = Unbracketed(host);
    const int number = port.empty() ? DefaultPort(target.scheme) : SmallNumber(port, 5);
    if (host.empty() || number < 0)
        return false;
    target.host = AsciiLowered(host);
    target.port = number;
    return true;
}

bool IsLoopbackHost(const std::string& host) {
    std::string name = AsciiLowered(host);
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name == "localhost" || WildcardMatches("*.localhost", name))
        return true;
    if (name == "::1" || name == "[::1]")
        return true;
    uint32_t address = 0;
    return ParseIpv4(name, address) && (address >> 24) == 127;
}

// ---------------------------------------------------------------------------------------------
// The system's static setting
// ---------------------------------------------------------------------------------------------

std::vector<ProxyChoice> ProxyChoicesFromList(const std::string& list, const std::string& scheme) {
    std::vector<ProxyChoice> forScheme;
    std::vector<ProxyChoice> general;
    for (const std::string& entry : Split(list, "; \t\r\n")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (AsciiLowered(entry) == "direct") {
                general.push_back(Direct());
            } else if (const std::string proxy = CurlProxy(entry, "http"); !proxy.empty()) {
                general.push_back(Through(proxy));
            }
            continue;
        }
        // "https=host:port" is the HTTP proxy that https URLs tunnel through, not a TLS proxy.
        if (AsciiLowered(entry.substr(0, equals)) != scheme)
            continue;
        if (const std::string proxy = CurlProxy(entry.substr(equals + 1), "http"); !proxy.empty())
            forScheme.push_back(Through(proxy));
    }
    return forScheme.empty() ? general : forScheme;
}

bool BypassListMatches(const std::string& bypassList, const ProxyTarget& target) {
    for (std::string entry : Split(bypassList, ";, \t\r\n")) {
        entry = AsciiLowered(entry);
        if (entry == "<local>") {
            if (target.host.find('.') == std::string::npos && target.host.find(':') == std::string::npos)
                return true;
            continue;
        }
        const size_t sep = entry.find("://");
        if (sep != std::string::npos) {
            if (entry.substr(0, sep) != target.scheme)
                continue;
            entry = entry.substr(sep + 3);
        }
        std::string host, port;
        SplitHostPort(entry, host, port);
        if (!port.empty() && SmallNumber(port, 5) != target.port)
            continue;
        if (WildcardMatches(Unbracketed(host), target.host))
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Auto-config answers
// ---------------------------------------------------------------------------------------------

std::vector<ProxyChoice> ParsePacAnswer(const std::string& answer) {
    std::vector<ProxyChoice> choices;
    for (const std::string& raw : Split(answer, ";")) {
        const std::string entry = TrimBlanks(raw);
        const size_t blank = entry.find_first_of(" \t");
        const std::string keyword = AsciiUppered(entry.substr(0, blank));
        const std::string rest = blank == std::string::npos ? std::string() : TrimBlanks(entry.substr(blank));
        if (keyword == "DIRECT" && rest.empty()) {
            choices.push_back(Direct());
            continue;
        }
        std::string kind;
        if (keyword == "PROXY" || keyword == "HTTP")
            kind = "http";
        else if (keyword == "HTTPS")
            kind = "https";
        // The entry is "host:port" alone: a scheme inside it would let the answer pick another kind.
        if (kind.empty() || rest.empty() || rest.find("://") != std::string::npos)
            continue;
        if (const std::string proxy = CurlProxy(rest, kind); !proxy.empty())
            choices.push_back(Through(proxy));
    }
    if (choices.empty())
        choices.push_back(Direct());
    return choices;
}

// ---------------------------------------------------------------------------------------------
// The environment
// ---------------------------------------------------------------------------------------------

EnvironmentProxy EnvironmentProxyFor(const ProxyTarget& target, const EnvironmentLookup& lookup) {
    const std::string name = target.scheme + "_proxy";
    std::string proxy = lookup(name.c_str());
    // libcurl never reads HTTP_PROXY: in a CGI program that name carries a request's "Proxy:" header.
    if (proxy.empty() && name != "http_proxy")
        proxy = lookup(AsciiUppered(name).c_str());
    if (proxy.empty())
        proxy = lookup("all_proxy");
    if (proxy.empty())
        proxy = lookup("ALL_PROXY");
    if (proxy.empty())
        return EnvironmentProxy::kNone;
    std::string noProxy = lookup("no_proxy");
    if (noProxy.empty())
        noProxy = lookup("NO_PROXY");
    return NoProxyMatches(noProxy, target.host) ? EnvironmentProxy::kExempt : EnvironmentProxy::kProxy;
}

bool NoProxyMatches(const std::string& noProxy, const std::string& host) {
    if (TrimBlanks(noProxy) == "*")
        return true;
    std::string name = Unbracketed(AsciiLowered(host));
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    uint32_t address = 0;
    const bool isAddress = ParseIpv4(name, address);
    for (std::string token : Split(noProxy, ", \t\r\n")) {
        token = AsciiLowered(token);
        if (isAddress) {
            const size_t slash = token.find('/');
            uint32_t network = 0;
            if (!ParseIpv4(token.substr(0, slash), network))
                continue;
            int bits = 32;
            if (slash != std::string::npos) {
                bits = SmallNumber(token.substr(slash + 1), 2);
                if (bits < 0 || bits > 32)
                    continue;
            }
            const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
            if ((address & mask) == (network & mask))
                return true;
            continue;
        }
        while (!token.empty() && token.front() == '.')
            token.erase(0, 1);
        if (!token.empty() && token.back() == '.')
            token.pop_back();
        if (token.empty() || token.size() > name.size())
            continue;
        if (token == name)
            return true;
        const size_t offset = name.size() - token.size();
        if (name.compare(offset, std::string::npos, token) == 0 && name[offset - 1] == '.')
            return true;
    }
    return false;
}

}  // namespace Engine

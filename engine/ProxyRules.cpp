#include "engine/ProxyRules.h"

#include <cstdint>

namespace Engine {

namespace {

// ---------------------------------------------------------------------------------------------
// Text helpers
// ---------------------------------------------------------------------------------------------

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLower(std::string text) {
    for (char& c : text)
        c = Lower(c);
    return text;
}

std::string ToUpper(std::string text) {
    for (char& c : text)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

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

bool AllDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Case-insensitive match of `text` against `pattern`, where '*' stands for any run of characters.
bool WildcardMatches(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0, starAt = std::string::npos, resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = t;
        } else if (p < pattern.size() && Lower(pattern[p]) == Lower(text[t])) {
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
    if (!AllDigits(text) || text.size() > maxDigits)
        return -1;
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
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
        scheme = ToLower(entry.substr(0, sep));
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
    target.scheme = ToLower(url.substr(0, sep));
    std::string authority = url.substr(sep + 3, url.find_first_of("/?#", sep + 3) - (sep + 3));
    const size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority = authority.substr(at + 1);
    std::string host, port;
    SplitHostPort(authority, host, port);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const int number = port.empty() ? DefaultPort(target.scheme) : SmallNumber(port, 5);
    if (host.empty() || number < 0)
        return false;
    target.host = ToLower(host);
    target.port = number;
    return true;
}

bool IsLoopbackHost(const std::string& host) {
    std::string name = ToLower(host);
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
            if (ToLower(entry) == "direct") {
                general.push_back(Direct());
            } else if (const std::string proxy = CurlProxy(entry, "http"); !proxy.empty()) {
                general.push_back(Through(proxy));
            }
            continue;
        }
        // "https=host:port" is the HTTP proxy that https URLs tunnel through, not a TLS proxy.
        if (ToLower(entry.substr(0, equals)) != scheme)
            continue;
        if (const std::string proxy = CurlProxy(entry.substr(equals + 1), "http"); !proxy.empty())
            forScheme.push_back(Through(proxy));
    }
    return forScheme.empty() ? general : forScheme;
}

bool BypassListMatches(const std::string& bypassList, const ProxyTarget& target) {
    for (std::string entry : Split(bypassList, ";, \t\r\n")) {
        entry = ToLower(entry);
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
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
        if (WildcardMatches(host, target.host))
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
        const std::string entry = Trim(raw);
        const size_t blank = entry.find_first_of(" \t");
        const std::string keyword = ToUpper(entry.substr(0, blank));
        const std::string rest = blank == std::string::npos ? std::string() : Trim(entry.substr(blank));
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
        proxy = lookup(ToUpper(name).c_str());
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
    if (Trim(noProxy) == "*")
        return true;
    std::string name = ToLower(host);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    uint32_t address = 0;
    const bool isAddress = ParseIpv4(name, address);
    for (std::string token : Split(noProxy, ", \t\r\n")) {
        token = ToLower(token);
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

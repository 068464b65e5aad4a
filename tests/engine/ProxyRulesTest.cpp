#include "engine/ProxyRules.h"

#include <gtest/gtest.h>

#include <map>

using namespace Engine;

namespace {

using Kind = ProxyChoice::Kind;

// Choices written compactly: "DIRECT" or the libcurl proxy URL.
std::vector<std::string> Describe(const std::vector<ProxyChoice>& choices) {
    std::vector<std::string> text;
    for (const ProxyChoice& choice : choices) {
        switch (choice.kind) {
            case Kind::kDirect:
                text.push_back("DIRECT");
                break;
            case Kind::kEnvironment:
                text.push_back("ENV");
                break;
            case Kind::kProxy:
                text.push_back(choice.proxy);
                break;
        }
    }
    return text;
}

ProxyTarget Target(const std::string& url) {
    ProxyTarget target;
    EXPECT_TRUE(ParseProxyTarget(url, target)) << url;
    return target;
}

}  // namespace

TEST(ProxyRulesTest, ParsesTargets) {
    struct Case {
        const char* url;
        const char* scheme;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"http://Example.COM/x", "http", "example.com", 80},
        {"HTTPS://example.com", "https", "example.com", 443},
        {"http://user:pw@host.corp:8080/p?q", "http", "host.corp", 8080},
        {"http://[::1]:9/x", "http", "::1", 9},
        {"https://10.1.2.3#frag", "https", "10.1.2.3", 443},
    };
    for (const Case& c : cases) {
        const ProxyTarget target = Target(c.url);
        EXPECT_EQ(target.scheme, c.scheme) << c.url;
        EXPECT_EQ(target.host, c.host) << c.url;
        EXPECT_EQ(target.port, c.port) << c.url;
    }
    ProxyTarget target;
    for (const char* bad : {"", "example.com", "://x", "http://", "http://host:port/", "http://host:123456/"})
        EXPECT_FALSE(ParseProxyTarget(bad, target)) << bad;
}

TEST(ProxyRulesTest, LoopbackIsNeverProxied) {
    const std::pair<const char*, bool> cases[] = {
        {"localhost", true},    {"LOCALHOST", true},     {"localhost.", true},   {"app.localhost", true},
        {"127.0.0.1", true},    {"127.255.3.4", true},   {"::1", true},          {"[::1]", true},
        {"128.0.0.1", false},   {"127.0.0", false},      {"127.0.0.256", false}, {"localhost.corp", false},
        {"mylocalhost", false}, {"127.example", false},  {"::2", false},         {"", false},
    };
    for (const auto& [host, loopback] : cases)
        EXPECT_EQ(IsLoopbackHost(host), loopback) << host;
}

TEST(ProxyRulesTest, StaticListsPerScheme) {
    struct Case {
        const char* list;
        const char* scheme;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"proxy.corp:8080", "http", {"http://proxy.corp:8080"}},
        {"proxy.corp:8080", "https", {"http://proxy.corp:8080"}},
        {"proxy.corp", "https", {"http://proxy.corp:80"}},  // WinINet's default port, not libcurl's 1080
        {"http=web:3128;https=secure:3129", "http", {"http://web:3128"}},
        {"http=web:3128;https=secure:3129", "https", {"http://secure:3129"}},
        {"HTTP=web:3128 HTTPS=secure:3129", "https", {"http://secure:3129"}},
        {"http=web:3128", "https", {}},                             // nothing for https: direct
        {"ftp=f:21;socks=s:1080", "http", {}},                      // other kinds are not ours
        {"all:1;https=secure:3129", "http", {"http://all:1"}},      // the general entry for the rest
        {"all:1;https=secure:3129", "https", {"http://secure:3129"}},
        {"http://web:3128/", "http", {"http://web:3128"}},
        {"https://tls.corp:8443", "http", {"https://tls.corp:8443"}},
        {"socks5://s:1080", "http", {}},
        {"a:1;b:2;DIRECT", "http", {"http://a:1", "http://b:2", "DIRECT"}},  // WinHTTP's answer form
        {"[fd00::1]:3128", "http", {"http://[fd00::1]:3128"}},
        {"bad:port;good:3", "http", {"http://good:3"}},
        {"", "http", {}},
        {" ; ;", "http", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(ProxyChoicesFromList(c.list, c.scheme)), c.expected) << c.list << " for " << c.scheme;
}

TEST(ProxyRulesTest, BypassList) {
    struct Case {
        const char* bypass;
        const char* url;
        bool bypassed;
    };
    const Case cases[] = {
        {"<local>", "http://intranet/x", true},
        {"<local>", "http://intranet.corp/x", false},
        {"<local>", "http://10.0.0.1/x", false},
        {"*.corp.example", "http://build.corp.example/", true},
        {"*.corp.example", "http://BUILD.Corp.Example/", true},
        {"*.corp.example", "http://corp.example/", false},
        {"*.corp.example", "http://corp.example.evil/", false},
        {"10.*", "http://10.1.2.3/", true},
        {"10.*", "http://110.1.2.3/", false},
        {"exact.host", "http://exact.host:8080/", true},
        {"exact.host", "http://sub.exact.host/", false},
        {"*internal*", "https://my-internal-site.com/", true},
        {"host.corp:8080", "http://host.corp:8080/", true},
        {"host.corp:8080", "http://host.corp/", false},
        {"host.corp:99999999999", "http://host.corp/", false},
        {"https://secure.corp", "https://secure.corp/", true},
        {"https://secure.corp", "http://secure.corp/", false},
        {"a.corp; <local>, *.b.corp  c.corp", "http://x.b.corp/", true},
        {"a.corp; <local>, *.b.corp  c.corp", "http://c.corp/", true},
        {"a.corp; <local>, *.b.corp  c.corp", "http://d.corp/", false},
        {"", "http://anything/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BypassListMatches(c.bypass, Target(c.url)), c.bypassed) << c.bypass << " / " << c.url;
}

TEST(ProxyRulesTest, PacAnswersKeepTheirOrder) {
    struct Case {
        const char* answer;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"PROXY a:1; PROXY b:2; DIRECT", {"http://a:1", "http://b:2", "DIRECT"}},
        {"DIRECT; PROXY a:1", {"DIRECT", "http://a:1"}},
        {"HTTPS tls.corp:443; PROXY plain:8080", {"https://tls.corp:443", "http://plain:8080"}},
        {"HTTP a:1", {"http://a:1"}},
        {"proxy a:1;direct", {"http://a:1", "DIRECT"}},  // keywords in any case
        {"  PROXY   a:1  ;;  ; PROXY b:2 ;", {"http://a:1", "http://b:2"}},
        {"PROXY a", {"http://a:80"}},
        {"HTTPS a", {"https://a:443"}},
        {"SOCKS s:1080; PROXY a:1", {"http://a:1"}},
        {"SOCKS5 s:1080", {"DIRECT"}},
        {"PROXY; PROXY a:1", {"http://a:1"}},            // a keyword without a proxy is junk
        {"PROXY a:1 b:2; PROXY c:3", {"http://c:3"}},    // two hosts in one entry is junk
        {"PROXY socks5://a:1; PROXY b:2", {"http://b:2"}},
        {"PROXY a:x; PROXY b:2", {"http://b:2"}},
        {"DIRECT please", {"DIRECT"}},                   // junk after DIRECT: nothing usable
        {"garbage", {"DIRECT"}},
        {"", {"DIRECT"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(ParsePacAnswer(c.answer)), c.expected) << c.answer;
}

TEST(ProxyRulesTest, EnvironmentTakesPrecedenceAsLibcurlReadsIt) {
    using Env = std::map<std::string, std::string>;
    struct Case {
        Env env;
        const char* url;
        EnvironmentProxy expected;
    };
    const Case cases[] = {
        {{}, "http://h.example/", EnvironmentProxy::kNone},
        {{{"http_proxy", "http://p:1"}}, "http://h.example/", EnvironmentProxy::kProxy},
        {{{"HTTP_PROXY", "http://p:1"}}, "http://h.example/", EnvironmentProxy::kNone},  // never read
        {{{"http_proxy", "http://p:1"}}, "https://h.example/", EnvironmentProxy::kNone},
        {{{"https_proxy", "http://p:1"}}, "https://h.example/", EnvironmentProxy::kProxy},
        {{{"HTTPS_PROXY", "http://p:1"}}, "https://h.example/", EnvironmentProxy::kProxy},
        {{{"ALL_PROXY", "http://p:1"}}, "http://h.example/", EnvironmentProxy::kProxy},
        {{{"all_proxy", "http://p:1"}}, "https://h.example/", EnvironmentProxy::kProxy},
        {{{"http_proxy", ""}}, "http://h.example/", EnvironmentProxy::kNone},
        {{{"http_proxy", "p:1"}, {"no_proxy", "h.example"}}, "http://h.example/", EnvironmentProxy::kExempt},
        {{{"http_proxy", "p:1"}, {"NO_PROXY", "example"}}, "http://h.example/", EnvironmentProxy::kExempt},
        {{{"http_proxy", "p:1"}, {"no_proxy", "x.example"}, {"NO_PROXY", "*"}}, "http://h.example/",
         EnvironmentProxy::kProxy},  // no_proxy wins over NO_PROXY
        {{{"no_proxy", "*"}}, "http://h.example/", EnvironmentProxy::kNone},  // exempts from nothing
    };
    for (const Case& c : cases) {
        const auto lookup = [&c](const char* name) {
            const auto found = c.env.find(name);
            return found == c.env.end() ? std::string() : found->second;
        };
        EXPECT_EQ(EnvironmentProxyFor(Target(c.url), lookup), c.expected) << c.url << " (case " << &c - cases << ")";
    }
}

TEST(ProxyRulesTest, NoProxyMatchesAsLibcurl) {
    struct Case {
        const char* noProxy;
        const char* host;
        bool matches;
    };
    const Case cases[] = {
        {"*", "anything.example", true},
        {" * ", "anything.example", true},
        {"*.example", "a.example", false},  // no wildcards in libcurl, only "*" alone
        {"example.com", "example.com", true},
        {"example.com", "EXAMPLE.COM.", true},
        {"example.com", "www.example.com", true},
        {".example.com", "www.example.com", true},
        {".example.com", "example.com", true},
        {"example.com", "badexample.com", false},
        {"example.com", "example.com.evil", false},
        {"a.com, b.com c.com", "x.c.com", true},
        {"a.com,,b.com", "b.com", true},
        {"10.0.0.0/8", "10.200.3.4", true},
        {"10.0.0.0/8", "11.0.0.1", false},
        {"192.168.1.7", "192.168.1.7", true},
        {"192.168.1.7", "192.168.1.8", false},
        {"192.168.0.0/33", "192.168.0.1", false},
        {"example.com", "10.0.0.1", false},
        {"", "example.com", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NoProxyMatches(c.noProxy, c.host), c.matches) << c.noProxy << " / " << c.host;
}

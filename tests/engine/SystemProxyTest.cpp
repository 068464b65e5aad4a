// The system proxy under Wine: the user's Internet settings written to the prefix's real registry,
// read back through WinHTTP, and traffic carried by a private squid (tools/testproxy) to the test
// server. The test host name resolves only inside squid, so its access log and the Via header the
// server records prove the path a request took.
#include "base/ScopedCurl.h"

#include "engine/SystemProxy.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/CommonCurlOptions.h"
#include "engine/DownloadPackage.h"
#include "engine/SendDeviceReport.h"
#include "support/TestDirs.h"
#include "support/TestProxy.h"
#include "support/TestServer.h"

using namespace Engine;
using namespace TestSupport;

namespace {

const std::string kGoodAnswer =
    "{\"code\":0,\"msg\":\"ok\",\"data\":{\"main_url\":\"http://127.0.0.1:9/p.zip\",\"version\":\"2.0.1.7\","
    "\"token\":\"tok-7\"}}";

std::string Describe(const std::vector<ProxyChoice>& choices) {
    std::string text;
    for (const ProxyChoice& choice : choices) {
        if (!text.empty())
            text += "; ";
        switch (choice.kind) {
            case ProxyChoice::Kind::kEnvironment:
                text += "ENV";
                break;
            case ProxyChoice::Kind::kDirect:
                text += "DIRECT";
                break;
            case ProxyChoice::Kind::kProxy:
                text += choice.proxy;
                break;
        }
    }
    return text;
}

std::string ChoicesFor(const std::string& url) {
    return Describe(ProxyChoicesFor(std::wstring(url.begin(), url.end())));
}

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

class SystemProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << "the test server is not running";
        id_ = TestServer::NewId("proxy");
        // The environment would take precedence over everything under test here.
        for (const wchar_t* name : {L"http_proxy", L"https_proxy", L"all_proxy", L"no_proxy"})
            cleared_.push_back(std::make_unique<ScopedEnvironmentVariable>(name, nullptr));
    }

    // The report of this test's id, sent to the test host name.
    bool ReportViaTestHost() {
        EXPECT_TRUE(server_.SetReportAnswer(id_, 200, kGoodAnswer));
        DeviceReportResult result;
        return SendDeviceReportTo(OnProxyTestHost(server_.Url(id_, "api/device/report")), "{}", result, nullptr);
    }

    // Downloads `route` of this test's id from the test host, as the installer does; the bytes that
    // arrived, and the message of a failure.
    bool DownloadViaTestHost(const std::string& route, std::string& bytes, std::wstring& message) {
        const std::wstring dir = MakeTempDir(L"proxy-download");
        const std::wstring file = dir + L"\\orb1.tmp";
        EXPECT_TRUE(WriteFileBytes(file, ""));
        const std::string url = OnProxyTestHost(server_.Url(id_, route));
        const bool ok = DownloadPackage(std::wstring(url.begin(), url.end()), file, nullptr, message, nullptr);
        bytes = ReadFileBytes(file);
        RemoveTree(dir);
        return ok;
    }

    // The server saw this test's request, and it came through squid.
    void ExpectArrivedThroughSquid(const std::string& route) {
        const auto requests = server_.Requests(id_);
        ASSERT_FALSE(requests.empty()) << route << " never reached the server";
        EXPECT_NE(requests.back().Header("Via").find("orb-test-proxy"), std::string::npos) << route;
        EXPECT_TRUE(proxy_.AccessLogShows({"/t/" + id_ + "/" + route, "TCP_MISS/200"})) << proxy_.AccessLog();
    }

    const TestServer& server_ = TestServer::Get();
    const TestProxy& proxy_ = TestProxy::Get();
    std::string id_;
    std::vector<std::unique_ptr<ScopedEnvironmentVariable>> cleared_;
};

#define SKIP_WITHOUT_SQUID()                                                          \
    do {                                                                              \
        if (!proxy_.Running())                                                        \
            GTEST_SKIP() << "no test proxy: " << proxy_.WhyNotRunning();              \
    } while (0)

}  // namespace

// ---------------------------------------------------------------------------------------------
// The choice, from the real registry through WinHTTP
// ---------------------------------------------------------------------------------------------

TEST_F(SystemProxyTest, StaticSettingChoosesPerSchemeAndHonoursTheBypassList) {
    const ScopedInternetSettings settings(
        {false, "http=127.0.0.1:3128;https=127.0.0.1:3129", "<local>;*.corp.example;10.*", ""});
    ASSERT_TRUE(settings.Ok());
    const std::pair<const char*, const char*> cases[] = {
        {"http://orb-proxy-test.example/x", "http://127.0.0.1:3128"},
        {"https://orb-proxy-test.example/x", "http://127.0.0.1:3129"},
        {"http://intranet/x", "DIRECT"},
        {"http://BUILD.Corp.Example/x", "DIRECT"},
        {"http://10.20.30.40/x", "DIRECT"},
        {"http://corp.example/x", "http://127.0.0.1:3128"},
        {"http://127.0.0.1:9/x", "DIRECT"},  // loopback, bypassed without being listed
        {"http://localhost/x", "DIRECT"},
        {"http://[::1]:9/x", "DIRECT"},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(ChoicesFor(url), expected) << url;
}

TEST_F(SystemProxyTest, NoSettingMeansDirect) {
    const ScopedInternetSettings settings({false, "", "", ""});
    ASSERT_TRUE(settings.Ok());
    EXPECT_EQ(ChoicesFor("http://orb-proxy-test.example/x"), "DIRECT");
}

TEST_F(SystemProxyTest, EnvironmentTakesPrecedence) {
    const ScopedInternetSettings settings({false, "127.0.0.1:3128", "", ""});
    ASSERT_TRUE(settings.Ok());
    const ScopedEnvironmentVariable https(L"HTTPS_PROXY", L"http://127.0.0.1:1");
    EXPECT_EQ(ChoicesFor("https://orb-proxy-test.example/x"), "ENV");
    EXPECT_EQ(ChoicesFor("http://orb-proxy-test.example/x"), "http://127.0.0.1:3128");  // no http_proxy
    {
        const ScopedEnvironmentVariable noProxy(L"no_proxy", L".example");
        EXPECT_EQ(ChoicesFor("https://orb-proxy-test.example/x"), "DIRECT");
    }
}

// ---------------------------------------------------------------------------------------------
// Traffic through squid
// ---------------------------------------------------------------------------------------------

TEST_F(SystemProxyTest, ReportGoesThroughTheStaticProxy) {
    SKIP_WITHOUT_SQUID();
    const ScopedInternetSettings settings({false, LoopbackAddress(proxy_.OpenPort()), "<local>", ""});
    ASSERT_TRUE(settings.Ok());
    EXPECT_TRUE(ReportViaTestHost());
    ExpectArrivedThroughSquid("api/device/report");
}

TEST_F(SystemProxyTest, ReportTriesTheNextProxyWhenOneCannotBeReached) {
    SKIP_WITHOUT_SQUID();
    // Nothing listens on port 1: the connection is refused and the second proxy carries the report.
    const ScopedInternetSettings settings(
        {false, "127.0.0.1:1;" + LoopbackAddress(proxy_.OpenPort()), "", ""});
    ASSERT_TRUE(settings.Ok());
    EXPECT_TRUE(ReportViaTestHost());
    ExpectArrivedThroughSquid("api/device/report");
}

// Needs the download to take its proxy from ProxyChoicesFor (DownloadPackage.cpp).
TEST_F(SystemProxyTest, DownloadGoesThroughTheStaticProxy) {
    SKIP_WITHOUT_SQUID();
    const ScopedInternetSettings settings({false, LoopbackAddress(proxy_.OpenPort()), "", ""});
    ASSERT_TRUE(settings.Ok());
    std::string bytes;
    std::wstring message;
    EXPECT_TRUE(DownloadViaTestHost("len/4096", bytes, message));
    EXPECT_EQ(bytes.size(), 4096u);
    ExpectArrivedThroughSquid("len/4096");
}

TEST_F(SystemProxyTest, AutoConfigScriptSendsTheTrafficThroughTheProxy) {
    SKIP_WITHOUT_SQUID();
    const std::string proxyAddress = LoopbackAddress(proxy_.OpenPort());
    const ScopedInternetSettings settings({false, "", "", server_.Url(id_, "pac/" + proxyAddress)});
    ASSERT_TRUE(settings.Ok());
    // The script answers "PROXY <squid>; DIRECT". Windows hands back the whole list; Wine's
    // WinHttpGetProxyForUrl only its first entry, so the order is proven by the pure tests.
    const std::vector<ProxyChoice> choices = ProxyChoicesFor(L"http://orb-proxy-test.example/x");
    ASSERT_FALSE(choices.empty());
    EXPECT_EQ(Describe({choices.front()}), "http://" + proxyAddress);
    EXPECT_EQ(ChoicesFor("http://elsewhere.example/x"), "DIRECT");
    EXPECT_TRUE(ReportViaTestHost());
    ExpectArrivedThroughSquid("api/device/report");
}

TEST_F(SystemProxyTest, DiscoveryThatHangsIsWaitedForOnceAndTheStaticSettingApplies) {
    SKIP_WITHOUT_SQUID();
    // The script's server accepts and says nothing for longer than discovery may take.
    const ScopedInternetSettings settings(
        {false, LoopbackAddress(proxy_.OpenPort()), "", server_.Url(id_, "headerstall/30")});
    ASSERT_TRUE(settings.Ok());
    const std::string expected = "http://" + LoopbackAddress(proxy_.OpenPort());
    EXPECT_EQ(ChoicesFor("http://orb-proxy-test.example/first"), expected);
    EXPECT_EQ(ChoicesFor("http://orb-proxy-test.example/second"), expected);
    // "Out of time" is kept: the second URL did not start another fetch of the script.
    EXPECT_EQ(server_.Requests(id_).size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Proxies that ask for credentials
// ---------------------------------------------------------------------------------------------

TEST_F(SystemProxyTest, ProxyThatRefusesTheWindowsLogonIsRecognised) {
    SKIP_WITHOUT_SQUID();
    // squid's auth port wants Basic credentials, which the installer never sends: it offers only
    // the Windows logon (Negotiate, NTLM), so the proxy's 407 stands.
    const ScopedInternetSettings settings({false, LoopbackAddress(proxy_.AuthPort()), "", ""});
    ASSERT_TRUE(settings.Ok());
    for (const bool tls : {false, true}) {  // a plain request, and a CONNECT tunnel
        const std::string url = OnProxyTestHost(server_.Url(id_, "len/16", tls));
        const std::vector<ProxyChoice> choices = ProxyChoicesFor(std::wstring(url.begin(), url.end()));
        ASSERT_EQ(Describe(choices), "http://" + LoopbackAddress(proxy_.AuthPort()));
        base::UniqueCurl curl{curl_easy_init()};
        ASSERT_TRUE(curl);
        SetCommonCurlOptions(curl.Get());
        curl_easy_setopt(curl.Get(), CURLOPT_SSL_VERIFYPEER, 0L);  // the server's throwaway certificate
        curl_easy_setopt(curl.Get(), CURLOPT_SSL_VERIFYHOST, 0L);
        curl_easy_setopt(curl.Get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl.Get(), CURLOPT_WRITEFUNCTION, &Discard);
        curl_easy_setopt(curl.Get(), CURLOPT_TIMEOUT, 20L);
        ApplyProxyChoice(curl.Get(), choices.front());
        curl_easy_perform(curl.Get());
        EXPECT_TRUE(ProxyRefusedCredentials(curl.Get())) << url;
    }
    EXPECT_TRUE(proxy_.AccessLogShows({"TCP_DENIED/407", "/t/" + id_ + "/len/16"}));
    EXPECT_TRUE(proxy_.AccessLogShows({"TCP_DENIED/407", "CONNECT orb-proxy-test.example"}));
    EXPECT_TRUE(server_.Requests(id_).empty());

    // The report is forgiving: it simply fails.
    EXPECT_FALSE(ReportViaTestHost());
}

// Needs the download to take its proxy from ProxyChoicesFor (DownloadPackage.cpp).
TEST_F(SystemProxyTest, DownloadThroughARefusingProxyEndsWithTheProxyMessage) {
    SKIP_WITHOUT_SQUID();
    const std::string proxyAddress = LoopbackAddress(proxy_.AuthPort());
    const ScopedInternetSettings settings({false, proxyAddress, "", ""});
    ASSERT_TRUE(settings.Ok());
    std::string bytes;
    std::wstring message;
    EXPECT_FALSE(DownloadViaTestHost("len/16", bytes, message));
    EXPECT_EQ(message, MsgProxyAuthFailed("http://" + proxyAddress));
    EXPECT_NE(message.find(L"127.0.0.1:" + std::to_wstring(proxy_.AuthPort())), std::wstring::npos);
}

TEST_F(SystemProxyTest, WindowsLogonAnswersAnNtlmProxy) {
    SKIP_WITHOUT_SQUID();
    // Wine's NTLM package is Samba's ntlm_auth (winbind) behind SSPI; without it Wine has no NTLM at
    // all, and the logged-on user's credentials cannot be shown here.
    if (!Exists(L"Z:\\usr\\bin\\ntlm_auth"))
        GTEST_SKIP() << "Wine's SSPI has no NTLM here: Samba's ntlm_auth (package winbind) is not installed";
    const ScopedInternetSettings settings({false, LoopbackAddress(proxy_.NtlmPort()), "", ""});
    ASSERT_TRUE(settings.Ok());
    EXPECT_TRUE(ReportViaTestHost());
    ExpectArrivedThroughSquid("api/device/report");
}

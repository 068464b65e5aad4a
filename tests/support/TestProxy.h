// The proxy tests' side of the private squid (tools/testproxy) and of the user's Internet settings
// in the prefix's registry.
//
// squid listens on three loopback ports (open, Basic authentication, NTLM) and resolves only the
// test host name, which the installer itself cannot resolve: a request for that name that reaches
// the test server went through squid. Its access log lies beside the fixture's info file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

// The name squid maps to 127.0.0.1; tests request it instead of 127.0.0.1, which is never proxied.
constexpr const char* kProxyTestHost = "orb-proxy-test.example";

class TestProxy {
public:
    // The proxy of this ctest run (its info file is named by ORB_TEST_PROXY).
    static const TestProxy& Get();
    bool Running() const { return openPort_ > 0; }
    const std::string& WhyNotRunning() const { return whyNot_; }

    int OpenPort() const { return openPort_; }
    int AuthPort() const { return authPort_; }
    int NtlmPort() const { return ntlmPort_; }

    // Waits (a few seconds at most) until a line of the access log contains all of `parts`.
    bool AccessLogShows(const std::vector<std::string>& parts) const;
    std::string AccessLog() const;

private:
    int openPort_ = 0;
    int authPort_ = 0;
    int ntlmPort_ = 0;
    std::string whyNot_;
    std::wstring accessLog_;
};

// "127.0.0.1:PORT"
std::string LoopbackAddress(int port);

// A test server URL ("http://127.0.0.1:PORT/...") with the test host name in place of the address.
std::string OnProxyTestHost(const std::string& url);

// The current user's Internet Options as WinHTTP (and Wine's WinHTTP) read them: the binary value
// DefaultConnectionSettings under HKCU\Software\Microsoft\Windows\CurrentVersion\Internet
// Settings\Connections.
struct InternetSettings {
    bool autoDetect = false;
    std::string proxy;          // the static proxy list; empty: none
    std::string bypass;         // its bypass list
    std::string autoConfigUrl;  // empty: none
};

// Writes the settings for one test and puts back what was there before (or removes the value).
class ScopedInternetSettings {
public:
    explicit ScopedInternetSettings(const InternetSettings& settings);
    ~ScopedInternetSettings();
    ScopedInternetSettings(const ScopedInternetSettings&) = delete;
    ScopedInternetSettings& operator=(const ScopedInternetSettings&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
    bool hadValue_ = false;
    std::vector<BYTE> previous_;
};

// Sets an environment variable of this process for one test, and restores it.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    bool hadValue_ = false;
    std::wstring previous_;
};

}  // namespace TestSupport

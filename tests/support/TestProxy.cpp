#include "support/TestProxy.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/ScopedWin.h"

namespace TestSupport {

namespace {

const wchar_t kConnectionsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
const wchar_t kConnectionSettings[] = L"DefaultConnectionSettings";

// The layout WinINet writes and WinHTTP reads: version, change counter, flags, then three counted
// strings (proxy list, bypass list, auto-config URL); Windows appends more that nobody here reads.
constexpr DWORD kSettingsVersion = 0x46;
constexpr DWORD kFlagDirect = 0x1;
constexpr DWORD kFlagProxy = 0x2;
constexpr DWORD kFlagAutoConfigUrl = 0x4;
constexpr DWORD kFlagAutoDetect = 0x8;

void AppendDword(std::vector<BYTE>& blob, DWORD value) {
    for (int i = 0; i < 4; ++i)
        blob.push_back(static_cast<BYTE>(value >> (8 * i)));
}

void AppendCounted(std::vector<BYTE>& blob, const std::string& text) {
    AppendDword(blob, static_cast<DWORD>(text.size()));
    blob.insert(blob.end(), text.begin(), text.end());
}

std::vector<BYTE> SettingsBlob(const InternetSettings& settings) {
    DWORD flags = kFlagDirect;
    if (!settings.proxy.empty())
        flags |= kFlagProxy;
    if (!settings.autoConfigUrl.empty())
        flags |= kFlagAutoConfigUrl;
    if (settings.autoDetect)
        flags |= kFlagAutoDetect;
    std::vector<BYTE> blob;
    AppendDword(blob, kSettingsVersion);
    AppendDword(blob, 1);
    AppendDword(blob, flags);
    AppendCounted(blob, settings.proxy);
    AppendCounted(blob, settings.bypass);
    AppendCounted(blob, settings.autoConfigUrl);
    blob.resize(blob.size() + 32, 0);
    return blob;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The proxy
// ---------------------------------------------------------------------------------------------

const TestProxy& TestProxy::Get() {
    static const TestProxy proxy = [] {
        TestProxy p;
        const char* info = std::getenv("ORB_TEST_PROXY");
        if (!info) {
            p.whyNot_ = "ORB_TEST_PROXY is not set (the test runs outside ctest's proxy fixture)";
            return p;
        }
        const std::string path = info;
        p.accessLog_ = Widen(path.substr(0, path.find_last_of("/\\") + 1) + "access.log");
        char first[64] = {};
        if (FILE* f = std::fopen(info, "r")) {
            if (std::fscanf(f, "%63s", first) == 1 && std::string(first) == "none") {
                char reason[256] = {};
                std::fgets(reason, sizeof(reason), f);
                p.whyNot_ = reason;
            } else if (std::sscanf(first, "%d", &p.openPort_) != 1 ||
                       std::fscanf(f, "%d %d", &p.authPort_, &p.ntlmPort_) != 2) {
                p.openPort_ = 0;
                p.whyNot_ = "the proxy fixture's info file is unreadable";
            }
            std::fclose(f);
        } else {
            p.whyNot_ = "the proxy fixture did not start";
        }
        return p;
    }();
    return proxy;
}

std::string TestProxy::AccessLog() const {
    std::string text;
    if (FILE* f = _wfopen(accessLog_.c_str(), L"rb")) {
        char buffer[4096];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
            text.append(buffer, read);
        std::fclose(f);
    }
    return text;
}

bool TestProxy::AccessLogShows(const std::vector<std::string>& parts) const {
    // squid writes a line when the transaction ends, which can be just after the client has its
    // answer: the log is read again for a little while.
    for (int round = 0; round < 50; ++round) {
        const std::string log = AccessLog();
        size_t start = 0;
        while (start < log.size()) {
            size_t end = log.find('\n', start);
            if (end == std::string::npos)
                end = log.size();
            const std::string line = log.substr(start, end - start);
            bool all = true;
            for (const std::string& part : parts)
                all = all && line.find(part) != std::string::npos;
            if (all)
                return true;
            start = end + 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::string LoopbackAddress(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

std::string OnProxyTestHost(const std::string& url) {
    const std::string loopback = "://127.0.0.1:";
    const size_t at = url.find(loopback);
    if (at == std::string::npos)
        return url;
    return url.substr(0, at) + "://" + kProxyTestHost + ":" + url.substr(at + loopback.size());
}

// ---------------------------------------------------------------------------------------------
// Internet settings
// ---------------------------------------------------------------------------------------------

ScopedInternetSettings::ScopedInternetSettings(const InternetSettings& settings) {
    base::UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, key.Put(),
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), kConnectionSettings, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        previous_.resize(size);
        hadValue_ = RegQueryValueExW(key.Get(), kConnectionSettings, nullptr, nullptr, previous_.data(), &size) ==
                    ERROR_SUCCESS;
    }
    const std::vector<BYTE> blob = SettingsBlob(settings);
    ok_ = RegSetValueExW(key.Get(), kConnectionSettings, 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size())) ==
          ERROR_SUCCESS;
}

ScopedInternetSettings::~ScopedInternetSettings() {
    base::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, KEY_WRITE, key.Put()) != ERROR_SUCCESS)
        return;
    if (hadValue_)
        RegSetValueExW(key.Get(), kConnectionSettings, 0, REG_BINARY, previous_.data(),
                       static_cast<DWORD>(previous_.size()));
    else
        RegDeleteValueW(key.Get(), kConnectionSettings);
}

// ---------------------------------------------------------------------------------------------
// Environment
// ---------------------------------------------------------------------------------------------

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buffer[2048];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 2048);
    hadValue_ = length > 0 && length < 2048;
    if (hadValue_)
        previous_.assign(buffer, length);
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), hadValue_ ? previous_.c_str() : nullptr);
}

}  // namespace TestSupport

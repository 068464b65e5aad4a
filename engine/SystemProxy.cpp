#include "base/ScopedCurl.h"  // first: libcurl's winsock2.h must come before windows.h

#include "engine/SystemProxy.h"

#include <mutex>
#include <new>

#include "base/ScopedWinHttp.h"
#include "engine/TextConversion.h"

namespace Engine {

namespace {

// WPAD can hang for many seconds on a network without it; the installation never waits longer
// than this for discovery in the whole run (for one set of settings).
constexpr ULONGLONG kDiscoveryBudgetMs = 3000;

// ---------------------------------------------------------------------------------------------
// The user's settings
// ---------------------------------------------------------------------------------------------

struct SystemSettings {
    bool autoDetect = false;
    std::wstring autoConfigUrl;
    std::string proxy;   // the static list, "host:port" or "http=...;https=..."
    std::string bypass;  // its bypass list
};

std::string Narrow(const base::UniqueGlobalString& text) {
    return text ? Utf16ToUtf8(text.Get()) : std::string();
}

// What Internet Options say for the current user (under Wine: the Connections blob of HKCU, with
// auto-detect on when there is none).
SystemSettings ReadSystemSettings() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    SystemSettings settings;
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config))
        return settings;
    const base::UniqueGlobalString autoConfigUrl{config.lpszAutoConfigUrl};
    const base::UniqueGlobalString proxy{config.lpszProxy};
    const base::UniqueGlobalString bypass{config.lpszProxyBypass};
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = autoConfigUrl ? autoConfigUrl.Get() : L"";
    settings.proxy = Narrow(proxy);
    settings.bypass = Narrow(bypass);
    return settings;
}

bool WantsDiscovery(const SystemSettings& settings) {
    return settings.autoDetect || !settings.autoConfigUrl.empty();
}

// ---------------------------------------------------------------------------------------------
// Discovery on its own thread
// ---------------------------------------------------------------------------------------------

// One WinHttpGetProxyForUrl call, shared by the thread that makes it and the caller that waits for
// it; whichever lets go last frees it, so a caller that stops waiting simply leaves it behind.
struct DiscoveryJob {
    LONG owners = 2;
    base::UniqueHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::wstring url;
    SystemSettings settings;
    // Written by the thread before `finished` is set, read by the caller only after.
    bool answered = false;
    bool named = false;     // a proxy list came back (else: go direct)
    std::string proxyList;  // WinHTTP's list form, "host:port;host:port"
};

void LetGo(DiscoveryJob* job) {
    if (InterlockedDecrement(&job->owners) == 0)
        delete job;
}

DWORD WINAPI RunDiscovery(void* parameter) {
    auto* job = static_cast<DiscoveryJob*>(parameter);
    const base::UniqueWinHttp session{
        WinHttpOpen(L"OrbelinInstaller/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, 0)};
    if (session) {
        WINHTTP_AUTOPROXY_OPTIONS options{};
        if (job->settings.autoDetect) {
            options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        }
        if (!job->settings.autoConfigUrl.empty()) {
            options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
            options.lpszAutoConfigUrl = job->settings.autoConfigUrl.c_str();
        }
        options.fAutoLogonIfChallenged = TRUE;  // a script behind the office's own logon
        WINHTTP_PROXY_INFO info{};
        if (WinHttpGetProxyForUrl(session.Get(), job->url.c_str(), &options, &info)) {
            const base::UniqueGlobalString proxy{info.lpszProxy};
            const base::UniqueGlobalString bypass{info.lpszProxyBypass};
            job->answered = true;
            job->named = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && proxy;
            job->proxyList = Narrow(proxy);
        }
    }
    SetEvent(job->finished.Get());
    LetGo(job);
    return 0;
}

// Runs discovery for `url` and waits at most `limitMs`. False when it failed or ran out of time.
bool RunDiscoveryWithin(const std::wstring& url,
                        const SystemSettings& settings,
                        DWORD limitMs,
                        bool& named,
                        std::string& proxyList) {
    auto* job = new (std::nothrow) DiscoveryJob;
    if (!job)
        return false;
    if (!job->finished) {
        delete job;
        return false;
    }
    job->url = url;
    job->settings = settings;
    base::UniqueHandle thread{CreateThread(nullptr, 0, &RunDiscovery, job, 0, nullptr)};
    if (!thread) {
        delete job;
        return false;
    }
    const bool done = WaitForSingleObject(job->finished.Get(), limitMs) == WAIT_OBJECT_0;
    const bool answered = done && job->answered;
    if (answered) {
        named = job->named;
        proxyList = job->proxyList;
    }
    LetGo(job);
    return answered;
}

// What discovery has said under one set of settings; kept for the process.
struct DiscoveryMemory {
    std::mutex mutex;
    bool autoDetect = false;
    std::wstring autoConfigUrl;
    bool gaveUp = false;  // nothing found, a failure, or out of time: no more asking
    ULONGLONG waitedMs = 0;
    std::vector<std::pair<std::wstring, std::vector<ProxyChoice>>> answers;  // by URL
};

DiscoveryMemory& Memory() {
    static DiscoveryMemory memory;
    return memory;
}

// The auto-config answer for `url`, or false when there is none (the static setting applies).
bool DiscoverChoices(const std::wstring& url,
                     const ProxyTarget& target,
                     const SystemSettings& settings,
                     std::vector<ProxyChoice>& choices) {
    DiscoveryMemory& memory = Memory();
    const std::lock_guard<std::mutex> lock(memory.mutex);
    if (memory.autoDetect != settings.autoDetect || memory.autoConfigUrl != settings.autoConfigUrl) {
        memory.autoDetect = settings.autoDetect;
        memory.autoConfigUrl = settings.autoConfigUrl;
        memory.gaveUp = false;
        memory.waitedMs = 0;
        memory.answers.clear();
    }
    for (const auto& [knownUrl, knownChoices] : memory.answers) {
        if (knownUrl == url) {
            choices = knownChoices;
            return true;
        }
    }
    if (memory.gaveUp || memory.waitedMs >= kDiscoveryBudgetMs)
        return false;

    bool named = false;
    std::string proxyList;
    const ULONGLONG start = GetTickCount64();
    const bool answered = RunDiscoveryWithin(url, settings, static_cast<DWORD>(kDiscoveryBudgetMs - memory.waitedMs),
                                             named, proxyList);
    memory.waitedMs += GetTickCount64() - start;
    if (!answered) {
        memory.gaveUp = true;
        return false;
    }
    choices = named ? ProxyChoicesFromList(proxyList, target.scheme) : std::vector<ProxyChoice>();
    if (choices.empty())
        choices.push_back(ProxyChoice{});
    memory.answers.emplace_back(url, choices);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The environment
// ---------------------------------------------------------------------------------------------

// The variable as libcurl's getenv sees it on Windows (names compare case-insensitively there).
std::string EnvironmentValue(const char* name) {
    const std::wstring wide = Utf8ToUtf16(name);
    const DWORD needed = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(wide.c_str(), value.data(), needed);
    value.resize(length < needed ? length : 0);
    return Utf16ToUtf8(value);
}

ProxyChoice Only(ProxyChoice::Kind kind) {
    ProxyChoice choice;
    choice.kind = kind;
    return choice;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The choice
// ---------------------------------------------------------------------------------------------

std::vector<ProxyChoice> ProxyChoicesFor(const std::wstring& url) {
    ProxyTarget target;
    if (!ParseProxyTarget(Utf16ToUtf8(url), target))
        return {Only(ProxyChoice::Kind::kEnvironment)};  // libcurl will refuse the URL itself
    switch (EnvironmentProxyFor(target, &EnvironmentValue)) {
        case EnvironmentProxy::kProxy:
            return {Only(ProxyChoice::Kind::kEnvironment)};
        case EnvironmentProxy::kExempt:
            return {Only(ProxyChoice::Kind::kDirect)};
        case EnvironmentProxy::kNone:
            break;
    }
    if (IsLoopbackHost(target.host))
        return {Only(ProxyChoice::Kind::kDirect)};

    const SystemSettings settings = ReadSystemSettings();
    std::vector<ProxyChoice> choices;
    // As WinINet does, the static setting is the fallback when auto-configuration finds nothing.
    if (WantsDiscovery(settings) && DiscoverChoices(url, target, settings, choices))
        return choices;
    if (settings.proxy.empty() || BypassListMatches(settings.bypass, target))
        return {Only(ProxyChoice::Kind::kDirect)};
    choices = ProxyChoicesFromList(settings.proxy, target.scheme);
    if (choices.empty())
        choices.push_back(Only(ProxyChoice::Kind::kDirect));
    return choices;
}

void ApplyProxyChoice(CURL* curl, const ProxyChoice& choice) {
    // A handle may be given several choices in turn: each one clears what the one before set.
    curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, nullptr);
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl, CURLOPT_NOPROXY, nullptr);
    curl_easy_setopt(curl, CURLOPT_PROXY_SSL_OPTIONS, 0L);
    switch (choice.kind) {
        case ProxyChoice::Kind::kEnvironment:
            curl_easy_setopt(curl, CURLOPT_PROXY, nullptr);
            return;
        case ProxyChoice::Kind::kDirect:
            curl_easy_setopt(curl, CURLOPT_PROXY, "");
            return;
        case ProxyChoice::Kind::kProxy:
            curl_easy_setopt(curl, CURLOPT_PROXY, choice.proxy.c_str());
            // libcurl would still apply the environment's no_proxy to a proxy set here.
            curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
            // Empty user and password: SSPI answers with the logged-on user's own logon.
            curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_NEGOTIATE | CURLAUTH_NTLM));
            curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
            // Office proxies' certificates often name a revocation server only reachable inside.
            if (choice.proxy.compare(0, 8, "https://") == 0)
                curl_easy_setopt(curl, CURLOPT_PROXY_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
            return;
    }
}

bool ProxyRefusedCredentials(CURL* curl) {
    long connectCode = 0;
    long responseCode = 0;
    curl_easy_getinfo(curl, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &responseCode);
    return connectCode == 407 || responseCode == 407;
}

std::wstring MsgProxyAuthFailed(const std::string& proxy) {
    return L"代理服务器 " + Utf8ToUtf16(proxy) + L" 拒绝了当前 Windows 账户的身份验证，请检查代理设置或联系网络管理员。";
}

}  // namespace Engine

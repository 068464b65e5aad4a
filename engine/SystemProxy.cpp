#include "engine/SystemProxy.h"

#include "engine/TextConversion.h"

namespace Engine {

// Placeholder until the system settings are read: libcurl's own environment handling.
std::vector<ProxyChoice> ProxyChoicesFor(const std::wstring&) {
    ProxyChoice choice;
    choice.kind = ProxyChoice::Kind::kEnvironment;
    return {choice};
}

void ApplyProxyChoice(CURL* curl, const ProxyChoice& choice) {
    switch (choice.kind) {
        case ProxyChoice::Kind::kEnvironment:
            return;
        case ProxyChoice::Kind::kDirect:
            curl_easy_setopt(curl, CURLOPT_PROXY, "");
            return;
        case ProxyChoice::Kind::kProxy:
            curl_easy_setopt(curl, CURLOPT_PROXY, choice.proxy.c_str());
            return;
    }
}

std::wstring MsgProxyAuthFailed(const std::string& proxy) {
    return L"代理服务器 " + Utf8ToUtf16(proxy) + L" 拒绝了当前 Windows 账户的身份验证，请检查代理设置或联系网络管理员。";
}

}  // namespace Engine

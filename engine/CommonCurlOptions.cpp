#include "engine/CommonCurlOptions.h"

namespace Engine {

void SetCommonCurlOptions(CURL* curl) {
    constexpr long kWebOnly = CURLPROTO_HTTP | CURLPROTO_HTTPS;
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "OrbelinInstaller/1.0");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    // A revocation server that cannot be reached (an inspecting proxy in the way, a captive
    // network) no longer fails the connection; a certificate known to be revoked still does.
    // (ApplyProxyChoice sets the same for an HTTPS proxy.)
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS, kWebOnly);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, kWebOnly);
}

}  // namespace Engine

#include "engine/SendDeviceReport.h"

#include "base/ScopedCurl.h"

#include <algorithm>
#include <chrono>

#include "OrbBuildSettings.h"
#include "engine/CommonCurlOptions.h"
#include "engine/DeviceIdentity.h"
#include "engine/DeviceProfile.h"
#include "engine/ReportAnswer.h"
#include "engine/SystemProxy.h"
#include "engine/TextConversion.h"

namespace Engine {

namespace {

// An answer past the cap ends the transfer with a write error: the report then fails.
size_t CollectAnswer(char* data, size_t size, size_t count, void* userData) {
    try {
        auto* answer = static_cast<std::string*>(userData);
        const size_t length = size * count;
        if (answer->size() + length > kMaxReportAnswerBytes)
            return 0;
        answer->append(data, length);
        return length;
    } catch (...) {
        return 0;  // libcurl is C: nothing may unwind through it
    }
}

int ProbeAbort(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* abort = static_cast<const AbortCheck*>(userData);
    return (abort && *abort && (*abort)()) ? 1 : 0;
}

// The report's limits, for all the ways it tries together: the installation never waits longer.
constexpr std::chrono::milliseconds kReportConnectLimit{5000};
constexpr std::chrono::milliseconds kReportTotalLimit{8000};

// Performs the POST through one proxy choice, within what is left of the limits.
CURLcode PostReport(CURL* curl,
                    const ProxyChoice& choice,
                    std::chrono::milliseconds left,
                    const std::string& url,
                    const std::string& body,
                    curl_slist* headers,
                    std::string& answer,
                    const AbortCheck& abort) {
    SetCommonCurlOptions(curl);
    ApplyProxyChoice(curl, choice);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::min(kReportConnectLimit, left).count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CollectAnswer);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &ProbeAbort);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &abort);
    return curl_easy_perform(curl);
}

// The proxy (or the direct way) could not be reached at all: the next choice may do better. A
// proxy that answered, even with a refusal, is not passed over.
bool ShouldTryNextChoice(CURL* curl, CURLcode code) {
    if (ProxyRefusedCredentials(curl))
        return false;
    return code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_PROXY;
}

}  // namespace

std::string DeviceReportUrl() {
    return Utf16ToUtf8(ORB_API_BASE_URL) + "/device/report";
}

bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort) {
    return SendDeviceReportTo(DeviceReportUrl(), BuildDeviceProfile(), result, abort);
}

bool SendDeviceReportTo(const std::string& reportUrl,
                        const std::string& body,
                        DeviceReportResult& result,
                        const AbortCheck& abort) {
    base::CurlGlobal global;
    if (!global.Ok())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + kReportTotalLimit;
    base::UniqueCurlList headers{curl_slist_append(nullptr, "Content-Type: application/json")};
    const std::string token = LoadToken();
    if (CanSendTokenAsHeader(token)) {
        const std::string line = "X-Device-Token: " + token;
        if (curl_slist* grown = curl_slist_append(headers.Get(), line.c_str())) {
            headers.Release();  // the same list, now one entry longer
            headers.Reset(grown);
        }
    }
    std::string answer;
    bool completed = false;
    for (const ProxyChoice& choice : ProxyChoicesFor(Utf8ToUtf16(reportUrl))) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        base::UniqueCurl curl{curl_easy_init()};
        if (!curl)
            return false;
        answer.clear();
        const CURLcode code = PostReport(curl.Get(), choice, left, reportUrl, body, headers.Get(), answer, abort);
        completed = code == CURLE_OK;
        if (!ShouldTryNextChoice(curl.Get(), code))
            break;
    }
    if (!completed || !HasSuccessMarker(answer))
        return false;
    result.main_url = Utf8ToUtf16(ExtractJsonString(answer, "main_url"));
    result.version = Utf8ToUtf16(ExtractJsonString(answer, "version"));
    result.token = ExtractJsonString(answer, "token");
    return true;
}

}  // namespace Engine

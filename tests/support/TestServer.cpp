#include "base/ScopedCurl.h"

#include "support/TestServer.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace TestSupport {

namespace {

size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// One plain control request to the server; empty `post` means GET.
bool Control(const std::string& url, const std::string* post, std::string& answer) {
    base::UniqueCurl curl{curl_easy_init()};
    if (!curl)
        return false;
    curl_easy_setopt(curl.Get(), CURLOPT_URL, url.c_str());
    if (post) {
        curl_easy_setopt(curl.Get(), CURLOPT_POSTFIELDS, post->c_str());
        curl_easy_setopt(curl.Get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(post->size()));
    }
    curl_easy_setopt(curl.Get(), CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl.Get(), CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl.Get(), CURLOPT_TIMEOUT, 30L);
    long status = 0;
    const bool ok = curl_easy_perform(curl.Get()) == CURLE_OK;
    curl_easy_getinfo(curl.Get(), CURLINFO_RESPONSE_CODE, &status);
    return ok && status == 200;
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// A JSON string member value; the test's own header names and values need no more than this.
std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string JsonNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.3f", value);
    return text;
}

bool ReadLine(const std::string& data, size_t& at, std::string& line) {
    const size_t end = data.find('\n', at);
    if (end == std::string::npos)
        return false;
    line = data.substr(at, end - at);
    at = end + 1;
    return true;
}

}  // namespace

bool RecordedRequest::HasHeader(const std::string& name) const {
    for (const auto& header : headers)
        if (_stricmp(header.first.c_str(), name.c_str()) == 0)
            return true;
    return false;
}

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& header : headers)
        if (_stricmp(header.first.c_str(), name.c_str()) == 0)
            return header.second;
    return std::string();
}

const TestServer& TestServer::Get() {
    static const TestServer server = [] {
        TestServer s;
        curl_global_init(CURL_GLOBAL_WIN32);
        const char* info = std::getenv("ORB_TEST_SERVER");
        if (!info)
            return s;
        if (FILE* f = std::fopen(info, "r")) {
            if (std::fscanf(f, "%d %d", &s.httpPort_, &s.httpsPort_) != 2)
                s.httpPort_ = 0;
            std::fclose(f);
        }
        return s;
    }();
    return server;
}

std::string TestServer::NewId(const std::string& tag) {
    static std::atomic<int> counter{0};
    return tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

std::string TestServer::Url(const std::string& id, const std::string& route, bool tls) const {
    return std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(tls ? httpsPort_ : httpPort_) +
           "/t/" + id + "/" + route;
}

std::wstring TestServer::WideUrl(const std::string& id, const std::string& route, bool tls) const {
    const std::string url = Url(id, route, tls);
    return std::wstring(url.begin(), url.end());
}

bool TestServer::SetReportAnswer(const std::string& id, int status, const std::string& body,
                                 double delaySeconds) const {
    ReportAnswerConfig answer;
    answer.status = status;
    answer.body = body;
    answer.delaySeconds = delaySeconds;
    return SetReportAnswer(id, answer);
}

bool TestServer::SetReportAnswer(const std::string& id, const ReportAnswerConfig& answer) const {
    std::string headers;
    for (const auto& header : answer.headers)
        headers += (headers.empty() ? "[" : ",[") + JsonString(header.first) + "," + JsonString(header.second) + "]";
    std::string config = "{\"status\":" + std::to_string(answer.status) + ",\"body_hex\":\"" + Hex(answer.body) +
                         "\",\"delay\":" + JsonNumber(answer.delaySeconds) + ",\"headers\":[" + headers + "]" +
                         ",\"drip\":[" + std::to_string(answer.dripBytes) + "," + std::to_string(answer.dripGapMs) +
                         "],\"linger\":" + JsonNumber(answer.lingerSeconds);
    if (answer.announcedLength >= 0)
        config += ",\"announce\":" + std::to_string(answer.announcedLength);
    config += "}";
    std::string reply;
    return Control("http://127.0.0.1:" + std::to_string(httpPort_) + "/_answer/" + id, &config, reply);
}

std::vector<RecordedRequest> TestServer::Requests(const std::string& id) const {
    std::vector<RecordedRequest> requests;
    std::string data;
    if (!Control("http://127.0.0.1:" + std::to_string(httpPort_) + "/_requests/" + id, nullptr, data))
        return requests;
    size_t at = 0;
    std::string line;
    while (ReadLine(data, at, line)) {
        RecordedRequest request;
        const size_t space = line.find(' ');
        request.method = line.substr(0, space);
        request.path = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (!ReadLine(data, at, line))
            break;
        const int headerCount = std::atoi(line.c_str());
        for (int i = 0; i < headerCount && ReadLine(data, at, line); ++i) {
            const size_t colon = line.find(": ");
            request.headers.emplace_back(line.substr(0, colon),
                                         colon == std::string::npos ? std::string() : line.substr(colon + 2));
        }
        if (!ReadLine(data, at, line))
            break;
        const size_t bodyLength = static_cast<size_t>(std::atoll(line.c_str()));
        request.body = data.substr(at, bodyLength);
        at += bodyLength + 1;
        requests.push_back(std::move(request));
    }
    return requests;
}

}  // namespace TestSupport

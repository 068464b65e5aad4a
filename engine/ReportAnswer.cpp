#include "engine/ReportAnswer.h"

namespace Engine {

bool HasSuccessMarker(const std::string& body) {
    return body.find("\"code\":0") != std::string::npos;
}

std::string ExtractJsonString(const std::string& body, const std::string& key) {
    const std::string pattern = "\"" + key + "\":\"";
    const size_t found = body.find(pattern);
    if (found == std::string::npos)
        return std::string();
    const size_t start = found + pattern.size();
    // A backslash escapes the byte after it, another backslash included: "a\\" ends at its quote.
    size_t end = start;
    bool escaped = false;
    for (; end < body.size(); ++end) {
        if (body[end] == '"' && !escaped)
            break;
        escaped = body[end] == '\\' && !escaped;
    }
    return body.substr(start, end - start);
}

bool CanSendTokenAsHeader(const std::string& token) {
    if (token.empty())
        return false;
    for (char byte : token) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

}  // namespace Engine

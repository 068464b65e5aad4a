#include "engine/ProfileJson.h"

#include <cstdio>
#include <cstdlib>

namespace Engine {

void AppendJsonEscaped(std::string& out, const std::string& utf8) {
    for (unsigned char c : utf8) {
        switch (c) {
            case 0x08: out += "\\b"; break;
            case 0x09: out += "\\t"; break;
            case 0x0A: out += "\\n"; break;
            case 0x0C: out += "\\f"; break;
            case 0x0D: out += "\\r"; break;
            case 0x22: out += "\\\""; break;
            case 0x5C: out += "\\\\"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
}

void ProfileJsonWriter::Key(const char* key) {
    if (!first_)
        body_ += ',';
    first_ = false;
    body_ += '"';
    body_ += key;
    body_ += "\":";
}

void ProfileJsonWriter::String(const char* key, const std::string& utf8Value) {
    Key(key);
    body_ += '"';
    AppendJsonEscaped(body_, utf8Value);
    body_ += '"';
}

void ProfileJsonWriter::Number(const char* key, int32_t value) {
    Key(key);
    body_ += std::to_string(value);
}

std::string FormatUtcOffset(long biasMinutes) {
    const long offset = -biasMinutes;
    const long magnitude = std::labs(offset);
    char text[32];
    std::snprintf(text, sizeof(text), "UTC%c%02ld:%02ld", offset >= 0 ? '+' : '-', magnitude / 60, magnitude % 60);
    return text;
}

const char* ArchitectureName(unsigned architecture) {
    switch (architecture) {
        case 0: return "x86";
        case 5: return "arm";
        case 9: return "x64";
        default: return "unknown";
    }
}

std::string FormatDeviceId(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t data4[8]) {
    char text[40];
    std::snprintf(text, sizeof(text), "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned long>(data1), data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4],
                  data4[5], data4[6], data4[7]);
    return text;
}

std::string TokenAsProfileText(const std::string& token) {
    std::string text;
    text.reserve(token.size() * 2);
    for (char byte : token) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c < 0x80) {
            text += byte;
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

}  // namespace Engine

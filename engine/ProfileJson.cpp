#include "engine/ProfileJson.h"

#include <cstdio>
#include <cstdlib>

namespace Engine {

// The length of the well-formed UTF-8 sequence that starts at `text[at]` (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when the bytes there are not one.
static size_t Utf8SequenceLength(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[at + k]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

void AppendJsonEscaped(std::string& out, const std::string& utf8) {
    size_t at = 0;
    while (at < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[at]);
        if (c >= 0x80) {
            const size_t length = Utf8SequenceLength(utf8, at);
            if (length == 0) {
                out += "\xEF\xBF\xBD";  // U+FFFD for the stray byte; the next one starts afresh
                ++at;
            } else {
                out.append(utf8, at, length);
                at += length;
            }
            continue;
        }
        switch (c) {
            case 0x08:
                out += "\\b";
                break;
            case 0x09:
                out += "\\t";
                break;
            case 0x0A:
                out += "\\n";
                break;
            case 0x0C:
                out += "\\f";
                break;
            case 0x0D:
                out += "\\r";
                break;
            case 0x22:
                out += "\\\"";
                break;
            case 0x5C:
                out += "\\\\";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++at;
    }
}

void ProfileJsonWriter::Key(const char* key) {
    if (!first_)
        body_ += ',';
    first_ = false;
    body_ += '"';
    AppendJsonEscaped(body_, key);
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

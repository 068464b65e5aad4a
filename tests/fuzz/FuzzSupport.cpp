#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace Fuzz {

namespace {

const uint8_t* g_data = nullptr;
size_t g_size = 0;
InputDescriber g_describe = nullptr;

}  // namespace

void KeepInput(const uint8_t* data, size_t size, InputDescriber describe) {
    g_data = data;
    g_size = size;
    g_describe = describe;
}

void Fail(const char* what, const char* file, int line) {
    const std::string input = g_describe ? g_describe(g_data, g_size) : std::string();
    std::fprintf(stderr, "invariant violated at %s:%d: %s\ninput: %s\n", file, line, what, input.c_str());
    std::fflush(stderr);
    __builtin_trap();
}

std::wstring WideFromBytes(const uint8_t* data, size_t size) {
    static const wchar_t kOddUnits[16] = {
        0xFFFD,  // replacement character
        0x6B27,  // a CJK ideograph
        0xFF0E,  // full-width full stop
        0x2024,  // one dot leader
        0x00A0,  // no-break space
        0x3000,  // ideographic space
        0xFF3C,  // full-width reverse solidus
        0x2215,  // division slash
        0xD800,  // lone high surrogate
        0xDC00,  // lone low surrogate
        0x200B,  // zero-width space
        0xFEFF,  // byte order mark
        0x0130,  // capital I with dot above
        0x017F,  // long s
        0x212A,  // Kelvin sign
        0xFFFF,  // not a character
    };
    std::wstring text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i)
        text += data[i] >= 0xF0 ? kOddUnits[data[i] - 0xF0] : static_cast<wchar_t>(data[i]);
    return text;
}

std::string Printable(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out;
}

std::string PrintableBytes(const std::string& bytes) {
    std::string out;
    for (char byte : bytes) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c >= 0x20 && c < 0x7F) {
            out += byte;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02x", c);
            out += escaped;
        }
    }
    return out;
}

std::string DescribeAsWide(const uint8_t* data, size_t size) {
    return Printable(WideFromBytes(data, size));
}

// ---------------------------------------------------------------------------------------------
// Windows names and paths
// ---------------------------------------------------------------------------------------------

bool ModelIsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool ModelIsForbiddenNameChar(wchar_t c) {
    if (static_cast<uint32_t>(c) < 0x20)
        return true;
    switch (c) {
        case L'<':
        case L'>':
        case L':':
        case L'"':
        case L'|':
        case L'?':
        case L'*':
            return true;
        default:
            return false;
    }
}

// Windows takes the name up to the first "." or ":" with its trailing spaces removed, and
// compares it without regard to ASCII case with the reserved device names.
bool ModelIsDeviceName(const std::wstring& component) {
    size_t end = 0;
    while (end < component.size() && component[end] != L'.' && component[end] != L':')
        ++end;
    while (end > 0 && component[end - 1] == L' ')
        --end;
    if (end < 3 || end > 7)
        return false;
    wchar_t name[8] = {};
    for (size_t i = 0; i < end; ++i) {
        const wchar_t c = component[i];
        name[i] = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    }
    static const wchar_t* const kPlain[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kPlain) {
        // Lengths compared too: a NUL inside the name is a character here, not its end.
        if (std::wcslen(device) == end && std::wmemcmp(name, device, end) == 0)
            return true;
    }
    if (end != 4 || (std::wcsncmp(name, L"COM", 3) != 0 && std::wcsncmp(name, L"LPT", 3) != 0))
        return false;
    const wchar_t number = name[3];
    return (number >= L'1' && number <= L'9') || number == 0xB9 || number == 0xB2 || number == 0xB3;
}

std::wstring StripTrailingDotsAndSpaces(const std::wstring& component) {
    size_t end = component.size();
    while (end > 0 && (component[end - 1] == L'.' || component[end - 1] == L' '))
        --end;
    return component.substr(0, end);
}

ModelPath ResolveModel(const std::wstring& path, size_t fixed) {
    std::vector<std::wstring> raw(1);
    for (wchar_t c : path) {
        if (ModelIsSeparator(c))
            raw.emplace_back();
        else
            raw.back() += c;
    }
    ModelPath model;
    for (const std::wstring& component : raw) {
        if (model.components.size() < fixed) {
            if (!component.empty())
                model.components.push_back(component);
            continue;
        }
        if (component.empty() || component == L".")
            continue;
        if (component == L"..") {
            if (model.components.size() <= fixed)
                model.climbedOut = true;
            else
                model.components.pop_back();
            continue;
        }
        const std::wstring stripped = StripTrailingDotsAndSpaces(component);
        if (stripped != component)
            model.renamed = true;
        if (stripped.empty())
            model.strippedToNothing = true;
        else
            model.components.push_back(stripped);
    }
    return model;
}

// ---------------------------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------------------------

bool DecodeUtf8(const std::string& text, std::vector<uint32_t>* codePoints) {
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        uint32_t value;
        size_t extra;
        if (lead < 0x80) {
            value = lead;
            extra = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            value = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            value = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            value = lead & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (text.size() - i - 1 < extra)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const uint8_t next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        if (codePoints)
            codePoints->push_back(value);
        i += extra + 1;
    }
    return true;
}

bool IsUtf8(const std::string& text) {
    return DecodeUtf8(text, nullptr);
}

// ---------------------------------------------------------------------------------------------
// JSON
// ---------------------------------------------------------------------------------------------

namespace {

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

class JsonReader {
public:
    JsonReader(const std::string& text, JsonDocument& document) : text_(text), document_(document) {}

    bool Document() {
        Blanks();
        if (!Value(0))
            return false;
        Blanks();
        return at_ == text_.size();
    }

private:
    bool Eof() const { return at_ >= text_.size(); }
    char Peek() const { return text_[at_]; }

    void Blanks() {
        while (!Eof() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
            document_.hasWhitespace = true;
            ++at_;
        }
    }

    bool Literal(const char* word) {
        for (const char* p = word; *p; ++p) {
            if (Eof() || Peek() != *p)
                return false;
            ++at_;
        }
        return true;
    }

    bool Value(int depth) {
        if (depth > 64 || Eof())
            return false;
        switch (Peek()) {
            case '{':
                return Object(depth);
            case '[':
                return Array(depth);
            case '"': {
                std::string ignored;
                return String(ignored);
            }
            case 't':
                return Literal("true");
            case 'f':
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number();
        }
    }

    bool Object(int depth) {
        ++at_;  // {
        const bool top = depth == 0;
        if (top)
            document_.isObject = true;
        Blanks();
        if (!Eof() && Peek() == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            Blanks();
            JsonMember member;
            if (Eof() || Peek() != '"' || !String(member.key))
                return false;
            Blanks();
            if (Eof() || Peek() != ':')
                return false;
            ++at_;
            Blanks();
            if (Eof())
                return false;
            const size_t valueStart = at_;
            if (Peek() == '"') {
                member.isString = true;
                if (!String(member.value))
                    return false;
            } else {
                if (!Value(depth + 1))
                    return false;
                member.value = text_.substr(valueStart, at_ - valueStart);
            }
            if (top)
                document_.members.push_back(member);
            Blanks();
            if (Eof())
                return false;
            if (Peek() == '}') {
                ++at_;
                return true;
            }
            if (Peek() != ',')
                return false;
            ++at_;
        }
    }

    bool Array(int depth) {
        ++at_;  // [
        Blanks();
        if (!Eof() && Peek() == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            Blanks();
            if (!Value(depth + 1))
                return false;
            Blanks();
            if (Eof())
                return false;
            if (Peek() == ']') {
                ++at_;
                return true;
            }
            if (Peek() != ',')
                return false;
            ++at_;
        }
    }

    bool Digits() {
        const size_t start = at_;
        while (!Eof() && Peek() >= '0' && Peek() <= '9')
            ++at_;
        return at_ > start;
    }

    bool Number() {
        if (!Eof() && Peek() == '-')
            ++at_;
        if (Eof())
            return false;
        if (Peek() == '0') {
            ++at_;
        } else if (!Digits()) {
            return false;
        }
        if (!Eof() && Peek() == '.') {
            ++at_;
            if (!Digits())
                return false;
        }
        if (!Eof() && (Peek() == 'e' || Peek() == 'E')) {
            ++at_;
            if (!Eof() && (Peek() == '+' || Peek() == '-'))
                ++at_;
            if (!Digits())
                return false;
        }
        return true;
    }

    bool Hex4(uint32_t& value) {
        if (text_.size() - at_ < 4)
            return false;
        value = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text_[at_++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    // At the opening quote; decodes into `out` and stops after the closing quote.
    bool String(std::string& out) {
        ++at_;
        size_t rawStart = at_;
        for (;;) {
            if (Eof())
                return false;
            const unsigned char c = static_cast<unsigned char>(Peek());
            if (c == '"' || c == '\\') {
                const std::string raw = text_.substr(rawStart, at_ - rawStart);
                if (!IsUtf8(raw))
                    return false;
                out += raw;
                ++at_;
                if (c == '"')
                    return true;
                if (!Escape(out))
                    return false;
                rawStart = at_;
            } else if (c < 0x20) {
                return false;
            } else {
                ++at_;
            }
        }
    }

    // After the backslash.
    bool Escape(std::string& out) {
        if (Eof())
            return false;
        const char c = text_[at_++];
        switch (c) {
            case '"':
                out += '"';
                return true;
            case '\\':
                out += '\\';
                return true;
            case '/':
                out += '/';
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                break;
            default:
                return false;
        }
        uint32_t unit;
        if (!Hex4(unit))
            return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t low;
            if (text_.size() - at_ < 2 || text_[at_] != '\\' || text_[at_ + 1] != 'u')
                return false;
            at_ += 2;
            if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    const std::string& text_;
    JsonDocument& document_;
    size_t at_ = 0;
};

}  // namespace

bool ParseJson(const std::string& text, JsonDocument* document) {
    JsonDocument local;
    JsonDocument& target = document ? *document : local;
    target = JsonDocument();
    return JsonReader(text, target).Document();
}

}  // namespace Fuzz

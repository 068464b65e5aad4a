#include "engine/AsciiText.h"

namespace Engine {

namespace {
constexpr char kBlanks[] = " \t\r\n";
}  // namespace

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLowered(std::string text) {
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

std::string AsciiUppered(std::string text) {
    for (char& c : text)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool ParseDigits(const std::string& text, std::size_t maxDigits, int64_t& value) {
    if (text.empty() || text.size() > maxDigits || text.size() > 18)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace Engine

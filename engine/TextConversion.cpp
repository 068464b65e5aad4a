#include "engine/TextConversion.h"

#include <windows.h>

namespace Engine {

std::string Utf16ToUtf8(const std::wstring& text) {
    if (text.empty() || text.size() > 0x7FFFFFFF)
        return std::string();
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string out(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], needed, nullptr, nullptr) != needed)
        return std::string();
    return out;
}

std::wstring Utf8ToUtf16(const std::string& text) {
    if (text.empty() || text.size() > 0x7FFFFFFF)
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &out[0], needed) != needed)
        return std::wstring();
    return out;
}

}  // namespace Engine

#include "engine/RegistryRead.h"

#include <vector>

#include "base/ScopedWin.h"

namespace Engine {

std::wstring ReadRegistryString(HKEY key, const wchar_t* name, DWORD bufferBytes, bool requireString) {
    std::vector<wchar_t> buffer(bufferBytes / sizeof(wchar_t) + 1, L'\0');
    DWORD type = 0;
    DWORD size = bufferBytes;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return std::wstring();
    if (requireString && type != REG_SZ)
        return std::wstring();
    // The stored text need not be NUL-terminated; the extra element of the buffer guarantees an end.
    buffer[size / sizeof(wchar_t)] = L'\0';
    return std::wstring(buffer.data());
}

std::wstring ReadRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* name, DWORD bufferBytes,
                                bool requireString) {
    base::UniqueRegKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return std::wstring();
    return ReadRegistryString(key.Get(), name, bufferBytes, requireString);
}

}  // namespace Engine

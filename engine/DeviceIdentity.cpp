#include "engine/DeviceIdentity.h"

#include <windows.h>
#include <objbase.h>

#include "base/ScopedWin.h"
#include "engine/InstallConstants.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"
#include "engine/ProfileJson.h"
#include "engine/RegistryRead.h"
#include "engine/TextConversion.h"

namespace Engine {

namespace {

constexpr wchar_t kIdentityKey[] = L"SOFTWARE\\Orbelin";
constexpr wchar_t kDeviceIdValue[] = L"DeviceId";

std::wstring NewDeviceId() {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid)))
        return std::wstring();
    return Utf8ToUtf16(FormatDeviceId(guid.Data1, guid.Data2, guid.Data3, guid.Data4));
}

void StoreDeviceId(const std::wstring& id) {
    base::UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kIdentityKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    const DWORD bytes = static_cast<DWORD>((id.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key.Get(), kDeviceIdValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(id.c_str()), bytes);
}

}  // namespace

std::wstring GetOrCreateDeviceId() {
    const std::wstring stored = ReadRegistryString(HKEY_CURRENT_USER, kIdentityKey, kDeviceIdValue);
    if (!stored.empty())
        return stored;
    const std::wstring id = NewDeviceId();
    if (!id.empty())
        StoreDeviceId(id);
    return id;
}

std::string LoadToken() {
    const std::wstring dataDir = GetAppDataDir();
    if (dataDir.empty())
        return std::string();
    const std::wstring path = JoinPath(dataDir, kTokenFileName);
    base::UniqueFile file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
        return std::string();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 1 || size.QuadPart > kMaxTokenBytes)
        return std::string();
    std::string token(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.Get(), &token[0], static_cast<DWORD>(token.size()), &read, nullptr) || read != token.size())
        return std::string();
    return token;
}

void SaveToken(const std::wstring& path, const std::string& token) {
    // A bare file name is what an empty data folder gives: it would be written wherever the
    // current directory happens to be.
    if (path.find_last_of(L"\\/") == std::wstring::npos || token.empty())
        return;
    const std::wstring temp = path + L".tmp";
    base::UniqueFile file{
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
        return;
    DWORD written = 0;
    const bool complete = WriteFile(file.Get(), token.data(), static_cast<DWORD>(token.size()), &written, nullptr) &&
                          written == token.size();
    if (!complete) {
        file.Reset();
        DeleteFileW(temp.c_str());
        return;
    }
    FlushFileBuffers(file.Get());
    file.Reset();
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileW(temp.c_str());
}

}  // namespace Engine

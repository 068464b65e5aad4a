#include "engine/InstallRules.h"

#include "engine/InstallConstants.h"
#include "engine/PackageRules.h"

namespace Engine {

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty())
        return b;
    const wchar_t last = a.back();
    if (last == L'\\' || last == L'/')
        return a + b;
    return a + L'\\' + b;
}

static bool IsVersionChar(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'.' || c == L'_' ||
           c == L'-';
}

bool IsValidProductVersion(const std::wstring& version) {
    if (version.empty() || version.size() > kMaxVersionLength)
        return false;
    if (version.find(L"..") != std::wstring::npos || version.back() == L'.')
        return false;
    for (wchar_t c : version) {
        if (!IsVersionChar(c))
            return false;
    }
    return !IsWindowsDeviceName(version);
}

std::wstring StagingDirFor(const std::wstring& installDir) {
    return installDir + L"~new";
}

std::wstring RetiredDirFor(const std::wstring& installDir) {
    return installDir + L"~old";
}

std::wstring ProductRunningMessage(const std::vector<std::wstring>& processNames) {
    std::wstring names;
    for (const std::wstring& name : processNames) {
        if (!names.empty())
            names += L"、";
        names += name;
    }
    std::wstring message = std::wstring(kProductDisplayName) + L"正在运行";
    if (!names.empty())
        message += L"（" + names + L"）";
    return message + L"，请关闭后重试。";
}

}  // namespace Engine

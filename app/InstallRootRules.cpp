#include "app/InstallRootRules.h"

#include <cwchar>

namespace SetupUi {

namespace {
constexpr size_t kMaxPath = 260;
}

void TrimInstallRoot(std::wstring& root) {
    while (!root.empty() && root.back() == L' ')
        root.pop_back();
    while (root.size() > 3 && (root.back() == L'\\' || root.back() == L'/'))
        root.pop_back();
}

bool IsValidInstallRoot(const std::wstring& root) {
    if (root.size() < 4 || root.size() >= kMaxPath)
        return false;
    if (root.find(L"..") != std::wstring::npos)
        return false;
    const bool onDrive = root[1] == L':' && (root[2] == L'\\' || root[2] == L'/');
    const bool onShare = root.size() > 5 && root[0] == L'\\' && root[1] == L'\\';
    return onDrive || onShare;
}

std::wstring DriveRootOf(const std::wstring& path) {
    if (path.size() <= 2 || path[1] != L':')
        return {};
    return std::wstring(1, path[0]) + L":\\";
}

std::wstring DiskSpaceText(const uint64_t* freeBytes) {
    if (!freeBytes)
        return L"所需空间：150 MB     可用空间：--";
    wchar_t text[128];
    std::swprintf(text, 128, L"所需空间：150 MB     可用空间：%.1f GB", static_cast<double>(*freeBytes) / 1073741824.0);
    return text;
}

std::wstring PickedInstallRoot(const std::wstring& picked) {
    const bool driveRoot = picked.size() == 3 && picked[1] == L':' && picked[2] == L'\\';
    return driveRoot ? picked + L"Orbelin" : picked;
}

}  // namespace SetupUi

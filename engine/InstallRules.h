// Pure rules of the install pipeline: path joining, the version rule and the progress mapping.
//
// Nothing here touches the system, so the rules build and are tested natively as well as under
// Wine. Paths and versions are UTF-16 on Windows; the rules only look at ASCII code units.
#pragma once

#include <string>
#include <vector>

namespace Engine {

// `a` + "\" + `b`, without doubling a separator `a` already ends with. No normalisation.
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);

// A version names a directory under the installation root, so it must stay one plain path
// component that Windows keeps as written: 1..32 code units of [0-9A-Za-z._-], no "..", not
// ending in "." (Windows drops trailing dots, so "." would be the root itself and "1.0." would be
// "1.0") and not a device name ("NUL", "com1.2").
bool IsValidProductVersion(const std::wstring& version);

constexpr size_t kMaxVersionLength = 32;

// A package is unpacked and verified beside its installation directory, in "<installDir>~new",
// and the installation it replaces waits in "<installDir>~old" until the new one is in place.
// "~" is not a version character, so neither name can be another version's directory.
std::wstring StagingDirFor(const std::wstring& installDir);
std::wstring RetiredDirFor(const std::wstring& installDir);

// The failure when the installed product's folder is in use: "欧贝林视频格式转换器正在运行（Orbelin.exe），
// 请关闭后重试。", the names of the processes holding it joined with "、", or without the brackets when
// none could be named.
std::wstring ProductRunningMessage(const std::vector<std::wstring>& processNames);

// The download reports 0..90 and the extraction 0..95; the bar shows them as 5..77 and 88..97.
constexpr int MapDownloadProgress(int p) {
    return 5 + p * 80 / 100;
}
constexpr int MapExtractProgress(int p) {
    return 88 + p * 10 / 100;
}

}  // namespace Engine

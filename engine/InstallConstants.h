// The fixed names and user-facing texts of the installation engine.
#pragma once

namespace Engine {

inline constexpr const wchar_t* kMsgInvalidVersion = L"服务端下发的版本号无效，安装已停止。";
inline constexpr const wchar_t* kMsgNoTempFile = L"无法创建下载临时文件。";
inline constexpr const wchar_t* kMsgExtractFailed = L"安装文件解压失败，请检查目录权限或磁盘空间。";
inline constexpr const wchar_t* kMsgMissingMainExe = L"安装包中缺少 Orbelin.exe。";
inline constexpr const wchar_t* kMsgMissingUninstaller = L"安装包中缺少 Uninstall.exe。";
// Ends a run that met something none of the steps expected (an exception, such as memory running out).
inline constexpr const wchar_t* kMsgUnexpectedError = L"安装过程中发生意外错误，安装已停止。";
inline constexpr const wchar_t* kMsgVerifyFailed = L"安装包的发布签名或版本校验失败，已停止安装。";

inline constexpr const wchar_t* kProductDisplayName = L"欧贝林视频格式转换器";
inline constexpr const wchar_t* kMainExeName = L"Orbelin.exe";
inline constexpr const wchar_t* kUninstallerName = L"Uninstall.exe";
inline constexpr const wchar_t* kTokenFileName = L"token.dat";
inline constexpr const wchar_t* kBuiltInVersion = L"1.0.0.49";
inline constexpr const wchar_t* kTempFilePrefix = L"orb";

}  // namespace Engine

// Decides whether the unpacked package really comes from the product's publisher and is the
// version the pipeline settled on.
//
// Eleven manifest files directly in the installation directory, and every other PE image in the
// package, must each carry a valid Authenticode signature (checked offline, without revocation) made with one pinned
// publisher certificate, identified by the SHA-1 thumbprint of its DER encoding; then the main executable's fixed file
// version must equal the expected version text exactly. Runs on the install worker thread.
#pragma once

#include <string>
#include <vector>

namespace Engine {

// The publisher pin and the names of manifest entries 3-11. The installer uses the build settings
// (DefaultVerifyConfig); tests pass their own generated certificate's thumbprint.
struct VerifyConfig {
    std::string pinnedThumbprint;        // 40 hex digits, either case
    std::vector<std::wstring> dllNames;  // manifest entries 3-11, in order
};

VerifyConfig DefaultVerifyConfig();

// "Orbelin.exe", "Uninstall.exe", then the DLLs: the order in which files are checked.
std::vector<std::wstring> ManifestFiles(const VerifyConfig& config);

// Every manifest file exists and passes VerifyFileSignature (stopping at the first that does not),
// so does every other PE image anywhere below `installDir` whatever its name, and
// FileVersionEquals holds for the main executable. A file or folder that cannot be read fails.
bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion);
bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion, const VerifyConfig& config);

// WinVerifyTrust's verdict on the file's Authenticode signature (generic verify, no revocation, no
// URL retrieval): 0 when trusted.
long AuthenticodeVerdict(const std::wstring& path);

// Authenticode trust (AuthenticodeVerdict) plus the publisher pin.
bool VerifyFileSignature(const std::wstring& path, const std::string& pinnedThumbprint);

// The first signer's certificate in the file's embedded signature has the pinned SHA-1 thumbprint.
bool MatchesPinnedPublisher(const std::wstring& path, const std::string& pinnedThumbprint);

// The fixed file version, written "%u.%u.%u.%u", equals `expectedVersion` code unit for code unit.
bool FileVersionEquals(const std::wstring& path, const std::wstring& expectedVersion);

}  // namespace Engine

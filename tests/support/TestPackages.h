// The signed product packages, certificates and archives that tools/testpkg/make_testpkg.py
// builds into the build tree for the tests (Wine sees the build tree through drive Z:).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/VerifyPackage.h"

namespace TestSupport {

// <build>/testpkg/packages/<name>.zip: "good" and the broken and hostile variants.
std::wstring PackagePath(const std::wstring& name);
// <build>/testpkg/zips/<name>.zip: the extraction tests' archives.
std::wstring ArchivePath(const std::wstring& name);
// A package or archive name as GoogleTest takes it for a test's name: "-" becomes "_".
std::string TestCaseName(const wchar_t* name);
// What "zip-bomb" (an archive and a package) expands to: make_testpkg.py's BOMB_SIZE.
constexpr std::uint64_t kZipBombBytes = 256ULL << 20;
// A file the tool built, relative to <build>/testpkg ("bin\\..." or "certs\\...").
std::wstring TestPackageFile(const std::wstring& relative);

// SHA-1 thumbprints (lower-case hex) of the generated publisher and foreign certificates.
std::string PublisherThumbprint();
std::string ForeignThumbprint();
// ... and of the publisher whose root CA nobody trusts.
std::string UntrustedThumbprint();

// The installer's manifest DLL names with the generated publisher pinned.
Engine::VerifyConfig TestVerifyConfig();

// A zip archive of `entries` (name, data), deflated, made at run time for archives whose size or
// number of entries would be wasteful to build ahead.
bool WriteTestZip(const std::wstring& path, const std::vector<std::pair<std::string, std::string>>& entries);

// Adds the generated test root CA to the current user's trusted roots in the (throwaway) prefix,
// as the publisher's real CA is trusted on users' machines. True if it is trusted afterwards.
bool TrustTestRootCertificate();
// The same for any root certificate (DER), in the current user's Root store.
bool TrustRootCertificate(const std::wstring& derFile);

}  // namespace TestSupport

// Asks Windows' own Authenticode check whether a release file is trusted once the release's root
// CA is one of the current user's trusted roots, as a publisher's real CA is on users' machines.
//
//   release_trust_check ROOT.der FILE
//
// Prints WinVerifyTrust's answer. Exit code: 0 trusted, 1 not trusted, 2 the root could not be
// added.
#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "base/ScopedWin.h"

namespace {

std::string ReadFileBytes(const wchar_t* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TrustRoot(const wchar_t* derPath) {
    const std::string der = ReadFileBytes(derPath);
    if (der.empty())
        return false;
    base::UniqueCertStore root{CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root")};
    if (!root)
        return false;
    return CertAddEncodedCertificateToStore(root.Get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                            nullptr) != FALSE;
}

LONG Trust(const wchar_t* path) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    base::WinTrustVerification verification(action, data);
    return verification.Verify();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: release_trust_check ROOT.der FILE\n");
        return 2;
    }
    if (!TrustRoot(argv[1])) {
        std::printf("could not add the root certificate: %lu\n", GetLastError());
        return 2;
    }
    const LONG result = Trust(argv[2]);
    std::printf("WinVerifyTrust: 0x%08lx\n", static_cast<unsigned long>(result));
    return result == ERROR_SUCCESS ? 0 : 1;
}

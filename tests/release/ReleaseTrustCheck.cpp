// Asks Windows' own Authenticode check whether a release file is trusted once the release's root
// CA is one of the current user's trusted roots, as a publisher's real CA is on users' machines.
//
//   release_trust_check ROOT.der FILE
//
// Prints WinVerifyTrust's answer. Exit code: 0 trusted, 1 not trusted, 2 the root could not be
// added.
#include <windows.h>

#include <cstdio>

#include "engine/VerifyPackage.h"
#include "support/TestPackages.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: release_trust_check ROOT.der FILE\n");
        return 2;
    }
    if (!TestSupport::TrustRootCertificate(argv[1])) {
        std::printf("could not add the root certificate: %lu\n", GetLastError());
        return 2;
    }
    const long result = Engine::AuthenticodeVerdict(argv[2]);
    std::printf("WinVerifyTrust: 0x%08lx\n", static_cast<unsigned long>(result));
    return result == ERROR_SUCCESS ? 0 : 1;
}

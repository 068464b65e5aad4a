// The installer's entry point: the command line is ignored.
#include <windows.h>

#include <cstdlib>

#include "app/InstallerApp.h"
#include "base/SystemLibrary.h"

// An exception nothing catches ends the process either way. The runtime's default handler would
// first print the exception's demangled type to a console this GUI program does not have, and
// would bring in the whole demangler (some 50 KB) for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before anything loads a DLL: a DLL beside the installer (in Downloads, say) named like a
    // system one must never be found there.
    base::RestrictDllSearchToSystem();
    SetupUi::InstallerApp app(instance);
    return app.Run(instance, showCommand);
}

// The installer's entry point: the command line is ignored.
#include <windows.h>

#include "app/InstallerApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    SetupUi::InstallerApp app(instance);
    return app.Run(instance, showCommand);
}

/* Stands in for each of the product's nine DLLs in tests and the demo. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

__declspec(dllexport) const char* OrbTestLibraryName(void) { return "Orbelin test library"; }

/* A DLL planted beside the installer under a system DLL's name (tools/flow-test.sh, planting). If
   it is ever loaded, it leaves a file named after itself in the folder ORB_PLANT_MARKERS names, and
   refuses to stay: the marker is the evidence, nothing of it runs on in the installer. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t self[MAX_PATH];
    wchar_t marker[2 * MAX_PATH];
    DWORD length = GetModuleFileNameW(instance, self, MAX_PATH);
    const wchar_t* name = self;
    for (DWORD i = 0; i < length; ++i)
        if (self[i] == L'\\' || self[i] == L'/')
            name = self + i + 1;
    DWORD folder = GetEnvironmentVariableW(L"ORB_PLANT_MARKERS", marker, MAX_PATH);
    if (folder > 0 && folder < MAX_PATH) {
        marker[folder++] = L'\\';
        lstrcpynW(marker + folder, name, MAX_PATH);
        HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return FALSE;
}

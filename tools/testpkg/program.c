/* Stands in for the product's programs ("Orbelin.exe", "Uninstall.exe") in tests and the demo.
   When started it leaves "<its own path>.ran" holding the directory it was started in (UTF-16),
   so a test can tell that it ran and with which working directory. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    wchar_t marker[MAX_PATH + 8];
    wchar_t directory[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, marker, MAX_PATH);
    DWORD dirLength = GetCurrentDirectoryW(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH || dirLength == 0 || dirLength >= MAX_PATH)
        return 1;
    lstrcatW(marker, L".ran");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, directory, dirLength * sizeof(wchar_t), &written, NULL);
    CloseHandle(file);
    return 0;
}

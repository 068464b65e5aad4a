// Saves two different tokens to the file named on its command line, alternately and for ever,
// until the test that started it kills it. Creates "<file>.started" once it is in the loop.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "engine/DeviceIdentity.h"

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 2)
        return 2;
    const std::wstring path = argv[1];
    const std::string tokens[2] = {std::string(3000, 'b'), std::string(Engine::kMaxTokenBytes, 'a')};
    Engine::SaveToken(path, tokens[0]);
    HANDLE started = CreateFileW((path + L".started").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(started, "1", 1, &written, nullptr);
    CloseHandle(started);
    for (unsigned i = 1;; ++i)
        Engine::SaveToken(path, tokens[i % 2]);
}

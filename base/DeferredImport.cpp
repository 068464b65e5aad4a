#include "base/DeferredImport.h"

#include "base/SystemLibrary.h"

#include <string>

namespace base {

void* ResolveDeferred(const DeferredProc& proc) {
    // Never freed: the pointer keeps the DLL's address for the rest of the process. Two threads
    // resolving the same function at once store the same address.
    const HMODULE module = LoadSystemLibrary(proc.library);
    void* function = module ? reinterpret_cast<void*>(GetProcAddress(module, proc.name)) : nullptr;
    if (!function) {
        std::wstring text = L"The procedure entry point ";
        for (const char* c = proc.name; *c; ++c)
            text += static_cast<wchar_t>(*c);
        text += L" could not be located in the dynamic link library ";
        text += proc.library;
        text += L".";
        FatalAppExitW(0, text.c_str());
    }
    InterlockedExchangePointer(proc.slot, function);
    return function;
}

}  // namespace base

// System functions bound on their first call instead of when the process is loaded.
//
// Every DLL in the import table is loaded, and its own imports with it, before wWinMain runs; under
// Wine each costs milliseconds of the time until the window appears. Libraries that showing the
// window does not need (sockets and CryptoAPI for the transfers, WinTrust, the shell, Active
// Accessibility) are bound here instead, where they are first called. A caller compiled against
// the system headers calls through the import pointer `__imp_NAME`; the table defines that pointer
// itself, aimed at a thunk that loads the DLL from the system folder, stores the real address in
// the pointer and calls it. The import libraries' own pointer is then never linked, so the DLL
// leaves the import table. The pointers are plain data, set when the image is loaded.
#pragma once

#include <windows.h>

#include <type_traits>

namespace base {

// One deferred function: its DLL, its exported name and the import pointer that callers use.
struct DeferredProc {
    const wchar_t* library;
    const char* name;
    void** slot;
};

// Loads the DLL (from the system folder only) and looks the function up, stores its address in
// the slot for every later call and returns it. A system DLL or function that cannot be found
// ends the process with the names, as the loader would have refused to start it.
void* ResolveDeferred(const DeferredProc& proc);

template <typename Function>
struct DeferredThunk;

template <typename Result, typename... Args>
struct DeferredThunk<Result(WINAPI*)(Args...)> {
    template <const DeferredProc& Proc>
    static Result WINAPI Call(Args... args) {
        return reinterpret_cast<Result(WINAPI*)(Args...)>(ResolveDeferred(Proc))(args...);
    }
    // The bytes a 32-bit __stdcall function takes off the stack: the "@N" of its decorated name. A
    // reference (REFIID) is passed as a pointer.
    static constexpr int kStackBytes =
        (0 + ... + static_cast<int>((sizeof(std::conditional_t<std::is_reference_v<Args>, void*, Args>) + 3) / 4 * 4));
};

}  // namespace base

// The two symbols a call can name: the import pointer (declarations marked dllimport) and the
// function itself, a jump through that pointer (declarations that are not, such as WinVerifyTrust).
#ifdef _WIN64
#define ORB_IMPORT_POINTER(function, stackBytes) "__imp_" #function
#define ORB_IMPORT_FUNCTION(function, stackBytes) #function
#define ORB_JUMP_THROUGH(pointer) "jmp *" pointer "(%rip)"
#else
#define ORB_IMPORT_POINTER(function, stackBytes) "__imp__" #function "@" #stackBytes
#define ORB_IMPORT_FUNCTION(function, stackBytes) "_" #function "@" #stackBytes
#define ORB_JUMP_THROUGH(pointer) "jmp *" pointer
#endif

// Defines both symbols of `function` (declared by the system headers) so that the first call binds
// it from `library`. `stackBytes` is checked against the declaration on 32-bit builds.
#define ORB_DEFER_IMPORT(library, function, stackBytes)                                                          \
    extern "C" void* orbDeferredSlot_##function asm(ORB_IMPORT_POINTER(function, stackBytes));                   \
    extern const base::DeferredProc orbDeferredProc_##function;                                                  \
    void* orbDeferredSlot_##function =                                                                           \
        reinterpret_cast<void*>(&base::DeferredThunk<decltype(&::function)>::Call<orbDeferredProc_##function>);  \
    const base::DeferredProc orbDeferredProc_##function{library, #function, &orbDeferredSlot_##function};        \
    extern "C"                                                                                                   \
        __attribute__((naked)) void orbDeferredJump_##function() asm(ORB_IMPORT_FUNCTION(function, stackBytes)); \
    extern "C" void orbDeferredJump_##function() {                                                               \
        asm(ORB_JUMP_THROUGH(ORB_IMPORT_POINTER(function, stackBytes)));                                         \
    }                                                                                                            \
    static_assert(sizeof(void*) == 8 || base::DeferredThunk<decltype(&::function)>::kStackBytes == (stackBytes), \
                  #function ": wrong stack size")

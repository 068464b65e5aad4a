// The deferred import pointers: the first call through one binds the function of the system DLL
// and every later call goes straight to it. Both ways a caller can name a function are covered:
// the import pointer (dllimport declarations) and the function symbol (WinVerifyTrust, oleacc).
#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
#include <oleacc.h>
#include <shlobj.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <functional>

#include <gtest/gtest.h>

#include "base/DeferredImport.h"

extern "C" void* slotHtons asm(ORB_IMPORT_POINTER(htons, 4));
extern "C" void* slotGenRandom asm(ORB_IMPORT_POINTER(BCryptGenRandom, 16));
extern "C" void* slotFreeContext asm(ORB_IMPORT_POINTER(CertFreeCertificateContext, 4));
extern "C" void* slotVerifyTrust asm(ORB_IMPORT_POINTER(WinVerifyTrust, 12));
extern "C" void* slotFolderPath asm(ORB_IMPORT_POINTER(SHGetFolderPathW, 20));
extern "C" void* slotLresult asm(ORB_IMPORT_POINTER(LresultFromObject, 12));

namespace {

struct DeferredCase {
    const wchar_t* library;
    const char* name;
    void** slot;
    std::function<bool()> callWorks;
};

TEST(DeferredImportTest, FirstCallBindsTheSystemFunction) {
    const DeferredCase cases[] = {
        {L"ws2_32.dll", "htons", &slotHtons, [] { return htons(0x1234) == 0x3412; }},
        {L"bcrypt.dll", "BCryptGenRandom", &slotGenRandom,
         [] {
             unsigned char bytes[16] = {};
             return BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
         }},
        {L"crypt32.dll", "CertFreeCertificateContext", &slotFreeContext,
         [] { return CertFreeCertificateContext(nullptr) == TRUE; }},
        {L"wintrust.dll", "WinVerifyTrust", &slotVerifyTrust,
         [] {  // this test program carries no signature
             wchar_t self[MAX_PATH] = {};
             GetModuleFileNameW(nullptr, self, MAX_PATH);
             WINTRUST_FILE_INFO file = {sizeof(file), self, nullptr, nullptr};
             WINTRUST_DATA data = {};
             data.cbStruct = sizeof(data);
             data.dwUIChoice = WTD_UI_NONE;
             data.dwUnionChoice = WTD_CHOICE_FILE;
             data.pFile = &file;
             data.dwStateAction = WTD_STATEACTION_IGNORE;
             GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
             return WinVerifyTrust(nullptr, &action, &data) == TRUST_E_NOSIGNATURE;
         }},
        {L"shell32.dll", "SHGetFolderPathW", &slotFolderPath,
         [] {
             wchar_t path[MAX_PATH] = {};
             return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path)) && path[0] != 0;
         }},
        {L"oleacc.dll", "LresultFromObject", &slotLresult,
         [] { return LresultFromObject(IID_IAccessible, 0, nullptr) == E_INVALIDARG; }},
    };
    for (const DeferredCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Not bound yet: the pointer is the thunk, whether or not something else loaded the DLL.
        if (HMODULE loaded = GetModuleHandleW(c.library)) {
            EXPECT_NE(*c.slot, reinterpret_cast<void*>(GetProcAddress(loaded, c.name)));
        }
        EXPECT_TRUE(c.callWorks());
        const HMODULE module = GetModuleHandleW(c.library);
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(*c.slot, reinterpret_cast<void*>(GetProcAddress(module, c.name)));
        EXPECT_TRUE(c.callWorks());  // through the bound pointer
    }
}

}  // namespace

// Move-only owners for Win32 handles, GDI objects, COM pointers, CryptoAPI objects, the WinTrust
// verification state, a Restart Manager session and miniz's zip reader, and scopes for the clipboard
// and memory locks.
//
// Every handle the installer opens is held by one of these, so that an early return can never leak
// it. They are written once, here; other files use them and never wrap a handle type themselves.
// Nothing here is thread-affine, but a screen DC must be released on the thread that took it.
#pragma once

#include <windows.h>
#include <imm.h>
#include <restartmanager.h>
#include <unknwn.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <utility>

// The zip reader owner exists only for code that builds against miniz.
#if __has_include(<miniz.h>)
#include <miniz.h>
#define ORB_SCOPED_MINIZ 1
#endif

namespace base {

// A value plus a close function; `Traits` supplies `Invalid()` and `Close(value)`.
template <typename Traits>
class Unique {
public:
    using Value = typename Traits::Value;

    Unique() = default;
    explicit Unique(Value value) : value_(value) {}
    ~Unique() { Reset(); }

    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.Release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Value Get() const { return value_; }
    bool IsValid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    Value Release() {
        Value value = value_;
        value_ = Traits::Invalid();
        return value;
    }
    void Reset(Value value = Traits::Invalid()) {
        if (IsValid())
            Traits::Close(value_);
        value_ = value;
    }
    // For out-parameters: closes what is held and hands out the slot.
    Value* Put() {
        Reset();
        return &value_;
    }

private:
    Value value_ = Traits::Invalid();
};

struct KernelHandleTraits {  // handles that use NULL for "none" (mutexes, threads, events)
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW and friends use INVALID_HANDLE_VALUE for "none"
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value h) { ::FindClose(h); }
};
struct RegKeyTraits {
    using Value = HKEY;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using Value = HMODULE;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::FreeLibrary(h); }
};
struct GdiObjectTraits {
    using Value = HGDIOBJ;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
    using Value = HDC;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::DeleteDC(h); }
};

struct GlobalMemoryTraits {  // GlobalAlloc, until a stream takes it over
    using Value = HGLOBAL;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::GlobalFree(h); }
};
struct GlobalStringTraits {  // strings a system API allocated with GlobalAlloc for the caller (WinHTTP's)
    using Value = wchar_t*;
    static Value Invalid() { return nullptr; }
    static void Close(Value s) { ::GlobalFree(s); }
};
struct CFileTraits {  // C runtime streams (_wfopen)
    using Value = FILE*;
    static Value Invalid() { return nullptr; }
    static void Close(Value f) { ::fclose(f); }
};
struct CertStoreTraits {
    using Value = HCERTSTORE;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::CertCloseStore(h, 0); }
};
struct CryptMsgTraits {
    using Value = HCRYPTMSG;
    static Value Invalid() { return nullptr; }
    static void Close(Value h) { ::CryptMsgClose(h); }
};
struct CertContextTraits {
    using Value = PCCERT_CONTEXT;
    static Value Invalid() { return nullptr; }
    static void Close(Value c) { ::CertFreeCertificateContext(c); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueFind = Unique<FindHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;
using UniqueGlobalMemory = Unique<GlobalMemoryTraits>;
using UniqueGlobalString = Unique<GlobalStringTraits>;
using UniqueCFile = Unique<CFileTraits>;
using UniqueCertStore = Unique<CertStoreTraits>;
using UniqueCryptMsg = Unique<CryptMsgTraits>;
using UniqueCertContext = Unique<CertContextTraits>;

// A DC from GetDC, released against the window it was taken from (NULL for the screen).
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint around one WM_PAINT; EndPaint runs even when painting stops early.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC Get() const { return dc_; }
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_;
};

// The input context of a window from ImmGetContext, released against that window.
class ImmContext {
public:
    explicit ImmContext(HWND window) : window_(window), context_(::ImmGetContext(window)) {}
    ~ImmContext() {
        if (context_)
            ::ImmReleaseContext(window_, context_);
    }
    ImmContext(const ImmContext&) = delete;
    ImmContext& operator=(const ImmContext&) = delete;

    HIMC Get() const { return context_; }
    explicit operator bool() const { return context_ != nullptr; }

private:
    HWND window_;
    HIMC context_;
};

// The clipboard from OpenClipboard, closed when the owner ends; test with `operator bool`.
class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardScope() {
        if (open_)
            ::CloseClipboard();
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

// A GlobalLock on movable memory the owner does not own, unlocked when the owner ends.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory) : memory_(memory), data_(::GlobalLock(memory)) {}
    ~GlobalLockScope() {
        if (data_)
            ::GlobalUnlock(memory_);
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    void* Get() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

// An owning COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T** Put() {
        Reset();
        return &ptr_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (ptr_)
            ptr_->Release();
        ptr_ = nullptr;
    }

private:
    T* ptr_ = nullptr;
};

// COM initialised for the current thread for the scope's lifetime.
class ComScope {
public:
    explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) : hr_(::CoInitializeEx(nullptr, model)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_))
            ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Succeeded() const { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

// One WinVerifyTrust verification. Whatever the verdict, the state the verify call allocated is
// released by a second call with WTD_STATEACTION_CLOSE when the owner goes out of scope; `data`
// must outlive the owner.
class WinTrustVerification {
public:
    WinTrustVerification(const GUID& action, WINTRUST_DATA& data) : action_(action), data_(data) {}
    ~WinTrustVerification() {
        if (!verified_)
            return;
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(nullptr, &action_, &data_);
    }
    WinTrustVerification(const WinTrustVerification&) = delete;
    WinTrustVerification& operator=(const WinTrustVerification&) = delete;

    LONG Verify() {
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        verified_ = true;
        return ::WinVerifyTrust(nullptr, &action_, &data_);
    }

private:
    GUID action_;
    WINTRUST_DATA& data_;
    bool verified_ = false;
};

#ifdef ORB_SCOPED_MINIZ
// A Restart Manager session, ended when the owner ends; `Started()` says whether it began.
class RestartManagerSession {
public:
    RestartManagerSession() {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        started_ = ::RmStartSession(&handle_, 0, key) == ERROR_SUCCESS;
    }
    ~RestartManagerSession() {
        if (started_)
            ::RmEndSession(handle_);
    }
    RestartManagerSession(const RestartManagerSession&) = delete;
    RestartManagerSession& operator=(const RestartManagerSession&) = delete;

    bool Started() const { return started_; }
    DWORD Get() const { return handle_; }

private:
    DWORD handle_ = 0;
    bool started_ = false;
};

// A miniz zip reader over a stream the caller owns (and closes after this owner ends).
class ZipReader {
public:
    ZipReader() = default;
    ~ZipReader() {
        if (open_)
            ::mz_zip_reader_end(&archive_);
    }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool Open(FILE* stream) {
        open_ = ::mz_zip_reader_init_cfile(&archive_, stream, 0, 0) != MZ_FALSE;
        return open_;
    }
    mz_zip_archive* Get() { return &archive_; }

private:
    mz_zip_archive archive_ = {};
    bool open_ = false;
};
#endif

}  // namespace base

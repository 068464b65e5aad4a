// Move-only owners for Win32 handles, GDI objects and COM pointers.
//
// Every handle the installer opens is held by one of these, so that an early return can never leak
// it. They are written once, here; other files use them and never wrap a handle type themselves.
// Nothing here is thread-affine, but a screen DC must be released on the thread that took it.
#pragma once

#include <windows.h>
#include <imm.h>
#include <unknwn.h>

#include <utility>

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

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using UniqueFind = Unique<FindHandleTraits>;
using UniqueRegKey = Unique<RegKeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;

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

}  // namespace base


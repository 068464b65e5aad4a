#include "engine/SystemProbes.h"

#include <windows.h>
#include <dxgi.h>

#include "base/ScopedWin.h"
#include "base/SystemLibrary.h"
#include "engine/ProfileJson.h"
#include "engine/RegistryRead.h"
#include "engine/TextConversion.h"

namespace Engine {

namespace {

template <typename Fn>
Fn LookUp(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

constexpr wchar_t kDisplayClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}";

// ---------------------------------------------------------------------------------------------
// Graphics adapter
// ---------------------------------------------------------------------------------------------

GpuInfo PickDxgiAdapter() {
    AdapterPicker picker;
    base::UniqueModule dxgi{base::LoadSystemLibrary(L"dxgi.dll")};
    using CreateFactoryFn = HRESULT(WINAPI*)(REFIID, void**);
    auto createFactory = LookUp<CreateFactoryFn>(dxgi.Get(), "CreateDXGIFactory");
    if (!createFactory)
        return picker.Picked();
    base::ComPtr<IDXGIFactory> factory;
    if (FAILED(createFactory(__uuidof(IDXGIFactory), factory.PutVoid())))
        return picker.Picked();
    for (UINT index = 0;; ++index) {
        base::ComPtr<IDXGIAdapter> adapter;
        const HRESULT hr = factory->EnumAdapters(index, adapter.Put());
        if (hr == DXGI_ERROR_NOT_FOUND)
            break;
        DXGI_ADAPTER_DESC desc;
        if (FAILED(hr) || !adapter || FAILED(adapter->GetDesc(&desc))) {
            if (!picker.Failure())
                break;
            continue;
        }
        picker.Offer(desc.Description, desc.VendorId, desc.DeviceId, desc.DedicatedVideoMemory);
    }
    return picker.Picked();
}

GpuInfo MatchDisplayClass(GpuInfo fromAdapters) {
    base::UniqueRegKey classKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDisplayClassKey, 0, KEY_READ, classKey.Put()) != ERROR_SUCCESS) {
        fromAdapters.driver.clear();
        return fromAdapters;
    }
    DisplayClassMatcher matcher(std::move(fromAdapters));
    wchar_t name[16];
    for (DWORD index = 0; RegEnumKeyW(classKey.Get(), index, name, 16) == ERROR_SUCCESS; ++index) {
        base::UniqueRegKey subKey;
        if (RegOpenKeyExW(classKey.Get(), name, 0, KEY_READ, subKey.Put()) != ERROR_SUCCESS)
            continue;
        const std::wstring description = ReadRegistryString(subKey.Get(), L"DriverDesc", 512, false);
        const std::wstring version = ReadRegistryString(subKey.Get(), L"DriverVersion", 128, false);
        if (matcher.Offer(description, version))
            break;
    }
    return matcher.Result();
}

}  // namespace

GpuInfo ProbeGpu() {
    return MatchDisplayClass(PickDxgiAdapter());
}

// ---------------------------------------------------------------------------------------------
// System, processor, memory, disk, screen
// ---------------------------------------------------------------------------------------------

std::wstring ProbeOsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    auto rtlGetVersion = LookUp<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (!rtlGetVersion)
        return std::wstring();
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (rtlGetVersion(&info) != 0)
        return std::wstring();
    return std::to_wstring(info.dwMajorVersion) + L"." + std::to_wstring(info.dwMinorVersion) + L"." +
           std::to_wstring(info.dwBuildNumber);
}

std::string ProbeArchitecture() {
    SYSTEM_INFO info = {};
    GetNativeSystemInfo(&info);
    return ArchitectureName(info.wProcessorArchitecture);
}

std::wstring ProbeComputerName() {
    wchar_t name[16] = {};
    DWORD size = 16;
    if (!GetComputerNameW(name, &size))
        return std::wstring();
    return name;
}

std::wstring ProbeCpuModel() {
    return ReadRegistryString(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                              L"ProcessorNameString");
}

int32_t ProbeCpuCores() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    return static_cast<int32_t>(info.dwNumberOfProcessors);
}

int32_t ProbeMemoryTotalMb() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    return ToMebibytes(status.ullTotalPhys);
}

DiskSpace ProbeSystemDrive() {
    DiskSpace space;
    wchar_t windows[MAX_PATH] = {};
    if (GetWindowsDirectoryW(windows, MAX_PATH) == 0 || windows[1] != L':')
        return space;
    const wchar_t root[] = {windows[0], L':', L'\\', L'\0'};
    ULARGE_INTEGER available, total;
    if (!GetDiskFreeSpaceExW(root, &available, &total, nullptr))
        return space;
    space.totalMb = ToMebibytes(total.QuadPart);
    space.freeMb = ToMebibytes(available.QuadPart);
    return space;
}

ScreenMetrics ProbeScreen() {
    ScreenMetrics metrics;
    metrics.width = GetSystemMetrics(SM_CXSCREEN);
    metrics.height = GetSystemMetrics(SM_CYSCREEN);
    base::WindowDc screen(nullptr);
    if (screen)
        metrics.dpi = GetDeviceCaps(screen.Get(), LOGPIXELSX);
    return metrics;
}

// ---------------------------------------------------------------------------------------------
// Locale, time zone, own path
// ---------------------------------------------------------------------------------------------

std::wstring ProbeLocale() {
    using LocaleNameFn = int(WINAPI*)(LPWSTR, int);
    auto localeName = LookUp<LocaleNameFn>(GetModuleHandleW(L"kernel32.dll"), "GetUserDefaultLocaleName");
    wchar_t name[85] = {};
    if (localeName && localeName(name, 85) != 0)
        return name;
    wchar_t language[16] = {};
    wchar_t country[16] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, 16) == 0 ||
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, country, 16) == 0)
        return std::wstring();
    return std::wstring(language) + L"-" + country;
}

std::string ProbeTimeZone() {
    TIME_ZONE_INFORMATION zone = {};
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return std::string();
    return FormatUtcOffset(zone.Bias);
}

std::wstring ProbeOwnPath() {
    wchar_t path[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0)
        return std::wstring();
    return path;
}

}  // namespace Engine

// Probes of the operating system and hardware for the device profile. Each one is self-contained
// and degrades to an empty string or 0 instead of failing. Worker thread.
#pragma once

#include <cstdint>
#include <string>

#include "engine/GpuSelection.h"

namespace Engine {

std::wstring ProbeOsVersion();       // "major.minor.build" from RtlGetVersion
std::string ProbeArchitecture();     // "x86", "arm", "x64" or "unknown"
std::wstring ProbeComputerName();
std::wstring ProbeCpuModel();        // ProcessorNameString, as stored
int32_t ProbeCpuCores();
int32_t ProbeMemoryTotalMb();
GpuInfo ProbeGpu();

struct DiskSpace {
    int32_t totalMb = 0;
    int32_t freeMb = 0;
};
DiskSpace ProbeSystemDrive();

struct ScreenMetrics {
    int32_t width = 0;
    int32_t height = 0;
    int32_t dpi = 0;
};
ScreenMetrics ProbeScreen();

std::wstring ProbeLocale();    // such as "zh-CN"
std::string ProbeTimeZone();   // such as "UTC+08:00"
std::wstring ProbeOwnPath();

}  // namespace Engine

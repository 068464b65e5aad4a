#include "engine/DeviceProfile.h"

#include "engine/DeviceIdentity.h"
#include "engine/InstallConstants.h"
#include "engine/ProfileJson.h"
#include "engine/SystemProbes.h"
#include "engine/TextConversion.h"

namespace Engine {

std::string BuildDeviceProfile() {
    const GpuInfo gpu = ProbeGpu();
    const DiskSpace disk = ProbeSystemDrive();
    const ScreenMetrics screen = ProbeScreen();

    ProfileJsonWriter json;
    json.String("scene", "install");
    json.String("os_platform", "windows");
    json.String("os_version", Utf16ToUtf8(ProbeOsVersion()));
    json.String("os_arch", ProbeArchitecture());
    json.String("device_id", Utf16ToUtf8(GetOrCreateDeviceId()));
    json.String("device_name", Utf16ToUtf8(ProbeComputerName()));
    json.String("cpu_model", Utf16ToUtf8(ProbeCpuModel()));
    json.Number("cpu_cores", ProbeCpuCores());
    json.Number("memory_total_mb", ProbeMemoryTotalMb());
    json.String("gpu_model", Utf16ToUtf8(gpu.name));
    json.Number("gpu_memory_mb", gpu.memoryMb);
    json.String("gpu_driver", Utf16ToUtf8(gpu.driver));
    json.Number("disk_total_mb", disk.totalMb);
    json.Number("disk_free_mb", disk.freeMb);
    json.Number("screen_width", screen.width);
    json.Number("screen_height", screen.height);
    json.Number("screen_dpi", screen.dpi);
    json.String("locale", Utf16ToUtf8(ProbeLocale()));
    json.String("timezone", ProbeTimeZone());
    json.String("app_version", Utf16ToUtf8(kBuiltInVersion));
    json.String("app_path", Utf16ToUtf8(ProbeOwnPath()));
    json.String("token", TokenAsProfileText(LoadToken()));
    return json.Finish();
}

}  // namespace Engine

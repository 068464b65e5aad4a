// The device report: POSTs the device profile to the product API and takes the package URL, the
// version and a device token from the answer. Forgiving by design: short limits (5 s to connect,
// 8 s in all), no retries, no redirects; the system's proxy choices are tried in turn only while
// one cannot be reached. Any failure leaves the result untouched so the pipeline uses its built-in
// values. Worker thread; libcurl is initialised and cleaned up within each call.
#pragma once

#include <string>

#include "engine/InstallServices.h"

namespace Engine {

// Reports to the built-in API. True only when the transfer completed and the answer carried the
// success marker (the pipeline looks only at the fields).
bool SendDeviceReport(DeviceReportResult& result, const AbortCheck& abort);

// The same with an explicit report URL (UTF-8) and request body.
bool SendDeviceReportTo(const std::string& reportUrl, const std::string& body, DeviceReportResult& result,
                        const AbortCheck& abort);

// The built-in report URL: the API base followed by "/device/report".
std::string DeviceReportUrl();

}  // namespace Engine

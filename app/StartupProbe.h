// The start-up probe that bench/startup reads: when the environment variable ORB_STARTUP_PROBE
// names a file, WriteStartupProbe writes two lines to it and ends the process at once with exit
// code 0:
//
//   created_unix_us: <when the process was created, GetProcessTimes>
//   presented_unix_us: <when the first paint had been handed to the display>
//
// both as microseconds since 1970 (wall clock, so the launcher can compare them with its own
// clock). The installer installs it as the toolkit's first-paint hook (uie/core/UiFirstPaint.h),
// so without the variable it costs one environment look-up, at the first paint only, and does
// nothing else. The benchmark's floor program installs it the same way, so both sides are timed
// alike.
#pragma once

namespace SetupUi {

void WriteStartupProbe();

}  // namespace SetupUi

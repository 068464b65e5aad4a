// The start-up probe that bench/startup reads: when the environment variable ORB_STARTUP_PROBE
// names a file, the process's first presented paint writes two lines to it and the process ends
// at once with exit code 0:
//
//   created_unix_us: <when the process was created, GetProcessTimes>
//   presented_unix_us: <when the first paint had been handed to the display>
//
// both as microseconds since 1970 (wall clock, so the launcher can compare them with its own
// clock). Without the variable the probe costs one environment look-up, at the first paint only,
// and does nothing else. The window host calls it after every paint it presented; the benchmark's
// floor program calls it the same way, so both sides are timed alike.
#pragma once

namespace UIE {

void NoteFirstPresentedPaint();

}  // namespace UIE

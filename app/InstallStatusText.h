// The quiet line beneath the progress bar: what the installation is doing, in words a person can
// read (the stage; while downloading the bytes, the speed and the time left). Pure logic, no
// Windows header, so it also builds natively.
#pragma once

#include <string>

#include "engine/InstallServices.h"

namespace SetupUi {

// The whole line for one status, e.g. "正在下载安装包  12.3 MB / 150.0 MB · 2.1 MB/s · 剩余 1 分 05 秒".
// Sizes are 1024-based with one decimal (KB, MB, GB); the time left reads "45 秒", "1 分 05 秒" or
// "2 小时 03 分". An unknown total leaves out "/ total" and the time left, an unknown speed both
// the speed and the time left.
std::wstring InstallStatusText(const Engine::InstallStatus& status);

}  // namespace SetupUi

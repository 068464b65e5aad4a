// The package download: streams the zip at a URL into a file the caller created, with progress
// 0..90, a 512 MiB limit, up to five HTTP(S) redirects and the installer's abort check. Worker
// thread; libcurl is initialised and cleaned up within the call. The file is never deleted here.
#pragma once

#include <string>

#include "engine/InstallServices.h"

namespace Engine {

// True on success (progress then reports 90 once more). On false `message` holds the one text
// the user sees; on success it is left as it was. `progress` and `abort` may be empty.
bool DownloadPackage(const std::wstring& url, const std::wstring& file, const ProgressCallback& progress,
                     std::wstring& message, const AbortCheck& abort);

}  // namespace Engine

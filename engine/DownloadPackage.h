// The package download: streams the zip at a URL into a file the caller created, with progress
// 0..90 that never moves backwards, a 512 MiB limit, up to five HTTP(S) redirects, the system's
// proxy and the installer's abort check. A transfer that stalls or breaks off is resumed where it
// stopped; see DownloadPolicy for the limits. Worker thread; libcurl is initialised and cleaned up
// within the call. The file is never deleted here.
#pragma once

#include <string>

#include "engine/DownloadRules.h"
#include "engine/InstallServices.h"

namespace Engine {

// True on success (progress then reports 90 once more). On false `message` holds the one text
// the user sees; on success it is left as it was.
bool DownloadPackage(const DownloadJob& job, std::wstring& message, const DownloadPolicy& policy = DownloadPolicy());

// The same for a bare URL and file: no status, no installation root to check.
bool DownloadPackage(const std::wstring& url, const std::wstring& file, const ProgressCallback& progress,
                     std::wstring& message, const AbortCheck& abort);

}  // namespace Engine

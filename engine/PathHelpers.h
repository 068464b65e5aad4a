// Directory helpers shared by the pipeline, the profile and registration (worker or UI thread).
#pragma once

#include <string>

namespace Engine {

// Creates `path` and any missing parents. True if it exists as a directory afterwards.
bool EnsureDirectory(const std::wstring& path);

// The roaming application-data folder + "\Orbelin", created if missing; empty if the shell
// cannot name the folder.
std::wstring GetAppDataDir();

}  // namespace Engine

// Unpacks the downloaded product package (a zip archive) into the installation directory.
//
// Runs on the install worker thread; the progress callback (0..95) posts to the UI thread. Entry
// names that could reach outside the target are refused (PackageRules.h), and so is an archive
// whose declared sizes add up to more than the target volume's free space. Extraction is not
// transactional: entries unpacked before a failing one stay on disk, which is why the pipeline
// unpacks into a staging folder.
#pragma once

#include <string>

#include "engine/InstallServices.h"

namespace Engine {

// True only if the archive has at least one entry and every entry was unpacked below `targetDir`.
// Reports 95 * (i + 1) / count after entry i, then 95 once more after a complete run.
bool ExtractPackage(const std::wstring& zipFile, const std::wstring& targetDir, const ProgressCallback& progress);

}  // namespace Engine

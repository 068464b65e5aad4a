// The install pipeline: report, download, extract, check, verify, register.
//
// Runs on the install worker thread. Every outcome leaves as events on `events`: a run ends with
// exactly one InstallFinished, preceded by InstallProgress 100 when it succeeded. Nothing created
// on the way is rolled back on failure except the temporary download file.
#pragma once

#include <string>

#include "engine/InstallServices.h"

namespace Engine {

struct InstallRunConfig {
    std::wstring installRoot;       // validated root chosen by the user
    std::wstring builtInPackageUrl; // used when the server sends no main_url
};

// `productVersion` receives the version this run settles on, before anything is downloaded.
void RunInstallPipeline(const InstallRunConfig& config, std::wstring& productVersion, IInstallServices& services,
                        IInstallEventSink& events, const AbortCheck& abort);

}  // namespace Engine

// The install pipeline: report, download, extract, check, verify, register.
//
// Runs on the install worker thread. Every outcome leaves as events on `events`: a run ends with
// exactly one InstallFinished, preceded by InstallProgress 100 when it succeeded. The package is
// unpacked and verified in a staging folder beside the installation directory and renamed into
// place only when every check has passed; a failed run removes the staging folder and the
// temporary download file and leaves an existing installation as it was.
#pragma once

#include <string>

#include "engine/InstallServices.h"

namespace Engine {

struct InstallRunConfig {
    std::wstring installRoot;        // validated root chosen by the user
    std::wstring builtInPackageUrl;  // used when the server sends no main_url
};

// `productVersion` receives the version this run settles on, before anything is downloaded.
void RunInstallPipeline(const InstallRunConfig& config,
                        std::wstring& productVersion,
                        IInstallServices& services,
                        IInstallEventSink& events,
                        const AbortCheck& abort);

}  // namespace Engine

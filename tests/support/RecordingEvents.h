// An install event sink that keeps what the pipeline reported, for tests that run the pipeline
// on their own thread.
#pragma once

#include <string>
#include <vector>

#include "engine/InstallServices.h"

namespace TestSupport {

class RecordingEvents : public Engine::IInstallEventSink {
public:
    void InstallProgress(int percent) override { percents.push_back(percent); }
    void InstallFinished(bool ok, const std::wstring& text) override {
        ++finished;
        success = ok;
        message = text;
    }

    void InstallStatusChanged(const Engine::InstallStatus& status) override { statuses.push_back(status); }

    std::vector<int> percents;
    std::vector<Engine::InstallStatus> statuses;
    int finished = 0;
    bool success = false;
    std::wstring message;
};

}  // namespace TestSupport

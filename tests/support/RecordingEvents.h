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

    std::vector<int> percents;
    int finished = 0;
    bool success = false;
    std::wstring message;
};

}  // namespace TestSupport

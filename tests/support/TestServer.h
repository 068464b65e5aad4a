// Client side of the loopback test server (tools/testserver): where it listens, how to set the
// device report's answer, and what it recorded. Each test uses its own id, so tests running in
// parallel never see each other's traffic.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

struct RecordedRequest {
    std::string method;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    bool HasHeader(const std::string& name) const;
    std::string Header(const std::string& name) const;  // first match, case-insensitive
};

// The device report's answer for one id. Beyond its status and body the server can misbehave on
// purpose: stay silent before the status line, announce a length the body does not have, send the
// body in small pieces or go silent after it.
struct ReportAnswerConfig {
    int status = 200;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // a Content-Type here replaces JSON's
    double delaySeconds = 0;                                   // silence before the status line
    long long announcedLength = -1;                            // Content-Length; -1: the body's own
    int dripBytes = 0;                                         // the body in pieces this large,
    int dripGapMs = 0;                                         // this far apart
    double lingerSeconds = 0;                                  // silence after the body, then close
};

class TestServer {
public:
    // The server of this ctest run (its info file is named by ORB_TEST_SERVER).
    static const TestServer& Get();
    bool Running() const { return httpPort_ > 0; }

    // A fresh id for one test's traffic.
    static std::string NewId(const std::string& tag);

    // "http[s]://127.0.0.1:PORT/t/<id>/<route>"
    std::string Url(const std::string& id, const std::string& route, bool tls = false) const;
    std::wstring WideUrl(const std::string& id, const std::string& route, bool tls = false) const;

    bool SetReportAnswer(const std::string& id, int status, const std::string& body, double delaySeconds = 0) const;
    bool SetReportAnswer(const std::string& id, const ReportAnswerConfig& answer) const;
    std::vector<RecordedRequest> Requests(const std::string& id) const;

private:
    int httpPort_ = 0;
    int httpsPort_ = 0;
};

}  // namespace TestSupport

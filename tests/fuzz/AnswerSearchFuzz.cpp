// The report answer's search, held to what ReportAnswer.h says: the success marker is the eight
// bytes anywhere, a value is the raw bytes after the first `"key":"` up to the first double quote
// after an even run of backslashes (or the end), and a token goes out as a header only as one line.
#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

#include "engine/ReportAnswer.h"

namespace {

// The first position of `needle` in `haystack`, looked for byte by byte.
size_t FindFirst(const std::string& haystack, const std::string& needle) {
    if (needle.size() > haystack.size())
        return std::string::npos;
    for (size_t at = 0; at + needle.size() <= haystack.size(); ++at) {
        if (std::memcmp(haystack.data() + at, needle.data(), needle.size()) == 0)
            return at;
    }
    return std::string::npos;
}

// A quote at `at` closes the value begun at `start` when the backslashes right before it, counted
// back no further than `start`, are an even number.
bool EndsValue(const std::string& body, size_t start, size_t at) {
    size_t run = 0;
    while (at - run > start && body[at - run - 1] == '\\')
        ++run;
    return body[at] == '"' && run % 2 == 0;
}

void CheckExtract(const std::string& body, const std::string& key) {
    const std::string value = Engine::ExtractJsonString(body, key);
    const size_t found = FindFirst(body, "\"" + key + "\":\"");
    if (found == std::string::npos) {
        FUZZ_CHECK(value.empty());
        return;
    }
    const size_t start = found + key.size() + 4;
    const size_t end = start + value.size();
    FUZZ_CHECK(end <= body.size());
    FUZZ_CHECK(body.compare(start, value.size(), value) == 0);
    FUZZ_CHECK(end == body.size() || EndsValue(body, start, end));
    for (size_t at = start; at < end; ++at)
        FUZZ_CHECK(!EndsValue(body, start, at));
}

void CheckHeader(const std::string& token) {
    bool oneLine = !token.empty();
    for (char byte : token) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c < 0x20 || c == 0x7F)
            oneLine = false;
    }
    FUZZ_CHECK(Engine::CanSendTokenAsHeader(token) == oneLine);
    if (oneLine) {
        // libcurl takes the line as a C string: nothing may cut it short.
        const std::string line = "X-Device-Token: " + token;
        FUZZ_CHECK(std::strlen(line.c_str()) == line.size());
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    }
}

void ReadAnswer(const uint8_t* data, size_t size, std::string& key, std::string& body) {
    FuzzedDataProvider input(data, size);
    key = input.ConsumeRandomLengthString(24);
    body = input.ConsumeRemainingBytesAsString();
}

std::string DescribeAnswer(const uint8_t* data, size_t size) {
    std::string key, body;
    ReadAnswer(data, size, key, body);
    return "key \"" + Fuzz::PrintableBytes(key) + "\", body \"" + Fuzz::PrintableBytes(body) + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::KeepInput(data, size, DescribeAnswer);
    std::string key, body;
    ReadAnswer(data, size, key, body);

    FUZZ_CHECK(Engine::HasSuccessMarker(body) == (FindFirst(body, "\"code\":0") != std::string::npos));
    CheckExtract(body, key);
    for (const char* member : {"main_url", "version", "token"})
        CheckExtract(body, member);
    CheckHeader(Engine::ExtractJsonString(body, "token"));
    CheckHeader(key);
    return 0;
}

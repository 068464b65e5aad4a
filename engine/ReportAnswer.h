// Reading the device report's answer. The answer is never parsed as JSON, only searched: the
// server writes its members without blanks around the colons and without escapes.
#pragma once

#include <cstddef>
#include <string>

namespace Engine {

constexpr size_t kMaxReportAnswerBytes = 16384;

// True when the answer carries the eight bytes "code":0 anywhere.
bool HasSuccessMarker(const std::string& body);

// The raw bytes of the member `"key":"...`, up to the first double quote not preceded by a
// backslash (or the end of the body). Escapes are not decoded. Empty when the member is absent.
std::string ExtractJsonString(const std::string& body, const std::string& key);

}  // namespace Engine

// Reading the device report's answer. The answer is never parsed as JSON, only searched: the
// server writes its members without blanks around the colons and without escapes.
#pragma once

#include <cstddef>
#include <string>

namespace Engine {

constexpr size_t kMaxReportAnswerBytes = 16384;

// True when the answer carries the eight bytes "code":0 anywhere.
bool HasSuccessMarker(const std::string& body);

// The raw bytes of the member `"key":"...`, up to the first double quote that no backslash escapes
// (one after an odd run of backslashes; after an even run the backslashes escape each other), or
// the end of the body. Escapes are not decoded. Empty when the member is absent.
std::string ExtractJsonString(const std::string& body, const std::string& key);

// The stored token travels back as the X-Device-Token header byte for byte, but only when it is
// not empty and holds no control byte (below 0x20, or 0x7F): CR or LF would end the header line
// early or smuggle further lines into the request, and NUL would cut it short. Bytes from 0x80 on
// are sent as they are.
bool CanSendTokenAsHeader(const std::string& token);

}  // namespace Engine

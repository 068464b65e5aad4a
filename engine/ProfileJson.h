// Pure building blocks of the device profile document: the compact JSON writer and the texts the
// probes produce (time zone, architecture, device identifier). No system calls here, so the
// encoding rules are tested natively too.
#pragma once

#include <cstdint>
#include <string>

namespace Engine {

// Appends `utf8` to `out` as the inside of a JSON string: quote, backslash and control bytes are
// escaped, well-formed UTF-8 (and "/") is copied unchanged, and each byte that does not belong to
// a well-formed UTF-8 sequence becomes U+FFFD, so the document is valid JSON whatever the bytes.
void AppendJsonEscaped(std::string& out, const std::string& utf8);

// Writes one compact JSON object, fields in the order they are added, no whitespace. Keys are
// escaped like values.
class ProfileJsonWriter {
public:
    void String(const char* key, const std::string& utf8Value);
    void Number(const char* key, int32_t value);
    // The finished document ("{}" when no field was added).
    std::string Finish() const { return body_ + "}"; }

private:
    void Key(const char* key);
    std::string body_ = "{";
    bool first_ = true;
};

// "UTC+08:00" for a bias of -480 minutes: the standard offset, daylight saving not applied.
std::string FormatUtcOffset(long biasMinutes);

// "x86", "arm", "x64" for the native processor architecture codes 0, 5 and 9; "unknown" otherwise.
const char* ArchitectureName(unsigned architecture);

// The device identifier's text: a GUID in lower-case hexadecimal without braces (36 characters).
std::string FormatDeviceId(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t data4[8]);

// The token as the document carries it: one character per byte (U+0000..U+00FF), in UTF-8. A NUL
// byte is a character like any other (the writer escapes it as \u0000).
std::string TokenAsProfileText(const std::string& token);

// Byte counts in MiB as the profile carries them: shifted right by 20 and kept in 32 bits.
inline int32_t ToMebibytes(uint64_t bytes) {
    return static_cast<int32_t>(bytes >> 20);
}

}  // namespace Engine

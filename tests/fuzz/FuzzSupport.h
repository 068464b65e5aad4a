// Shared pieces of the fuzz targets: how a violated invariant stops the run, how fuzz bytes become
// UTF-16 names, a model of how Windows normalises path components, and a strict JSON reader.
// The models are written apart from the rules they check, so a mistake shared by both is unlikely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Fuzz {

// Prints what was violated, with the input as the target reads it, and traps, so libFuzzer keeps
// the input as a crash. Targets keep their input first; it is only described on a failure.
[[noreturn]] void Fail(const char* what, const char* file, int line);
using InputDescriber = std::string (*)(const uint8_t* data, size_t size);
void KeepInput(const uint8_t* data, size_t size, InputDescriber describe);

#define FUZZ_CHECK(condition)                             \
    do {                                                  \
        if (!(condition))                                 \
            ::Fuzz::Fail(#condition, __FILE__, __LINE__); \
    } while (0)

// One UTF-16 code unit per byte: ASCII and Latin-1 as themselves (so "COM\xB9" reaches the
// superscript device names), 0xF0-0xFF as code units that look like path syntax or are not text
// (full-width dot and backslash, lone surrogates, U+FFFD, ...).
std::wstring WideFromBytes(const uint8_t* data, size_t size);

// Printable ASCII stays, everything else as \uXXXX or \xHH: for messages.
std::string Printable(const std::wstring& text);
std::string PrintableBytes(const std::string& bytes);
// The input as WideFromBytes reads it, printable.
std::string DescribeAsWide(const uint8_t* data, size_t size);

// The path syntax and names Windows gives meaning to, decided here without the rules' code.
bool ModelIsSeparator(wchar_t c);
bool ModelIsDeviceName(const std::wstring& component);
bool ModelIsForbiddenNameChar(wchar_t c);  // below 0x20, < > : " | ? *
std::wstring StripTrailingDotsAndSpaces(const std::wstring& component);

// `path` resolved the way Windows' normalisation could take it, conservatively: split on "\" and
// "/", empty and "." components dropped, ".." pops, and every other component loses its trailing
// dots and spaces. The first `fixed` components (a drive, a target folder) are taken as they are
// and may not be popped.
struct ModelPath {
    std::vector<std::wstring> components;
    bool climbedOut = false;         // a ".." would have popped one of the fixed components
    bool strippedToNothing = false;  // a component of dots and spaces only (other than "." and ".."):
                                     // Windows may drop it or take it as a step up
    bool renamed = false;            // some component lost trailing dots or spaces
};
ModelPath ResolveModel(const std::wstring& path, size_t fixed);

// Code points of well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool DecodeUtf8(const std::string& text, std::vector<uint32_t>* codePoints);
bool IsUtf8(const std::string& text);

// A strict JSON reader after RFC 8259: UTF-8 only, one value and nothing after it, no leading
// zeros, no raw control characters in strings, \u surrogates only in pairs, nesting at most 64 deep.
struct JsonMember {
    std::string key;  // decoded to UTF-8
    bool isString = false;
    std::string value;  // a string decoded to UTF-8, any other value as its raw text
};
struct JsonDocument {
    bool isObject = false;
    std::vector<JsonMember> members;  // the top-level object's members, in order
    bool hasWhitespace = false;       // whitespace between tokens anywhere
};
bool ParseJson(const std::string& text, JsonDocument* document);

}  // namespace Fuzz

// Pure rules of package extraction and verification: which entry names may be written, the
// extraction progress scale, and how versions and certificate thumbprints are written and compared.
//
// Nothing here touches the system, so the rules build and are tested natively as well as under
// Wine. Names and versions are UTF-16 on Windows; the rules only look at ASCII code units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Engine {

// An entry name (separators already turned into "\") may be joined to the target directory only if
// it is relative, cannot climb out of it and names exactly the file Windows will create: not empty,
// no leading "\" or "/", no ":" anywhere (drive letters, alternate data streams), no ".." component,
// no component Windows opens as a device (see IsWindowsDeviceName), no component ending in "." or
// " " (Windows drops those, so "... " or "a." would name another file), and no character below
// 0x20 or any of < > " | ? * (not allowed in Windows file names). "." and empty components are fine.
bool IsSafeEntryPath(const std::wstring& name);

// True when Windows opens a file of this name as a device in any folder: CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM1-9 and LPT1-9 (superscript 1-3 too), without regard to case, with trailing
// spaces before the extension and with any extension ("nul.txt", "COM1 .log").
bool IsWindowsDeviceName(const std::wstring& component);

// Zip entry names may use "/" as well as "\"; the file system path uses "\" only.
std::wstring ToBackslashes(std::wstring name);

// Extraction progress (0..95) after entry `index` (from 0) of `count` entries: 95 * (index + 1) / count.
int ExtractProgressAfter(std::size_t index, std::size_t count);
constexpr int kExtractProgressDone = 95;

// A fixed file version as "major.minor.build.revision" from VS_FIXEDFILEINFO's two double words.
std::wstring FormatFileVersion(std::uint32_t versionMs, std::uint32_t versionLs);

// Lower-case hexadecimal, two digits per byte.
std::string ToLowerHex(const unsigned char* bytes, std::size_t size);

// A SHA-1 hash matches the pinned thumbprint only if it is exactly 20 bytes long and its hex text
// equals the pin without regard to case.
bool ThumbprintMatches(const unsigned char* hash, std::size_t size, const std::string& pinned);

constexpr std::size_t kSha1Size = 20;

}  // namespace Engine

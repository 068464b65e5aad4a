// The device's two pieces of identity: the per-user device identifier (registry value `DeviceId`
// under HKCU\SOFTWARE\Orbelin) and the device token the API hands out ("token.dat" in the
// installer's data directory). Worker thread; failures are silent.
#pragma once

#include <string>

namespace Engine {

// The stored identifier, or a new one (stored if the registry allows; returned either way).
// Empty only when no GUID could be made.
std::wstring GetOrCreateDeviceId();

// The stored token's bytes, unchanged; empty when the file is missing, empty or over 4096 bytes.
std::string LoadToken();

// Replaces the file at `path` with `token` through "<path>.tmp", flushed and moved over the target,
// so the old file is either replaced whole or left untouched.
void SaveToken(const std::wstring& path, const std::string& token);

constexpr unsigned long kMaxTokenBytes = 4096;

}  // namespace Engine

// File-system helpers for tests that run in the throwaway Wine prefix.
#pragma once

#include <string>

namespace TestSupport {

// A new, empty directory under the temporary folder, unique within the run.
std::wstring MakeTempDir(const std::wstring& tag);
bool Exists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
// Deletes a directory and everything below it.
void RemoveTree(const std::wstring& path);

}  // namespace TestSupport

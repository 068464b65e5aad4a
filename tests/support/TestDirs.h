// File-system helpers for tests that run in the throwaway Wine prefix.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace TestSupport {

// A new, empty directory under the temporary folder, unique within the run.
std::wstring MakeTempDir(const std::wstring& tag);
bool Exists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
// The names in a directory, without "." and "..", in the order the file system lists them.
std::vector<std::wstring> ListDir(const std::wstring& dir);
// Deletes a directory and everything below it.
void RemoveTree(const std::wstring& path);
// The drive ORB_TEST_SMALL_DRIVE names ("S:"): a Wine drive with little free space, which
// tools/test.sh maps to a small tmpfs. Empty when the variable is not set.
std::wstring SmallTestDrive();
// Every file below `dir`, by its path relative to `dir`, with its content.
std::map<std::wstring, std::string> ReadTree(const std::wstring& dir);

}  // namespace TestSupport

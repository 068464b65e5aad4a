// Who keeps an installed folder from being moved: the processes that hold its files open.
//
// A running product keeps its executables and libraries open, and Windows refuses to rename a
// folder with open files in it. The pipeline asks here before it swaps a new version into place,
// so that the user learns which programs to close. Runs on the install worker thread.
#pragma once

#include <string>
#include <vector>

namespace Engine {

struct FolderHolders {
    bool held = false;                       // some file below the folder is in use
    std::vector<std::wstring> processNames;  // executable file names ("Orbelin.exe"), each once; may be empty
};

// The Restart Manager names the processes holding files below `dir`. A file opened without delete
// sharing counts as held even when nobody is named (Wine's Restart Manager names nobody). A folder
// that does not exist is not held.
FolderHolders FindFolderHolders(const std::wstring& dir);

}  // namespace Engine

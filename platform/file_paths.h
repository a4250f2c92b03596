#pragma once
// Small questions the workbench asks of files and folders, in one place.
#include <string>

namespace platform {

bool FileExists(const std::string& path);     // a file, not a folder
bool FolderExists(const std::string& path);
// Creates the folder with every missing parent; true when it exists afterwards.
bool CreateFolderTree(const std::string& path);
// The part after the last backslash.
std::string FileNameOf(const std::string& path);
// The folder of the running program, with its trailing backslash.
std::string ProgramFileFolder();
// The folder without trailing backslashes (a drive root keeps its own).
std::string Unslashed(const std::string& folder);

} // namespace platform

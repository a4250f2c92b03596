#pragma once
// Small questions the workbench asks of files and folders, in one place.
#include <string>
#include <vector>

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
// The full path of a file or folder (the path itself when it cannot be made).
std::string FullPathOf(const std::string& path);
// Removes a file (read-only or not); true when it is gone afterwards.
bool RemoveFile(const std::string& path);
// The names of the plain files a search mask matches, in the order the search gives.
std::vector<std::string> FileNamesMatching(const std::string& mask);
// Whether two paths name the same file or folder, letter case aside.
bool SamePath(const std::string& a, const std::string& b);
// A key of a path: two paths SamePath takes for one have the same key.
std::string PathKey(const std::string& path);

} // namespace platform

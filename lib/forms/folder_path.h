#pragma once
// Folder paths as the file lists use them: full, with a trailing backslash
// only for a drive's root ("C:\"), and never through the current directory
// of the process, which the lists leave alone.
#include <string>
#include <vector>

namespace forms {

// The full form of path (made absolute, "." and ".." resolved), or empty.
std::string FullFolderPath(const std::string& path);
bool FolderExists(const std::string& path);
// folder + "\" + name, with no doubled backslash after a root.
std::string JoinPath(const std::string& folder, const std::string& name);
// The names in folder matching pattern: files or, with folders true, the
// subfolders (without "." and ".."), sorted ignoring letter case.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern, bool folders);

} // namespace forms

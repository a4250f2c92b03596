#pragma once
// Whole-file reads and all-or-nothing writes shared by rar.exe and the stub.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fileio {

// The system's text for a Win32 error code, without the line end.
std::string ErrorText(unsigned long code);

// The folder part of a path ("." when it has none), without a trailing separator
// unless it is a root such as "C:\".
std::string FolderOf(const std::string& path);

// Reads a whole file. Files of 4 GB or more are refused.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// Writes the bytes to a new temporary file in the folder and flushes it.
// On failure nothing is left behind.
bool WriteTempFile(const std::string& folder, const uint8_t* data, size_t size,
                   std::string* tempPath, std::string* error);

// Moves the temporary file over the target, replacing an existing file.
// On failure the target is unchanged and the temporary file is removed.
bool ReplaceWithTemp(const std::string& tempPath, const std::string& target, std::string* error);

// WriteTempFile in the target's folder followed by ReplaceWithTemp.
bool WriteFileReplacing(const std::string& target, const uint8_t* data, size_t size,
                        std::string* error);

} // namespace fileio

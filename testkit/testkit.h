#pragma once
// Helpers for the test programs: scratch folders, whole-file reads and writes,
// the folder of the running program and starting a program to its end.
#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

// A fresh folder under the temp folder, removed with everything in it when
// the object goes. name_hint becomes part of the folder name (blanks allowed).
class TempFolder {
public:
    explicit TempFolder(const std::string& name_hint = "t");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's full path, without a trailing backslash.
    const std::string& path() const { return path_; }
    // path() + "\" + name
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();

bool FileExists(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
void RemoveTree(const std::string& path);

// Runs a command line in the given folder (no window) and returns its exit
// code, or -1 when it could not be started or did not end within the limit.
int RunAndWait(const std::string& commandLine, const std::string& folder,
               unsigned timeoutMs = 60000);

} // namespace testkit

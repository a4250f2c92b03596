#pragma once
// The catalogue of modules and methods that start-up builds from the files
// beside the program: module files ("*.Folivar"), their method packages
// ("<module file>.<method>"), the size fingerprint in "ModCh.ini", and per
// module a work folder under "temp\" holding the unpacked methods.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

constexpr int kMaxModuleFiles = 20;      // module files one scan takes
constexpr int kMaxMethods = 20;          // method packages per module
constexpr int kMaxPaletteModules = 7;    // modules with methods the palette shows
constexpr size_t kMaxWorkFolder = 254;   // characters of a work-folder path
constexpr size_t kMaxMethodName = 19;    // characters of a method's display name
constexpr size_t kMaxMethodDescription = 999;

struct MethodEntry {
    std::string packagePath;   // the package beside the program
    std::string fileName;      // the method name from the package name ("otsu")
    std::string basePath;      // work folder + "\" + fileName; + ".exe", ".bat", ".name", ...
    std::string name;          // display name: first word of ".name"
    std::string description;   // first line of ".txt"
};

struct ModuleEntry {
    std::string path;          // the module file
    std::string fileName;      // "Binarize.Folivar"
    int32_t position = 0;
    std::string caption1, caption2, description, colourCode;
    int32_t pageSplit = 0;
    std::string workFolder;
    int methodCount = 0;
    std::array<MethodEntry, kMaxMethods> methods;

    bool SplitsPages() const { return pageSplit == 1; }
};

// What start-up tells the user and the window while discovery runs.
struct DiscoveryHost {
    std::function<void(const std::string& line)> log;                 // the run log
    std::function<void(const std::string& moduleFile)> loading;       // splash text, messages run
    std::function<void(const std::string& message)> warn;             // a message box, start-up goes on
    std::function<void(const std::string& message)> fatal;            // a message box, then the process ends
    std::function<void(const std::string& commandLine)> runProgram;   // start and wait
};

// Rules of the file names, on their own so they can be checked one by one.
bool IsModuleFileName(const std::string& name);
// The method name of a package of the module, or false when the file is no
// package of it.
bool PackageMethodName(const std::string& moduleFile, const std::string& candidate,
                       std::string* method);
// programFolder (with its trailing backslash) + "temp\" + module stem; false
// when the path would not fit its field.
bool WorkFolderOf(const std::string& programFolder, const std::string& moduleFile,
                  std::string* folder);
// Stable in the way start-up needs: equal positions never swap.
void SortModulesByPosition(std::vector<ModuleEntry>& modules);

// "ModCh.ini": 4 bytes, the size sum of the last scan; a missing file reads
// as 0. False for a file that exists but is shorter than 4 bytes or cannot be
// read: the module set then counts as changed, and `sum` is left as it was.
bool ReadFingerprint(const std::string& path, uint32_t* sum);
bool WriteFingerprint(const std::string& path, uint32_t sum);

class ModuleCatalogue {
public:
    // Steps of start-up, in their order. programFolder carries its trailing
    // backslash.
    // Scans the program folder, compares the size sum with the stored
    // fingerprint, reads the positions and sorts the modules.
    void Scan(const std::string& programFolder, DiscoveryHost& host);
    // Reads each module's record and prepares its work folder (unpacking its
    // packages when the folder is missing or the module set changed).
    void Prepare(DiscoveryHost& host);
    // Reads the methods' names and descriptions from the unpacked files.
    void ReadMethodTexts();
    // Stores the size sum of this scan in "ModCh.ini". Start-up does it last,
    // once the work folders are unpacked and what depended on the old set is
    // gone, so that a start that did not get there finds the set changed again.
    bool StoreFingerprint() const;

    int Count() const { return static_cast<int>(modules_.size()); }
    const ModuleEntry& Module(int m) const { return modules_[m]; }
    bool ModulesChanged() const { return changed_; }
    uint32_t SizeSum() const { return sizeSum_; }

private:
    void PrepareWorkFolder(const ModuleEntry& module, DiscoveryHost& host);

    std::string programFolder_;
    std::vector<ModuleEntry> modules_;
    uint32_t sizeSum_ = 0;
    bool changed_ = false;
};

} // namespace platform

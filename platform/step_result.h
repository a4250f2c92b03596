#pragma once
// StepResultFile: the cached result of one pipeline step for one image, in the
// program folder's "temp\", named by the image and by every module and method
// chosen up to that step, so that an unchanged chain finds its result again.
// Beside each result lies its origin record: the source image it was made
// from, so that a result of another image of the same name, or of the image
// before it changed, is never taken for this one, and the settings of every
// method of the chain up to that step as they were, so that a result made
// before a setting changed is never taken for one made after.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct StepResultNames {
    std::string first;    // the result, or the left page
    std::string second;   // the right page; empty for a one-page step
};

// The digits of one choice: a number below 10 as its digit, a larger one
// wrapped in parentheses ("(12)"), which no run of digits produces.
std::string ChoiceCode(int index);

// Names of step `step` for the image file name (with its extension):
// programFolder + "temp\" + image + "_" + module and method codes of slots
// 0..step, then ".tif", or "_1.tif" and "_2.tif" when the step carries two pages.
StepResultNames StepResultFiles(const std::string& programFolder, const std::string& imageName,
                                const int* slotModule, const int* moduleMethod, int step,
                                bool twoPages);

// The source image a result was made from, as it was then, and the methods'
// settings it was made with.
struct StepResultOrigin {
    std::string source;        // full path
    uint64_t size = 0;         // bytes
    uint64_t writeTime = 0;    // last write, in 100 ns units since 1601 (FILETIME)
    uint64_t settings = 0;     // SettingsOfChain of the step's chain
};

// A digest of a method's own files in its module's work folder: every plain
// file whose name is the method's name followed by '.' or '_' (its program,
// its settings program and whatever settings files they keep), by name, size
// and last write time. basePath is the work folder + "\\" + method name.
uint64_t MethodSettingsDigest(const std::string& basePath);
// The digest of a chain: the chain's digest up to the step before (0 for the
// first step) combined with the step's method's digest.
uint64_t SettingsOfChain(uint64_t earlier, uint64_t method);

// The origin record of a result: result path + ".from", a fixed record of
// kOriginRecordSize bytes:
//   0    char[1024]  the source's full path, NUL-terminated
//   1024 uint64 LE   the source's size
//   1032 uint64 LE   the source's last write time
//   1040 uint64 LE   the settings digest of the chain
constexpr size_t kOriginPathField = 1024;
constexpr size_t kOriginRecordSize = kOriginPathField + 24;
std::string OriginRecordPath(const std::string& result);
// The record's bytes, and back; false for bytes that are no such record, or
// an origin whose path does not fit.
bool EncodeStepResultOrigin(const StepResultOrigin& origin, std::string* bytes);
bool DecodeStepResultOrigin(const std::string& bytes, StepResultOrigin* origin);

// The origin of a source image as it is now; false when it is not a file.
bool OriginOfSource(const std::string& source, StepResultOrigin* origin);
bool SameOrigin(const StepResultOrigin& a, const StepResultOrigin& b);
bool WriteStepResultOrigin(const std::string& result, const StepResultOrigin& origin);
bool ReadStepResultOrigin(const std::string& result, StepResultOrigin* origin);

// Whether the step's result (both pages for a two-page step) is there and was
// made from this source as it is now.
bool IsResultOf(const StepResultNames& names, bool twoPages, const StepResultOrigin& origin);
// Whether the step's result is there and was made from the source image at
// this path as it is now.
bool IsResultOfSource(const StepResultNames& names, bool twoPages, const std::string& source);
// Removes the result files of a step, their origin records and saved forms; false when
// one of them is still there.
bool RemoveStepResult(const StepResultNames& names);

// The final result of a run as the result view saved it, kept beside the step
// result, so that a later run that takes the step result from the cache
// copies these bytes instead of loading and saving the page again:
//   result + ".saved"        the bytes the view wrote
//   result + ".saved.from"   a record of kSavedFormRecordSize bytes:
//     0  char[8]    "SAVEDOF1"
//     8  uint64 LE  the result's size when its saved form was kept
//     16 uint64 LE  the result's last write time then
//     24 uint64 LE  the saved form's size
//     32 uint64 LE  the saved form's last write time
// The saved form counts only while both files are as the record says.
constexpr size_t kSavedFormRecordSize = 40;
std::string SavedFormPath(const std::string& result);
// Keeps a copy of the file the view saved from this result; false, and no
// saved form left, when that failed.
bool KeepSavedForm(const std::string& result, const std::string& saved);
// The saved form of the result, when there is one and it was made from the
// result as it is now.
bool SavedFormOf(const std::string& result, std::string* savedForm);

// The cached results in a "temp\" folder (with its trailing backslash), and
// their removal with their origin records and saved forms.
std::vector<std::string> CachedStepResults(const std::string& tempFolder);
void RemoveCachedStepResults(const std::string& tempFolder);

} // namespace platform

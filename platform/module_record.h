#pragma once
// ModuleRecord: the whole content of a module file ("*.Folivar"), a fixed
// 808-byte record with no header: four NUL-terminated texts in fixed fields,
// then the page-split flag and the palette position as little-endian int32.
// The one definition of the layout, used by every reader and writer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr size_t kModuleRecordSize = 808;

struct ModuleRecord {
    std::string caption1;      // offset 0, 100 bytes
    std::string caption2;      // offset 100, 100 bytes; "-..." means no second line
    std::string description;   // offset 200, 500 bytes
    std::string colourCode;    // offset 700, 100 bytes; stem of "Bin\<code>.bmp"
    int32_t pageSplit = 0;     // offset 800; 1 = the module turns one page into two
    int32_t position = 0;      // offset 804; palette sort key, smaller first
};

// The 808 bytes of a record. Texts longer than their field less one are cut,
// so every field keeps its terminating NUL.
std::vector<uint8_t> PackModuleRecord(const ModuleRecord& record);

// Reads a record from at most `size` bytes. A text field without a NUL ends at
// its field's end; fields beyond a short input read as empty texts and 0.
ModuleRecord UnpackModuleRecord(const uint8_t* data, size_t size);

// Whole-file helpers. Read fails only when the file cannot be opened.
bool ReadModuleRecordFile(const std::string& path, ModuleRecord* record);
bool WriteModuleRecordFile(const std::string& path, const ModuleRecord& record);

} // namespace platform

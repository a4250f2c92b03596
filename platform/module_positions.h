#pragma once
// The rules the module creation window works by, kept apart from the window:
// the tile colours and their codes, the checks on a new module's file name,
// the module list in palette order and the place a new module takes in it.
#include "module_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The tile colours in the order the colour list shows them; row r (from 0)
// is written as the code "0" followed by r + 1.
constexpr int kModuleColourCount = 9;
extern const char* const kModuleColourNames[kModuleColourCount];
// "01" .. "09" for a row, "00" for no row (any other value).
std::string ColourCodeOfRow(int row);

// What is wrong with the file name (without extension) given for a new module.
enum class ModuleNameProblem {
    None,
    Empty,       // nothing, or only blanks
    Invalid,     // folders, a drive, "..", wildcards, a device name, ...
    TooLong,     // its file or work folder path would not fit
};
// programFolder carries its trailing backslash.
ModuleNameProblem CheckNewModuleName(const std::string& programFolder, const std::string& stem);

// A module file as the creation window lists it.
struct ListedModule {
    std::string path;      // full path of the module file
    ModuleRecord record;
};

// Palette order: the same exchange sort start-up uses, so that modules with
// equal positions are listed in the order the palette shows them.
void SortListedModules(std::vector<ListedModule>& modules);

// Where a new module goes when it is put before row `row` of a list whose
// positions are `positions` (ascending); row == positions.size() (or any row
// outside the list) is the last place. The new module gets 0 in front of the
// first row and one more than the row above it elsewhere; the rows from `row`
// on move up so that they all stay behind it, by one when that is enough.
// False when a position would leave the int32 range.
bool PlaceNewModule(const std::vector<int32_t>& positions, int row,
                    int32_t* newPosition, std::vector<int32_t>* shifted);

} // namespace platform

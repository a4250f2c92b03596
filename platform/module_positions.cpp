#include "module_positions.h"

#include "module_catalogue.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform {

const char* const kModuleColourNames[kModuleColourCount] = {
    "Light Blue", "Red",        "Light Green", "Cream",        "Dark Green",
    "Dark Gray",  "Light GRay", "Dark Blue",   "Light Yellow",
};

std::string ColourCodeOfRow(int row)
{
    if (row < 0 || row >= kModuleColourCount)
        return "00";
    return "0" + std::to_string(row + 1);
}

namespace {

const char kModuleExtension[] = ".Folivar";

bool IsDeviceName(const std::string& stem)
{
    // The system takes "NUL.x", "com1 .y" and the like for its devices
    // wherever they are, so such a module file would never be written.
    std::string base = stem.substr(0, stem.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : kDevices)
        if (lstrcmpiA(base.c_str(), device) == 0)
            return true;
    if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
        std::string head = base.substr(0, 3);
        return lstrcmpiA(head.c_str(), "COM") == 0 || lstrcmpiA(head.c_str(), "LPT") == 0;
    }
    return false;
}

} // namespace

ModuleNameProblem CheckNewModuleName(const std::string& programFolder, const std::string& stem)
{
    if (stem.find_first_not_of(' ') == std::string::npos)
        return ModuleNameProblem::Empty;
    for (char c : stem)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c))
            return ModuleNameProblem::Invalid;
    // A trailing blank or dot is dropped from the work folder's name, which
    // would then be another module's (or "temp\" itself).
    if (stem.find("..") != std::string::npos || stem.back() == ' ' || stem.back() == '.' ||
        IsDeviceName(stem))
        return ModuleNameProblem::Invalid;
    std::string fileName = stem + kModuleExtension;
    std::string workFolder;
    if (programFolder.size() + fileName.size() >= MAX_PATH ||
        !WorkFolderOf(programFolder, fileName, &workFolder))
        return ModuleNameProblem::TooLong;
    return ModuleNameProblem::None;
}

void SortListedModules(std::vector<ListedModule>& modules)
{
    for (size_t k = 0; k + 1 < modules.size(); ++k)
        for (size_t f = k; f < modules.size(); ++f)
            if (modules[f].record.position < modules[k].record.position)
                std::swap(modules[f], modules[k]);
}

bool PlaceNewModule(const std::vector<int32_t>& positions, int row,
                    int32_t* newPosition, std::vector<int32_t>* shifted)
{
    const int64_t kMax = std::numeric_limits<int32_t>::max();
    const size_t n = positions.size();
    const size_t k = (row < 0 || static_cast<size_t>(row) > n) ? n : static_cast<size_t>(row);

    const int64_t placed = k == 0 ? 0 : int64_t{positions[k - 1]} + 1;
    if (placed > kMax)
        return false;
    std::vector<int32_t> result = positions;
    if (k < n) {
        // Rows from k on keep their order and all come after the new module,
        // also when hand-made files carry equal or negative positions.
        const int64_t lift = std::max<int64_t>(1, placed + 1 - positions[k]);
        for (size_t i = k; i < n; ++i) {
            int64_t moved = positions[i] + lift;
            if (moved > kMax)
                return false;
            result[i] = static_cast<int32_t>(moved);
        }
    }
    *newPosition = static_cast<int32_t>(placed);
    *shifted = std::move(result);
    return true;
}

} // namespace platform

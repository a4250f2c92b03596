#include "step_result.h"

namespace platform {

std::string ChoiceCode(int index)
{
    if (index >= 0 && index < 10)
        return std::string(1, static_cast<char>('0' + index));
    return "(" + std::to_string(index) + ")";
}

StepResultNames StepResultFiles(const std::string& programFolder, const std::string& imageName,
                                const int* slotModule, const int* moduleMethod, int step,
                                bool twoPages)
{
    std::string stem = programFolder + "temp\\" + imageName + "_";
    for (int j = 0; j <= step; ++j) {
        int module = slotModule[j];
        stem += ChoiceCode(module) + ChoiceCode(moduleMethod[module]);
    }
    if (!twoPages)
        return {stem + ".tif", std::string()};
    return {stem + "_1.tif", stem + "_2.tif"};
}

} // namespace platform

#pragma once
// StepResultFile: the cached result of one pipeline step for one image, in the
// program folder's "temp\", named by the image and by every module and method
// chosen up to that step, so that an unchanged chain finds its result again.
#include <string>

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

} // namespace platform

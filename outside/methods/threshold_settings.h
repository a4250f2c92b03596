#pragma once
// The settings file of the threshold method, written by its settings program
// beside the method: one line "threshold=<0..255>".
#include <string>

namespace methods {

constexpr int kDefaultThreshold = 128;

// The threshold stored in the file, or kDefaultThreshold when the file is
// missing, too long or holds no valid value.
int ReadThreshold(const std::string& path);
bool WriteThreshold(const std::string& path, int threshold);

} // namespace methods

#pragma once
// Runs a sample method the way the workbench does: a copy of the program in
// a work folder, which is its current directory, with no arguments.
#include "raster.h"
#include "testkit.h"

#include <string>

namespace method_tests {

// Copies METHODS_DIR\<program> into the folder (under the same name).
std::string InstallMethod(const testkit::TempFolder& work, const std::string& program);

// Installs the program, runs it in the folder and returns its exit code.
int RunMethodIn(const testkit::TempFolder& work, const std::string& program);

// Writes the page as the folder's "in.tif" (uncompressed, or Group 4 for 1-bit).
void WriteInput(const testkit::TempFolder& work, const imaging::Raster& page);

// Loads a result of the folder through the platform's decoder.
imaging::Raster ReadResult(const testkit::TempFolder& work, const std::string& name);

} // namespace method_tests

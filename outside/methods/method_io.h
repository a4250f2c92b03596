#pragma once
// What every sample method program shares: the exchange files of its work
// folder (the current directory), reading the input page and writing results.
#include "raster.h"

#include <string>

namespace methods {

// Reads "in.tif" (or another exchange file) of the current folder. On failure
// prints the reason to stderr and returns false.
bool ReadPage(const char* name, imaging::Raster* page);

// Writes a result page: 1-bit pages with Group 4, others with PackBits.
// On failure prints the reason, removes any partial file and returns false.
bool WritePage(const char* name, const imaging::Raster& page);

// The path of a file beside the running program whose name is the program's
// own name with its ".exe" (and a trailing "_s") replaced by `suffix`:
// "C:\w\otsu.exe" and "C:\w\otsu_s.exe" both give "C:\w\otsu.set" for ".set".
std::string CompanionPath(const char* suffix);

// Runs body() under a guard: any exception is reported and gives exit code 2.
int RunMethod(int (*body)());

} // namespace methods

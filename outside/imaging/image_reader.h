#pragma once
// Reading page images goes through the platform's imaging component (WIC):
// TIFF (first page) and BMP, into one of the raster layouts.
#include "raster.h"

#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

// Loads the first page of a TIFF or BMP file. 1-bit pages become Bilevel
// (set bit = black, whatever the file's photometric), grey pages Gray8,
// palette pages Palette8 (or Gray8 when the palette is a grey ramp), and
// everything else Rgb24. Fails with a reason for a missing or unreadable file.
bool LoadImageFile(const std::string& path, Raster* page, std::string* error = nullptr);

// The same from bytes in memory.
bool LoadImageBytes(const std::vector<uint8_t>& bytes, Raster* page, std::string* error = nullptr);

// The bytes of a private tag of the first page of a TIFF file; false when the
// file has no such tag or cannot be read.
bool ReadTiffTag(const std::string& path, uint16_t tag, std::vector<uint8_t>* bytes);

// Added: ReadTiffTag on a file in memory, with the reason when it fails.
bool ReadTiffTagBytes(const std::vector<uint8_t>& file, uint16_t tag, std::vector<uint8_t>* bytes,
                      std::string* error = nullptr);

} // namespace imaging

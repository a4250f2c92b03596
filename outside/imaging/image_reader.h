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
//
// The details:
// - The format is told by the signature ("II*\0", "MM\0*", "BM"); anything
//   else fails. Paths are in the ANSI code page, like the rest of the system.
// - Before WIC decodes anything the file is checked: an image of more than
//   2^28 pixels or a side over 2^20, or image data past the end of the file
//   (TIFF strips or tiles, uncompressed BMP rows), fails with a reason. So
//   does a TIFF with fewer strips or tiles than its size needs (RowsPerStrip,
//   TileWidth and TileLength, one set per plane for separate planes), or an
//   uncompressed strip shorter than its rows.
//   Files are read whole, up to 512 MiB.
// - 1-bit BMPs (and other 1-bit indexed pages) are Bilevel only when the
//   palette is black and white (either order); otherwise, like 2/4/8-bit
//   indexed pages, Palette8 with WIC's palette (for a TIFF that is 256
//   entries, the whole ColorMap). Gray8 only for the exact ramp 0..255 of 256
//   entries. 2/4/16-bit grey becomes Gray8 (spread over 0..255). Alpha is
//   dropped, not composited.
// - xDpi/yDpi are 0 when the file gives no resolution (no TIFF resolution
//   tags, TIFF ResolutionUnit 1, BMP pixels-per-metre 0); WIC would say 96.
// - On failure *page is left as it was.
// - COM is initialised on the calling thread for the call when it is not
//   already (and uninitialised again); a thread already in either apartment
//   is fine.
bool LoadImageFile(const std::string& path, Raster* page, std::string* error = nullptr);

// The same from bytes in memory.
bool LoadImageBytes(const std::vector<uint8_t>& bytes, Raster* page, std::string* error = nullptr);

// The bytes of a private tag of the first page of a TIFF file; false when the
// file has no such tag or cannot be read.
// Tags of type BYTE, SBYTE or UNDEFINED only (false for other types). A tag
// of count 0 (not one our writer makes) gives true and no bytes.
bool ReadTiffTag(const std::string& path, uint16_t tag, std::vector<uint8_t>* bytes);

// Added: ReadTiffTag on a file in memory, with the reason when it fails.
bool ReadTiffTagBytes(const std::vector<uint8_t>& file, uint16_t tag, std::vector<uint8_t>* bytes,
                      std::string* error = nullptr);

} // namespace imaging

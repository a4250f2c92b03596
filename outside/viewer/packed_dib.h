#pragma once
// Page images as packed DIBs (BITMAPINFOHEADER, colour table, rows bottom-up
// padded to 4 bytes): what the view paints from and what it hands over to,
// and takes from, its host.
#include "raster.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace viewer {

// The packed DIB of a page: Bilevel as 1 bit with {white, black} (a set bit
// stays black), Gray8 as 8 bits with a grey ramp, Palette8 as 8 bits with
// 256 colours (past the page's palette black), Rgb24 as 24 bits. The
// resolution goes into the pixels-per-metre fields (0 when unknown).
// Empty for a page with no pixels or inconsistent sizes.
std::vector<uint8_t> PackedDibFromRaster(const imaging::Raster& page);

// Reads a packed DIB of size bytes; fails with a reason, *page untouched,
// for anything but an uncompressed (BI_RGB) DIB of 1, 4, 8, 24 or 32 bits
// with a BITMAPINFOHEADER (or a later, longer header), one plane, a width of
// 1..2^20, a height of 1..2^20 either way up, at most 2^28 pixels, and
// header, colour table and rows all inside the size given.
// 1 bit with a black and white table becomes Bilevel, 8 bits with the exact
// grey ramp Gray8, other tables Palette8, 24 and 32 bits Rgb24 (alpha
// dropped).
bool RasterFromPackedDib(const uint8_t* dib, size_t size, imaging::Raster* page,
                         std::string* error);

// The turns a picture can take, by their codes: a quarter turn clockwise,
// a half turn, a quarter turn anticlockwise, top to bottom, left to right.
enum TurnCode { kTurnRight = 1, kTurnHalf = 2, kTurnLeft = 3, kFlip = 4, kMirror = 5 };

// A new packed DIB (bottom-up) of the one given, turned by code; the header's
// other fields and the colour table stay. Takes what RasterFromPackedDib
// takes and 16-bit DIBs too; fails with a reason otherwise.
bool TurnPackedDib(const uint8_t* dib, size_t size, int code, std::vector<uint8_t>* turned,
                   std::string* error);

} // namespace viewer

#pragma once
// Helpers of the imaging tests: pages to code, a TIFF and BMP builder and a
// TIFF parser of their own (independent of the code under test).
#include "raster.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace imgtest {

using imaging::PixelLayout;
using imaging::Raster;

// "0010 111" -> bytes, most significant bit first, padded with zero bits.
std::vector<uint8_t> BitsToBytes(const std::string& bits);

// A Bilevel page, black where black(x, y).
Raster BilevelFrom(int width, int height, const std::function<bool(int, int)>& black);

// Page-like 1-bit content: text drawn by GDI into a 1-bit DIB section, rules,
// a frame, a filled block, all-black and all-white rows. *textPixels gets the
// number of black pixels the text alone made.
Raster TextPage(int width, int height, long* textPixels = nullptr);

// Random pixels of any layout (Palette8 with a palette of paletteSize colours
// that is not a grey ramp).
Raster Noise(int width, int height, PixelLayout layout, uint32_t seed, int paletteSize = 37,
             int blackPercent = 50);

// Failure text naming the first difference, or empty when equal.
std::string Difference(const Raster& expected, const Raster& actual);

// PackBits decoding of one row; false when a run would cross the end of the
// row or the data ends early. *used gets the bytes consumed.
bool UnpackBitsRow(const uint8_t* data, size_t size, size_t rowBytes, std::vector<uint8_t>* row,
                   size_t* used);

// TIFF LZW (compression 5) of one strip or tile: codes of 9 to 12 bits, most
// significant bit first, a Clear code first and whenever the table is full,
// the code width growing one code early as TIFF readers expect, EOI last.
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& data);

// A page as an LZW TIFF of strips of rowsPerStrip rows (tiles of tileSize
// square when tileSize > 0): Bilevel as WhiteIsZero (a set bit is black),
// Gray8 as BlackIsZero, Rgb24 chunky; with predictor, horizontal
// differencing (Predictor 2) before the coding.
std::vector<uint8_t> LzwPage(const Raster& page, int rowsPerStrip, bool predictor = false,
                             int tileSize = 0);

// A TIFF put together field by field.
struct Field {
    uint16_t tag, type;
    uint32_t count;
    std::vector<uint8_t> value;   // in file byte order already for BYTE/UNDEFINED; see helpers
};
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false) : big_(bigEndian) {}
    void Short(uint16_t tag, std::vector<uint16_t> values);
    void Long(uint16_t tag, std::vector<uint32_t> values);
    void Rational(uint16_t tag, uint32_t n, uint32_t d);
    void Bytes(uint16_t tag, uint16_t type, std::vector<uint8_t> bytes, uint32_t count);
    // The strip data; StripOffsets (one strip) and StripByteCounts are added.
    std::vector<uint8_t> Build(const std::vector<uint8_t>& strip) const;
    // Several pieces, one after another after the IFD: StripOffsets and
    // StripByteCounts, or TileOffsets and TileByteCounts, list each of them.
    std::vector<uint8_t> BuildPieces(const std::vector<std::vector<uint8_t>>& pieces, bool tiles) const;
    // Adds this page to a file: a new file when *file is empty, else a page
    // after the last one this builder or another added (give each added
    // page the builder of the page before's link: see Chain).
    void Append(std::vector<uint8_t>* file, const std::vector<std::vector<uint8_t>>& pieces,
                bool tiles) const;
    // The builder of the next page continues the file this one wrote.
    void Chain(const TiffBuilder& before) { lastLink_ = before.lastLink_; }

private:
    void Put(std::vector<uint8_t>* v, uint32_t x, int bytes) const;
    bool big_;
    std::vector<Field> fields_;
    mutable uint32_t lastLink_ = 4;   // where the last IFD written keeps its next offset
};

// The first IFD of a little-endian TIFF, as written: tag -> field, plus the
// order of the tags and where the value bytes are.
struct ParsedEntry {
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t valueOffset = 0;   // 0 when inline
    std::vector<uint8_t> raw;   // count * size bytes
};
struct ParsedTiff {
    bool ok = false;
    std::string error;
    std::vector<uint16_t> order;
    std::map<uint16_t, ParsedEntry> entries;
    std::vector<uint32_t> Values(uint16_t tag) const;   // SHORT/LONG values
};
// The first IFD; a file of more than one page fails unless morePages.
ParsedTiff ParseTiff(const std::vector<uint8_t>& file, bool morePages = false);

// A BMP file: bits per pixel 1, 4, 8, 24 or 32; rows given top-down in the
// BMP's own packing, without the row padding; topDown writes a negative height.
std::vector<uint8_t> MakeBmp(int width, int height, int bpp, const std::vector<uint32_t>& paletteBgr,
                             const std::vector<std::vector<uint8_t>>& rows, int pelsPerMeter = 0,
                             bool topDown = false);

} // namespace imgtest

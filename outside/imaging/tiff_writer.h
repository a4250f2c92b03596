#pragma once
// Our baseline TIFF writer: one page, 1-bit (written min-is-white, so a set
// bit is black), 8-bit grey, 8-bit palette or 24-bit RGB; uncompressed,
// PackBits, or CCITT Group 4 for 1-bit pages; resolution tags; and private
// tags of type BYTE or UNDEFINED carrying arbitrary bytes.
#include "raster.h"

#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

enum class TiffCompression : uint16_t {
    None = 1,
    Ccitt4 = 4,        // 1-bit pages only
    PackBits = 32773,
};

enum class TiffTagType : uint16_t {
    Byte = 1,
    Undefined = 7,
};

struct TiffPrivateTag {
    uint16_t tag = 0;                 // e.g. 32932 or 34686
    TiffTagType type = TiffTagType::Undefined;
    std::vector<uint8_t> bytes;
};

struct TiffWriteOptions {
    TiffCompression compression = TiffCompression::None;
    std::vector<TiffPrivateTag> privateTags;
};

// The whole file in memory. Fails (empty result, reason in *error) for a
// raster with no pixels or inconsistent sizes, Group 4 on a page that is not
// 1-bit, or a private tag whose number is not above the baseline ones.
//
// The details:
// - Refused as well: a Palette8 page with no or more than 256 palette entries;
//   a private tag given twice, of another type, or with no bytes (WIC cannot
//   tell a zero-length tag from a one-byte or missing one); private tag
//   numbers that describe the image data (tiles 322-325, SubIFDs 330,
//   ExtraSamples 338, SampleFormat 339, 340-341, JPEG 347 and 512-521, YCbCr
//   529-532); a resolution above 1,000,000 dpi; an unknown compression.
// - Layout: "II" header, the one IFD at offset 8 (tags ascending, private
//   ones among them), then the values that do not fit in an entry, each at an
//   even offset, then the strips. Uncompressed and PackBits pages have strips
//   of about 64 KiB of raw rows (PackBits coded row by row); Group 4 pages are
//   one strip (with FillOrder 1 and T6Options 0).
// - Resolution: xDpi/yDpi as RATIONALs with ResolutionUnit 2 (inch). When
//   either is not a positive number the resolution is written as unknown:
//   ResolutionUnit 1 (none) and 1/1, which the reader gives back as 0.
// - Palette8: the ColorMap always has 256 entries; those past the palette
//   are black. Padding bits past the width of Bilevel rows are written as 0.
std::vector<uint8_t> EncodeTiff(const Raster& page, const TiffWriteOptions& options,
                                std::string* error = nullptr);

// EncodeTiff, written to a file (replaced when it exists).
bool WriteTiffFile(const std::string& path, const Raster& page, const TiffWriteOptions& options,
                   std::string* error = nullptr);

// The CCITT T.6 (Group 4) coding of a 1-bit page, black = set bit, ended by EOFB.
// (Empty for a raster that is not Bilevel, is empty or has inconsistent sizes.)
std::vector<uint8_t> EncodeGroup4(const Raster& bilevel);

// Added: the PackBits coding of one run of bytes (one row), appended to *out.
void AppendPackBits(const uint8_t* data, size_t size, std::vector<uint8_t>* out);

} // namespace imaging

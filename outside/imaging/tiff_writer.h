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

#pragma once
// The Wang/Oi annotation data of TIFF tag 32932, the one definition that its
// writers and its reader share. All numbers are 32-bit little-endian; fields
// and blocks follow one another without gaps.
//
//   Header (8 bytes): a reserved dword (0 from the ANSI writer, 0x00030004
//   from the Unicode writer), then the integer format: 1 for 32-bit Intel
//   order. Format 0 (16-bit) is not read.
//
//   Then blocks, back to back, to the end of the data:
//   - a mark block: dword 5, dword 164 (the size of what follows), then the
//     164-byte mark attributes (offsets in namespace mark);
//   - a named block: dword type (2 a default block, 6 a block of the mark
//     it goes with), dword 12, an 8-byte name (NUL-padded; a name of 8
//     characters has none), dword data length, then the data.
#include <cstddef>
#include <cstdint>

namespace wang {

constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kAnsiHeaderWord = 0;
constexpr uint32_t kUnicodeHeaderWord = 0x00030004;
constexpr uint32_t kIntelFormat32 = 1;
constexpr uint32_t kIntelFormat16 = 0;

constexpr int32_t kMarkBlock = 5;
constexpr int32_t kDefaultNamedBlock = 2;
constexpr int32_t kMarkNamedBlock = 6;

constexpr uint32_t kMarkAttributesSize = 164;
constexpr uint32_t kMarkBlockSize = 8 + kMarkAttributesSize;  // 172

constexpr uint32_t kNamedHeaderSize = 12;  // name and data length
constexpr uint32_t kNamedBlockFixedSize = 20;
constexpr uint32_t kNameSize = 8;

// Offsets within the mark attributes.
namespace mark {
constexpr size_t kType = 0;
constexpr size_t kLeft = 4;
constexpr size_t kTop = 8;
constexpr size_t kRight = 12;
constexpr size_t kBottom = 16;
constexpr size_t kColour1 = 20;  // blue, green, red, 0
constexpr size_t kColour2 = 24;
constexpr size_t kHighlighting = 28;
constexpr size_t kTransparent = 32;
constexpr size_t kLineSize = 36;
constexpr size_t kFont = 48;  // a 60-byte LOGFONTA
constexpr size_t kFontSize = 60;
constexpr size_t kTime = 112;  // seconds since 1 January 1970
constexpr size_t kVisible = 116;
constexpr size_t kPermissions = 120;
constexpr uint32_t kPermissionsValue = 0x000FF83F;
} // namespace mark

// Mark types.
enum MarkType : uint32_t {
    kImageEmbedded = 1,
    kImageReference = 2,
    kStraightLine = 3,
    kFreehandLine = 4,
    kHollowRectangle = 5,
    kFilledRectangle = 6,
    kTypedText = 7,
    kTextFromFile = 8,
    kTextStamp = 9,
    kAttachANote = 10,
    kForm = 12,
    kOcrRegion = 13,
};

// Block names.
constexpr char kGroupName[] = "OiGroup";
constexpr char kIndexName[] = "OiIndex";
constexpr char kMarkDataName[] = "OiAnoDat";
constexpr char kFileNameName[] = "OiFilNam";
constexpr char kDibName[] = "OiDIB";
constexpr char kTextName[] = "OiAnText";
constexpr char kHyperlinkName[] = "OiHypLnk";
constexpr char kUnicodeGroupName[] = "OiUGroup";
constexpr char kUnicodeTextName[] = "OiUText";
// The per-layer group block of the Unicode writer.
constexpr char kLayerGroupUnicodeName[] = "OIUGROUP";

constexpr char kUntitled[] = "[Untitled]";
constexpr uint32_t kUntitledLength = 10;

// "OiIndex": decimal digits, NUL-padded to 10 bytes.
constexpr uint32_t kIndexSize = 10;

// "OiUGroup" as the Unicode writer writes it: dword 12, the 10 characters
// "[Untitled]" in ANSI, 2 zero bytes, the same 10 characters in UTF-16,
// 6 zero bytes. As read: dword n, n ANSI bytes, UTF-16 text and its NUL.
constexpr uint32_t kUnicodeGroupSize = 42;
constexpr uint32_t kUnicodeGroupAnsiSize = 12;

// "OiAnText": dword orientation (tenths of a degree), dword 1000, dword
// creation scale, dword n, then n bytes of ANSI text with its NUL.
namespace text {
constexpr size_t kOrientation = 0;
constexpr size_t kReserved = 4;
constexpr size_t kCreationScale = 8;
constexpr size_t kLength = 12;
constexpr size_t kText = 16;
constexpr uint32_t kReservedValue = 1000;
constexpr uint32_t kDefaultCreationScale = 1000;
} // namespace text

// "OiUText": dword n, n bytes of ANSI text with its NUL, then the UTF-16
// text and its NUL.

// "OiAnoDat" of a line or freehand mark: dword most points, dword points,
// then the points as {int32 x, int32 y} in image pixels relative to the left
// and top of the mark's bounds.
namespace points {
constexpr size_t kMaxPoints = 0;
constexpr size_t kCount = 4;
constexpr size_t kPoints = 8;
constexpr uint32_t kPointSize = 8;
} // namespace points

// "OiAnoDat" of an image mark: dword rotation (1 as stored), dword scale
// (1000), the current horizontal and vertical resolution, the first-stored
// horizontal and vertical resolution (dots per inch), then 8 zero dwords.
namespace rotation {
constexpr uint32_t kSize = 56;
constexpr uint32_t kUnrotated = 1;
constexpr uint32_t kScale = 1000;
} // namespace rotation

// The closing default blocks.
constexpr uint32_t kClosingGroupLength = 11;  // "[Untitled]" and its NUL

} // namespace wang

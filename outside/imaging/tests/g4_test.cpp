// The Group 4 code of tiny pages, written out by hand from the T.4/T.6 code
// tables (mode codes: P 0001, H 001, V0 1, VR1 011, VL1 010; EOL 000000000001;
// run codes from tables 2 and 3), and the encoder's contract.
#include "test_support.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

using namespace imaging;
using namespace imgtest;

namespace {
const char* const kEofb = "000000000001 000000000001";

std::vector<uint8_t> Code(const std::string& bits) { return BitsToBytes(bits + " " + kEofb); }

Raster Rows(int width, const std::vector<std::string>& rows)   // '#' black
{
    return BilevelFrom(width, static_cast<int>(rows.size()),
                       [&](int x, int y) { return rows[y][x] == '#'; });
}
} // namespace

TEST(Group4Golden, AllWhite8x2)
{
    // Each row: a1 = b1 = 8 (the end), so V0.
    EXPECT_EQ(EncodeGroup4(Raster::Blank(8, 2, PixelLayout::Bilevel)),
              (std::vector<uint8_t>{0xC0, 0x04, 0x00, 0x40}));
    EXPECT_EQ(EncodeGroup4(Raster::Blank(8, 2, PixelLayout::Bilevel)), Code("1 1"));
}

TEST(Group4Golden, OneBlackRun)
{
    // a1 = 2, b1 = 8: horizontal, white 2 (0111), black 3 (10); then V0.
    Raster page = Rows(8, {"..###..."});
    EXPECT_EQ(EncodeGroup4(page), (std::vector<uint8_t>{0x2F, 0x40, 0x04, 0x00, 0x40}));
    EXPECT_EQ(EncodeGroup4(page), Code("001 0111 10  1"));
}

TEST(Group4Golden, VerticalModesAgainstTheRowAbove)
{
    // Row 2 is row 1 moved right by one: VR1 twice, then V0 at the end.
    // Row 3 is row 2 moved left by two, one pixel longer: VL2 (000010), VL1, V0.
    Raster page = Rows(8, {"..###...", "...###..", ".####..."});
    EXPECT_EQ(EncodeGroup4(page), Code("001 0111 10 1   011 011 1   000010 010 1"));
}

TEST(Group4Golden, PassMode)
{
    // Row 2 is white under a black run: b2 = 3 < a1 = 8, so P, then V0.
    // Row 1: white 1 (000111), black 2 (11).
    Raster page = Rows(8, {".##.....", "........"});
    EXPECT_EQ(EncodeGroup4(page), Code("001 000111 11 1   0001 1"));
}

TEST(Group4Golden, OnePixelPages)
{
    // Black: a1 = 0, b1 = 1: VL1; then a1 = b1 = 1: V0.
    EXPECT_EQ(EncodeGroup4(Rows(1, {"#"})), Code("010 1"));
    EXPECT_EQ(EncodeGroup4(Rows(1, {"."})), Code("1"));
    // Black under black: V0, V0. White under black: a1 = 1 (the end), b1 = 0,
    // b2 = 1, so no pass; a1 - b1 = 1: VR1.
    EXPECT_EQ(EncodeGroup4(Rows(1, {"#", "#", "."})), Code("010 1   1 1   011"));
}

TEST(Group4Golden, MakeUpCodes)
{
    // 200 wide, black from 130: white 130 = make-up 128 (10010) + 2 (0111),
    // black 70 = make-up 64 (0000001111) + 6 (0010).
    std::string row(200, '.');
    for (int x = 130; x < 200; ++x)
        row[x] = '#';
    EXPECT_EQ(EncodeGroup4(Rows(200, {row})), Code("001 10010 0111 0000001111 0010"));
}

TEST(Group4Golden, ExtendedMakeUpCodes)
{
    // 2000 wide, black from 1900: white 1900 = 1856 (00000001100) + 44 (00101101),
    // black 100 = 64 (0000001111) + 36 (000011010100).
    std::string row(2000, '.');
    for (int x = 1900; x < 2000; ++x)
        row[x] = '#';
    EXPECT_EQ(EncodeGroup4(Rows(2000, {row})),
              Code("001 00000001100 00101101 0000001111 000011010100"));
    // 2600 black: white 0 (00110101), black 2560 (000000011111) + 40 (000001101100).
    EXPECT_EQ(EncodeGroup4(Rows(2600, {std::string(2600, '#')})),
              Code("001 00110101 000000011111 000001101100"));
    // 5300 wide, black 5200-5209: white 5200 = 2560, 2560, 64 (11011) + 16 (101010),
    // black 10 (0000100); then V0 at the end.
    std::string wide(5300, '.');
    for (int x = 5200; x < 5210; ++x)
        wide[x] = '#';
    EXPECT_EQ(EncodeGroup4(Rows(5300, {wide})),
              Code("001 000000011111 000000011111 11011 101010 0000100 1"));
    // Black just 3 before the end: VL3 (0000010), not horizontal; then V0.
    std::string nearEnd(5203, '.');
    nearEnd[5200] = nearEnd[5201] = nearEnd[5202] = '#';
    EXPECT_EQ(EncodeGroup4(Rows(5203, {nearEnd})), Code("0000010 1"));
}

TEST(Group4, PaddingBitsDoNotMatter)
{
    Raster clean = Noise(13, 20, PixelLayout::Bilevel, 5);
    Raster dirty = clean;
    for (int y = 0; y < dirty.height; ++y)
        dirty.Row(y)[1] |= 0x07;   // the three bits past 13
    EXPECT_EQ(EncodeGroup4(clean), EncodeGroup4(dirty));
}

TEST(Group4, NothingForPagesItCannotCode)
{
    EXPECT_TRUE(EncodeGroup4(Raster{}).empty());
    EXPECT_TRUE(EncodeGroup4(Raster::Blank(8, 8, PixelLayout::Gray8)).empty());
    Raster bad = Raster::Blank(8, 8, PixelLayout::Bilevel);
    bad.pixels.pop_back();
    EXPECT_TRUE(EncodeGroup4(bad).empty());
}

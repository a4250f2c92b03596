// The reader on files we did not write: BMPs, hand-made TIFF variants, bad
// and hostile input, and its COM manners.
#include "image_reader.h"
#include "test_support.h"
#include "testkit.h"
#include "tiff_writer.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

using namespace imaging;
using namespace imgtest;

namespace {

bool Loads(const std::vector<uint8_t>& bytes, Raster* page = nullptr, std::string* error = nullptr)
{
    Raster scratch;
    return LoadImageBytes(bytes, page ? page : &scratch, error);
}

void ExpectFails(const std::vector<uint8_t>& bytes, const std::string& what)
{
    std::string error;
    Raster page;
    page.width = 77;
    EXPECT_FALSE(LoadImageBytes(bytes, &page, &error)) << what;
    EXPECT_NE(error, "") << what;
    EXPECT_EQ(page.width, 77) << what << ": the raster is left alone on failure";
}

// A 1-bit BMP row from a picture line ('#' = palette index 1).
std::vector<uint8_t> Bits1(const std::string& line)
{
    std::vector<uint8_t> row((line.size() + 7) / 8, 0);
    for (size_t x = 0; x < line.size(); ++x)
        if (line[x] == '#')
            row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return row;
}

std::vector<uint8_t> GoodTiff(TiffCompression c)
{
    TiffWriteOptions o;
    o.compression = c;
    o.privateTags.push_back({32932, TiffTagType::Undefined, std::vector<uint8_t>(40, 3)});
    return EncodeTiff(TextPage(300, 120), o);
}

} // namespace

// ---- BMP -------------------------------------------------------------------

TEST(ImageReaderBmp, Rgb24BottomUpAndTopDown)
{
    const int w = 5, h = 3;
    std::vector<std::vector<uint8_t>> rows(h);
    Raster expected = Raster::Blank(w, h, PixelLayout::Rgb24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t r = static_cast<uint8_t>(10 * x + y), g = static_cast<uint8_t>(100 + y), b = static_cast<uint8_t>(200 - x);
            rows[y].insert(rows[y].end(), {b, g, r});   // BMP stores B, G, R
            uint8_t* p = expected.Row(y) + 3 * x;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    for (bool topDown : {false, true}) {
        Raster page;
        std::string error;
        ASSERT_TRUE(Loads(MakeBmp(w, h, 24, {}, rows, 11811, topDown), &page, &error)) << error;
        EXPECT_EQ(Difference(expected, page), "") << (topDown ? "top-down" : "bottom-up");
        EXPECT_NEAR(page.xDpi, 300.0, 0.01);
        EXPECT_NEAR(page.yDpi, 300.0, 0.01);
    }
}

TEST(ImageReaderBmp, Rgb32BecomesRgb24)
{
    std::vector<std::vector<uint8_t>> rows = {{1, 2, 3, 0, 4, 5, 6, 0}};
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(MakeBmp(2, 1, 32, {}, rows), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Rgb24);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(ImageReaderBmp, OneBitBlackAndWhiteIsBilevelWhateverThePaletteOrder)
{
    std::vector<std::string> picture = {"#..#.....##", "...........", "###########"};
    Raster expected = BilevelFrom(11, 3, [&](int x, int y) { return picture[y][x] == '#'; });
    // Palette {white, black}: index 1 = black.
    std::vector<std::vector<uint8_t>> rows;
    for (const auto& line : picture)
        rows.push_back(Bits1(line));
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(MakeBmp(11, 3, 1, {0xFFFFFF, 0x000000}, rows), &page, &error)) << error;
    EXPECT_EQ(Difference(expected, page), "");
    // Palette {black, white}: index 1 = white, so the file's bits are the inverse.
    rows.clear();
    for (auto line : picture) {
        for (char& ch : line)
            ch = ch == '#' ? '.' : '#';
        rows.push_back(Bits1(line));
    }
    ASSERT_TRUE(Loads(MakeBmp(11, 3, 1, {0x000000, 0xFFFFFF}, rows), &page, &error)) << error;
    EXPECT_EQ(Difference(expected, page), "");
}

TEST(ImageReaderBmp, OneBitInColoursIsPalette8)
{
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(MakeBmp(3, 1, 1, {0x0000FF, 0x00FF00}, {Bits1("#.#")}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Palette8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{1, 0, 1}));
    ASSERT_GE(page.palette.size(), 2u);
    EXPECT_EQ(page.palette[0].b, 0xFF);   // RGBQUAD 0x0000FF: blue
    EXPECT_EQ(page.palette[0].r, 0x00);
    EXPECT_EQ(page.palette[1].g, 0xFF);   // 0x00FF00: green
}

TEST(ImageReaderBmp, FourAndEightBitPalettes)
{
    std::vector<uint32_t> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back(static_cast<uint32_t>(i * 0x010203 + 0x100000));
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(MakeBmp(5, 2, 4, palette, {{0x01, 0x23, 0x40}, {0xFE, 0xDC, 0xB0}}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Palette8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{0, 1, 2, 3, 4, 15, 14, 13, 12, 11}));
    ASSERT_GE(page.palette.size(), 16u);
    EXPECT_EQ(page.palette[3].r, static_cast<uint8_t>(0x10 + 3));
    EXPECT_EQ(page.palette[3].g, 6);
    EXPECT_EQ(page.palette[3].b, 9);

    palette.clear();
    for (int i = 0; i < 256; ++i)
        palette.push_back(static_cast<uint32_t>(0x010101 * (255 - i)));   // reversed: not the ramp
    ASSERT_TRUE(Loads(MakeBmp(3, 1, 8, palette, {{0, 128, 255}}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Palette8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{0, 128, 255}));
    EXPECT_EQ(page.palette[0].r, 255);
}

TEST(ImageReaderBmp, EightBitGreyRampIsGray8)
{
    std::vector<uint32_t> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.push_back(static_cast<uint32_t>(0x010101 * i));
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(MakeBmp(4, 2, 8, ramp, {{0, 1, 254, 255}, {9, 8, 7, 6}}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Gray8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{0, 1, 254, 255, 9, 8, 7, 6}));
    EXPECT_TRUE(page.palette.empty());
}

TEST(ImageReaderBmp, NoResolutionIsUnknown)
{
    Raster page;
    ASSERT_TRUE(Loads(MakeBmp(1, 1, 24, {}, {{1, 2, 3}}, 0), &page));
    EXPECT_EQ(page.xDpi, 0.0);
    EXPECT_EQ(page.yDpi, 0.0);
}

TEST(ImageReaderBmp, AbsurdAndBrokenHeadersFail)
{
    std::vector<uint8_t> good = MakeBmp(4, 4, 24, {}, std::vector<std::vector<uint8_t>>(4, std::vector<uint8_t>(12, 7)));
    ASSERT_TRUE(Loads(good));
    auto with32 = [&](size_t at, int32_t v) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
        return b;
    };
    ExpectFails(with32(18, 100000), "width 100000 (the data is not there)");
    ExpectFails(with32(22, 100000), "height 100000");
    std::vector<uint8_t> huge = with32(18, 1000000);
    for (int i = 0; i < 4; ++i)
        huge[22 + i] = static_cast<uint8_t>(1000000 >> (8 * i));
    ExpectFails(huge, "a million by a million");
    ExpectFails(with32(18, 0), "width 0");
    ExpectFails(with32(22, 0), "height 0");
    ExpectFails(with32(18, -4), "negative width");
    ExpectFails(with32(22, INT32_MIN), "height INT_MIN");
    ExpectFails(with32(10, 1 << 30), "pixel data offset past the end");
    ExpectFails(with32(14, 7), "header size 7");
    ExpectFails(with32(14, 1 << 20), "header size huge");
    ExpectFails(std::vector<uint8_t>(good.begin(), good.begin() + good.size() - 1), "one byte short");
    ExpectFails(std::vector<uint8_t>(good.begin(), good.begin() + 30), "header only");
    ExpectFails({'B', 'M'}, "signature only");
}

// ---- TIFF variants we did not write ----------------------------------------

TEST(ImageReaderTiff, MinIsBlackOneBitStillHasSetBitBlack)
{
    // Photometric 1: a 0 bit is black. Our raster must say black all the same.
    TiffBuilder b;
    b.Long(256, {10});
    b.Long(257, {2});
    b.Short(258, {1});
    b.Short(259, {1});
    b.Short(262, {1});
    b.Long(278, {2});
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(b.Build({0x7F, 0xBF, 0x00, 0x3F}), &page, &error)) << error;
    Raster expected = BilevelFrom(10, 2, [](int x, int y) { return y == 1 || x == 0 || x == 9; });
    EXPECT_EQ(Difference(expected, page), "");
}

TEST(ImageReaderTiff, BigEndianGrey)
{
    TiffBuilder b(true);
    b.Short(256, {3});
    b.Short(257, {2});
    b.Short(258, {8});
    b.Short(259, {1});
    b.Short(262, {1});
    b.Rational(282, 150, 1);
    b.Rational(283, 75, 1);
    b.Short(296, {2});
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(b.Build({0, 100, 255, 1, 2, 3}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Gray8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{0, 100, 255, 1, 2, 3}));
    EXPECT_EQ(page.xDpi, 150.0);
    EXPECT_EQ(page.yDpi, 75.0);
}

TEST(ImageReaderTiff, WhiteIsZeroGreyIsInverted)
{
    TiffBuilder b;
    b.Long(256, {3});
    b.Long(257, {1});
    b.Short(258, {8});
    b.Short(259, {1});
    b.Short(262, {0});
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(b.Build({0, 55, 255}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Gray8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{255, 200, 0}));
}

TEST(ImageReaderTiff, ResolutionUnits)
{
    auto dpi = [](bool tags, int unit) {
        TiffBuilder b;
        b.Long(256, {1});
        b.Long(257, {1});
        b.Short(258, {8});
        b.Short(259, {1});
        b.Short(262, {1});
        if (tags) {
            b.Rational(282, 11811, 100);
            b.Rational(283, 11811, 100);
        }
        if (unit)
            b.Short(296, {static_cast<uint16_t>(unit)});
        Raster page;
        EXPECT_TRUE(LoadImageBytes(b.Build({9}), &page));
        return page.xDpi;
    };
    EXPECT_EQ(dpi(false, 0), 0.0);            // no resolution: unknown
    EXPECT_EQ(dpi(true, 1), 0.0);             // no absolute unit: unknown
    EXPECT_NEAR(dpi(true, 2), 118.11, 1e-4);  // inch (also the default)
    EXPECT_NEAR(dpi(true, 0), 118.11, 1e-4);
    EXPECT_NEAR(dpi(true, 3), 300.0, 0.01);   // centimetre
}

TEST(ImageReaderTiff, FourBitGreyAndPalette)
{
    TiffBuilder g;
    g.Long(256, {4});
    g.Long(257, {1});
    g.Short(258, {4});
    g.Short(259, {1});
    g.Short(262, {1});
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(g.Build({0x0F, 0x8A}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Gray8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{0, 255, 0x88, 0xAA}));

    TiffBuilder p;
    p.Long(256, {3});
    p.Long(257, {1});
    p.Short(258, {4});
    p.Short(259, {1});
    p.Short(262, {3});
    std::vector<uint16_t> map(48, 0);
    map[2] = 0xFFFF;             // red of entry 2
    map[16 + 1] = 0x8080;        // green of entry 1
    p.Short(320, map);
    ASSERT_TRUE(Loads(p.Build({0x12, 0x00}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Palette8);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{1, 2, 0}));
    ASSERT_GE(page.palette.size(), 3u);
    EXPECT_EQ(page.palette[2].r, 255);
    EXPECT_EQ(page.palette[1].g, 0x80);
}

TEST(ImageReaderTiff, RgbaDropsAlpha)
{
    TiffBuilder b;
    b.Long(256, {2});
    b.Long(257, {1});
    b.Short(258, {8, 8, 8, 8});
    b.Short(259, {1});
    b.Short(262, {2});
    b.Short(277, {4});
    b.Short(338, {2});   // unassociated alpha
    Raster page;
    std::string error;
    ASSERT_TRUE(Loads(b.Build({10, 20, 30, 255, 40, 50, 60, 255}), &page, &error)) << error;
    EXPECT_EQ(page.layout, PixelLayout::Rgb24);
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{10, 20, 30, 40, 50, 60}));
}

TEST(ImageReaderTags, ZeroLengthTagsOfOtherWriters)
{
    // Our writer refuses them; a file from elsewhere may have them. WIC (wine)
    // reports a BYTE tag of count 0 as one byte, an UNDEFINED one as VT_EMPTY;
    // the reader takes the count from the file and gives zero bytes.
    for (uint16_t type : {1, 7}) {
        TiffBuilder b;
        b.Long(256, {1});
        b.Long(257, {1});
        b.Short(258, {8});
        b.Short(259, {1});
        b.Short(262, {1});
        b.Bytes(32932, type, {0x55}, 0);
        std::vector<uint8_t> file = b.Build({9});
        std::vector<uint8_t> bytes = {1, 2};
        std::string error;
        EXPECT_TRUE(ReadTiffTagBytes(file, 32932, &bytes, &error)) << error;
        EXPECT_TRUE(bytes.empty());
        EXPECT_TRUE(Loads(file));
    }
}

TEST(ImageReaderTags, AbsentWrongTypeAndBadFiles)
{
    std::vector<uint8_t> file = GoodTiff(TiffCompression::Ccitt4);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(ReadTiffTagBytes(file, 32932, &bytes, &error)) << error;
    EXPECT_EQ(bytes, std::vector<uint8_t>(40, 3));
    EXPECT_FALSE(ReadTiffTagBytes(file, 34686, &bytes, &error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(ReadTiffTagBytes(file, 262, &bytes, &error));   // a SHORT
    EXPECT_FALSE(ReadTiffTagBytes(file, 282, &bytes, &error));   // a RATIONAL
    EXPECT_FALSE(ReadTiffTagBytes(MakeBmp(1, 1, 24, {}, {{1, 2, 3}}), 32932, &bytes, &error));
    EXPECT_FALSE(ReadTiffTagBytes({}, 32932, &bytes, &error));
    EXPECT_FALSE(ReadTiffTagBytes(std::vector<uint8_t>(file.begin(), file.begin() + 20), 32932, &bytes, &error));
    EXPECT_FALSE(ReadTiffTag("Z:\\no\\such\\file.tif", 32932, &bytes));
}

// ---- bad input ---------------------------------------------------------------

TEST(ImageReaderBadInput, MissingEmptyAndForeignFiles)
{
    testkit::TempFolder folder("imaging");
    std::string error;
    Raster page;
    EXPECT_FALSE(LoadImageFile(folder.path() + "\\missing.tif", &page, &error));
    EXPECT_NE(error.find("missing.tif"), std::string::npos) << error;
    EXPECT_FALSE(LoadImageFile(folder.path(), &page, &error)) << "a folder";
    testkit::WriteBytes(folder.path() + "\\empty.tif", {});
    EXPECT_FALSE(LoadImageFile(folder.path() + "\\empty.tif", &page, &error));
    EXPECT_NE(error, "");
    ExpectFails({}, "no bytes");
    ExpectFails({'I', 'I'}, "two bytes");
    ExpectFails({'I', 'I', 42, 0}, "signature only");
    ExpectFails({'I', 'I', 42, 0, 8, 0, 0, 0}, "header only");
    const char png[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";
    ExpectFails(std::vector<uint8_t>(png, png + sizeof png - 1), "a PNG signature");
    const char gif[] = "GIF89a\x01\0\x01\0\0\0\0";
    ExpectFails(std::vector<uint8_t>(gif, gif + sizeof gif - 1), "a GIF signature");
    EXPECT_FALSE(LoadImageBytes(GoodTiff(TiffCompression::None), nullptr, &error));
}

TEST(ImageReaderBadInput, TruncatedTiffs)
{
    for (TiffCompression c : {TiffCompression::None, TiffCompression::PackBits, TiffCompression::Ccitt4}) {
        std::vector<uint8_t> file = GoodTiff(c);
        ASSERT_TRUE(Loads(file));
        ParsedTiff t = ParseTiff(file);
        size_t dataStart = t.Values(273)[0];
        std::vector<size_t> cuts = {4, 8, 9, 10, 30, 100, dataStart - 1, dataStart, dataStart + 1,
                                    file.size() / 2, file.size() - 10, file.size() - 1};
        for (size_t cut : cuts) {
            if (cut >= file.size())
                continue;
            ExpectFails(std::vector<uint8_t>(file.begin(), file.begin() + cut),
                        std::string(c == TiffCompression::Ccitt4 ? "G4" : "strips") + " cut at " + std::to_string(cut));
        }
    }
}

namespace {

// A 64x48 8-bit grey page cut into pieces: `pieces` strips (or tiles) of
// `pieceBytes` bytes each, every byte of piece i being i + 1.
struct PieceCase {
    const char* what;
    bool tiles;
    std::vector<std::pair<uint16_t, uint32_t>> shorts;   // extra SHORT tags
    int pieces;
    uint32_t pieceBytes;
    uint32_t lastPieceBytes;                              // 0: like the others
    bool loads;
};

std::vector<uint8_t> PieceTiff(const PieceCase& c)
{
    TiffBuilder b;
    b.Short(256, {64});
    b.Short(257, {48});
    b.Short(258, {8});
    b.Short(259, {1});
    b.Short(262, {1});
    for (const auto& tag : c.shorts)
        b.Short(tag.first, {static_cast<uint16_t>(tag.second)});
    std::vector<std::vector<uint8_t>> pieces;
    for (int i = 0; i < c.pieces; ++i) {
        uint32_t size = i == c.pieces - 1 && c.lastPieceBytes ? c.lastPieceBytes : c.pieceBytes;
        pieces.push_back(std::vector<uint8_t>(size, static_cast<uint8_t>(i + 1)));
    }
    return b.BuildPieces(pieces, c.tiles);
}

} // namespace

TEST(ImageReaderBadInput, StripsAndTilesMustCoverTheImage)
{
    // Tags: 278 RowsPerStrip, 284 PlanarConfiguration, 277 SamplesPerPixel,
    // 322 TileWidth, 323 TileLength.
    const PieceCase cases[] = {
        {"one strip, no RowsPerStrip", false, {}, 1, 3072, 0, true},
        {"one strip of 48 rows", false, {{278, 48}}, 1, 3072, 0, true},
        {"RowsPerStrip past the height", false, {{278, 1000}}, 1, 3072, 0, true},
        {"three strips of 16 rows", false, {{278, 16}}, 3, 1024, 0, true},
        {"20 + 20 + 8 rows", false, {{278, 20}}, 3, 1280, 512, true},
        {"more strips than needed", false, {{278, 24}}, 3, 1536, 0, true},
        {"six tiles of 32x16", true, {{322, 32}, {323, 16}}, 6, 512, 0, true},
        {"RowsPerStrip 1, one strip holding all", false, {{278, 1}}, 1, 3072, 0, false},
        {"two strips of 16 rows for 48", false, {{278, 16}}, 2, 1024, 0, false},
        {"47 of 48 strips", false, {{278, 1}}, 47, 64, 0, false},
        {"RowsPerStrip 0", false, {{278, 0}}, 1, 3072, 0, false},
        {"uncompressed last strip short of its rows", false, {{278, 20}}, 3, 1280, 511, false},
        {"uncompressed strip short of its rows", false, {{278, 16}}, 3, 1000, 0, false},
        {"separate planes: one strip for three", false, {{277, 3}, {284, 2}, {278, 48}}, 1, 3072, 0, false},
        {"five of six tiles", true, {{322, 32}, {323, 16}}, 5, 512, 0, false},
        {"tiles with no tile size", true, {}, 6, 512, 0, false},
        {"tiles of length 0", true, {{322, 32}, {323, 0}}, 6, 512, 0, false},
        {"a tile size but one strip", false, {{322, 32}, {323, 16}}, 1, 3072, 0, false},
    };
    for (const PieceCase& c : cases) {
        std::vector<uint8_t> file = PieceTiff(c);
        if (!c.loads) {
            ExpectFails(file, c.what);
            continue;
        }
        Raster page;
        std::string error;
        ASSERT_TRUE(Loads(file, &page, &error)) << c.what << ": " << error;
        ASSERT_EQ(page.layout, PixelLayout::Gray8) << c.what;
        ASSERT_EQ(page.width, 64) << c.what;
        ASSERT_EQ(page.height, 48) << c.what;
        // Every pixel comes from the piece that covers it.
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                int piece = 0;
                if (c.tiles) {
                    piece = (y / 16) * 2 + x / 32;
                } else {
                    uint32_t rows = c.pieceBytes / 64;
                    piece = c.pieces == 1 ? 0 : static_cast<int>(y / rows);
                }
                ASSERT_EQ(page.Row(y)[x], piece + 1) << c.what << " at " << x << "," << y;
            }
    }
}

TEST(ImageReaderBadInput, DamagedPageOfAnotherWriter)
{
    // 64x48 grey, RowsPerStrip 1, one strip listed: 47 strips missing.
    std::string path = std::string(SHARED_TESTDATA_DIR) + "/damaged/missing-strips.tif";
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    Raster page;
    page.width = 77;
    std::string error;
    EXPECT_FALSE(LoadImageFile(path, &page, &error));
    EXPECT_NE(error.find("do not cover the image"), std::string::npos) << error;
    EXPECT_EQ(page.width, 77);
}

TEST(ImageReaderBadInput, RandomBytes)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> b(rng() % 3000);
        for (uint8_t& x : b)
            x = static_cast<uint8_t>(rng());
        ExpectFails(b, "random " + std::to_string(round));
        if (b.size() >= 4) {
            b[0] = 'I';
            b[1] = 'I';
            b[2] = 42;
            b[3] = 0;
            EXPECT_FALSE(Loads(b)) << "random TIFF " << round;
            b[0] = 'B';
            b[1] = 'M';
            EXPECT_FALSE(Loads(b)) << "random BMP " << round;
        }
    }
}

TEST(ImageReaderBadInput, CorruptedFilesNeverCrash)
{
    // Mutants of good files: each either loads (and then with sane sizes) or
    // fails with a reason.
    std::vector<std::vector<uint8_t>> seeds = {
        GoodTiff(TiffCompression::None), GoodTiff(TiffCompression::PackBits),
        GoodTiff(TiffCompression::Ccitt4),
        EncodeTiff(Noise(40, 30, PixelLayout::Palette8, 1), {}),
        EncodeTiff(Noise(40, 30, PixelLayout::Rgb24, 2), {}),
        MakeBmp(9, 9, 8, std::vector<uint32_t>(256, 0x123456), std::vector<std::vector<uint8_t>>(9, std::vector<uint8_t>(9, 3))),
    };
    const int kRounds = 2000;
    std::mt19937 rng(99);
    int loaded = 0, failed = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<uint8_t> b = seeds[round % seeds.size()];
        int hits = 1 + rng() % 6;
        for (int i = 0; i < hits; ++i) {
            // Mostly in the header and IFD, where the damage matters.
            size_t at = (rng() % 4 == 0) ? rng() % b.size() : rng() % std::min<size_t>(b.size(), 300);
            b[at] = static_cast<uint8_t>(rng());
        }
        if (rng() % 5 == 0)
            b.resize(rng() % b.size());
        Raster page;
        std::string error;
        if (LoadImageBytes(b, &page, &error)) {
            ++loaded;
            EXPECT_GT(page.width, 0);
            EXPECT_LE(uint64_t(page.width) * page.height, uint64_t(1) << 28);
            EXPECT_EQ(page.pixels.size(), page.RowBytes() * page.height);
        } else {
            ++failed;
            EXPECT_NE(error, "");
        }
        std::vector<uint8_t> tag;
        ReadTiffTagBytes(b, 32932, &tag);
    }
    EXPECT_GT(failed, 0);
    std::printf("corrupted files: %d loaded, %d refused\n", loaded, failed);
}

TEST(ImageReaderBadInput, AbsurdTiffSizesAreRefusedBeforeDecoding)
{
    for (uint32_t w : {100000u, 0x7FFFFFFFu, 0u}) {
        TiffBuilder b;
        b.Long(256, {w});
        b.Long(257, {w ? 100000u : 5u});
        b.Short(258, {8});
        b.Short(259, {1});
        b.Short(262, {1});
        std::string error;
        Raster page;
        EXPECT_FALSE(LoadImageBytes(b.Build(std::vector<uint8_t>(64, 1)), &page, &error)) << w;
        EXPECT_NE(error, "");
    }
}

// ---- COM ---------------------------------------------------------------------

namespace {
// The result of initialising COM on this thread in the given mode now,
// balanced again at once.
HRESULT ProbeCom(DWORD mode)
{
    HRESULT hr = CoInitializeEx(nullptr, mode);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return hr;
}

bool LoadOnce()
{
    Raster page;
    return LoadImageBytes(GoodTiff(TiffCompression::Ccitt4), &page) && page.width == 300;
}
} // namespace

TEST(ImageReaderCom, FreshThreadIsLeftWithoutCom)
{
    bool ok = false;
    HRESULT after = E_FAIL;
    std::thread t([&] {
        ok = LoadOnce() && LoadOnce();
        after = ProbeCom(COINIT_MULTITHREADED);   // S_OK: nothing was left initialised
    });
    t.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(after, S_OK);
}

TEST(ImageReaderCom, WorksInAnApartmentThreadAndLeavesIt)
{
    bool ok = false;
    HRESULT after = E_FAIL;
    std::thread t([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
            return;
        ok = LoadOnce();
        after = ProbeCom(COINIT_APARTMENTTHREADED);   // S_FALSE: still ours
        CoUninitialize();
    });
    t.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(after, S_FALSE);
}

TEST(ImageReaderCom, WorksInTheMultithreadedApartment)
{
    // CoInitializeEx(STA) there gives RPC_E_CHANGED_MODE: COM is usable and
    // must not be uninitialised by the reader.
    bool ok = false;
    HRESULT after = E_FAIL;
    std::thread t([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return;
        ok = LoadOnce() && LoadOnce();
        after = ProbeCom(COINIT_MULTITHREADED);   // S_FALSE: still in the MTA
        CoUninitialize();
    });
    t.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(after, S_FALSE);
}

TEST(ImageReaderCom, ManyThreadsAtOnce)
{
    std::vector<std::thread> threads;
    std::vector<int> ok(8, 0);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] {
            int n = 0;
            for (int k = 0; k < 5; ++k)
                n += LoadOnce();
            ok[i] = n;
        });
    for (auto& t : threads)
        t.join();
    for (int n : ok)
        EXPECT_EQ(n, 5);
}

TEST(ImageReaderBadInput, ATagCountPastTheFileNeverReachesTheMetadataReader)
{
    // An 8x2 grey page whose DocumentName (269, ASCII) claims 2^32-1
    // characters: WIC's metadata reader would allocate count + 1 = 0 bytes
    // and copy into them. The annotation tag read refuses the page; the
    // pixels still read.
    TiffBuilder b;
    b.Short(256, {8});
    b.Short(257, {2});
    b.Short(258, {8});
    b.Short(259, {1});
    b.Short(262, {1});
    b.Bytes(269, 2, {'d', 'o', 'c', 0}, 0xFFFFFFFFu);
    b.Bytes(32932, 7, {1, 2, 3, 4, 5, 6, 7, 8}, 8);
    const std::vector<uint8_t> file = b.Build(std::vector<uint8_t>(16, 0x80));
    std::vector<uint8_t> tag{9};
    std::string error;
    for (int round = 0; round < 3; ++round) {
        EXPECT_FALSE(ReadTiffTagBytes(file, 32932, &tag, &error));
        EXPECT_NE(error.find("269"), std::string::npos) << error;
        EXPECT_EQ(std::vector<uint8_t>{9}, tag);
    }
    Raster page;
    EXPECT_TRUE(LoadImageBytes(file, &page, &error)) << error;

    // The real page of another writer damaged the same way, read in place.
    const std::string path = std::string(SHARED_TESTDATA_DIR) + "/damaged/mutated-real-page.tif";
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    for (int round = 0; round < 3; ++round)
        EXPECT_FALSE(ReadTiffTag(path, 32932, &tag));
    EXPECT_TRUE(LoadImageFile(path, &page, &error)) << error;
    EXPECT_EQ(1200, page.width);
}

TEST(ImageReaderBadInput, DamagedGroup4DataReadsTheSameEveryTimeOrIsRefused)
{
    // A Group 4 page of our writer with bytes of its coded data changed (the
    // changes the mutation program found): the decoder meets a bad code word
    // and what follows it was different at each read.
    TiffWriteOptions o;
    o.compression = TiffCompression::Ccitt4;
    o.privateTags.push_back({32932, TiffTagType::Undefined, std::vector<uint8_t>(24, 5)});
    const std::vector<uint8_t> good = EncodeTiff(TextPage(97, 61), o);
    ASSERT_FALSE(good.empty());
    const struct {
        size_t at;
        uint8_t value;
    } changes[] = {{717, 0x00}, {681, 0x80}};
    for (const auto& change : changes) {
        SCOPED_TRACE(change.at);
        ASSERT_LT(change.at, good.size());
        std::vector<uint8_t> bad = good;
        bad[change.at] = change.value;
        Raster first;
        std::string error;
        const bool accepted = LoadImageBytes(bad, &first, &error);
        for (int round = 0; round < 6; ++round) {
            Raster again;
            ASSERT_EQ(accepted, LoadImageBytes(bad, &again, &error)) << error;
            if (accepted) {
                ASSERT_EQ("", Difference(first, again)) << "round " << round;
            }
        }
    }
}

// ---- LZW --------------------------------------------------------------------

TEST(ImageReaderTiff, LzwStripsAndTilesDecodePixelExact)
{
    // The coder of the tests first, on the worked example of TIFF LZW: the
    // codes 256 7 258 8 8 258 6 6 257 in 9 bits each.
    const std::vector<uint8_t> example = {7, 7, 7, 8, 8, 7, 7, 6, 6};
    const std::vector<uint8_t> coded = {0x80, 0x01, 0xE0, 0x40, 0x80, 0x44, 0x08, 0x0C, 0x06, 0x80, 0x80};
    ASSERT_EQ(LzwEncode(example), coded);
    {
        TiffBuilder b;
        b.Long(256, {9});
        b.Long(257, {1});
        b.Short(258, {8});
        b.Short(259, {5});
        b.Short(262, {1});
        Raster page;
        std::string error;
        ASSERT_TRUE(Loads(b.Build(coded), &page, &error)) << error;
        EXPECT_EQ(page.pixels, example);
    }
    // Pages long enough for the codes to grow to 12 bits and the table to
    // be cleared, in strips, tiles and with the horizontal predictor.
    const struct {
        const char* name;
        Raster page;
        int rowsPerStrip;
        bool predictor;
        int tileSize;
    } cases[] = {
        {"grey, 4 strips", Noise(120, 90, PixelLayout::Gray8, 3), 25, false, 0},
        {"grey, predictor", Noise(61, 40, PixelLayout::Gray8, 4), 7, true, 0},
        {"grey, tiles", Noise(50, 37, PixelLayout::Gray8, 5), 0, false, 16},
        {"bilevel, 2 strips", TextPage(203, 70), 40, false, 0},
        {"rgb, predictor", Noise(45, 33, PixelLayout::Rgb24, 6), 11, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Raster page;
        std::string error;
        ASSERT_TRUE(Loads(LzwPage(c.page, c.rowsPerStrip, c.predictor, c.tileSize), &page, &error)) << error;
        EXPECT_EQ(Difference(c.page, page), "");
    }
}

TEST(ImageReaderBadInput, LzwStripsCutShortOrDamagedAreRefusedOrReadTheSameTwice)
{
    // A short strip (its byte count cut at every length, so the codes end
    // before the rows and before the end code), and coded bytes set to
    // values that make codes past the table or a premature Clear: each is
    // refused with a reason, or read the same way twice with the page's size.
    Raster grey = Raster::Blank(16, 12, PixelLayout::Gray8);
    for (size_t i = 0; i < grey.pixels.size(); ++i)
        grey.pixels[i] = static_cast<uint8_t>(i * 151 + (i >> 3) * 17);
    const std::vector<uint8_t> good = LzwPage(grey, 6);
    const ParsedTiff parsed = ParseTiff(good);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const uint32_t strip = parsed.Values(273).at(1), length = parsed.Values(279).at(1);
    ASSERT_NE(parsed.entries.at(279).valueOffset, 0u);   // the counts are not inline
    const uint32_t countAt = parsed.entries.at(279).valueOffset + 4;
    auto check = [&](const std::vector<uint8_t>& bad, const std::string& what) {
        Raster first, again;
        std::string error;
        const bool accepted = LoadImageBytes(bad, &first, &error);
        if (!accepted) {
            EXPECT_NE(error, "") << what;
            return;
        }
        EXPECT_EQ(first.width, 16) << what;
        EXPECT_EQ(first.pixels.size(), first.RowBytes() * first.height) << what;
        ASSERT_TRUE(LoadImageBytes(bad, &again, &error)) << what << ": " << error;
        EXPECT_EQ(Difference(first, again), "") << what;
    };
    for (uint32_t cut = 0; cut < length; ++cut) {
        std::vector<uint8_t> bad = good;
        std::memcpy(&bad[countAt], &cut, 4);
        check(bad, "strip 1 cut to " + std::to_string(cut) + " bytes");
    }
    for (uint32_t at = 0; at < length; at += 4)
        for (uint8_t value : {0x00, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[strip + at] = value;
            check(bad, "strip 1 byte " + std::to_string(at) + " set to " + std::to_string(value));
        }
}

TEST(ImageReaderBadInput, ATagClaimingMoreThanTheFileAllocatesNothingLarge)
{
    // Found by the mutation program (a seed of our writer with the top byte
    // of its annotation tag's count set to 0x7F): a 2x1 grey page whose tag
    // 32932 (UNDEFINED) claims 0x7F000018 bytes at offset 8. The decoder
    // would allocate what the count says before finding the file too short
    // (2 GB: under heap checking the heap reports the failed allocation, and
    // imaging_reader_heap_test fails; a smaller claim is allocated). The
    // page's pixels still read and the annotation tag read refuses the page,
    // as for any value past the end.
    const std::vector<uint8_t> file = {
        'I', 'I', 42, 0, 8, 0, 0, 0,                        // header, IFD at 8
        8, 0,                                               // 8 entries
        0x00, 0x01, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0,           // ImageWidth 2
        0x01, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,           // ImageLength 1
        0x02, 0x01, 3, 0, 1, 0, 0, 0, 8, 0, 0, 0,           // BitsPerSample 8
        0x03, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,           // Compression 1
        0x06, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,           // BlackIsZero
        0x11, 0x01, 4, 0, 1, 0, 0, 0, 110, 0, 0, 0,         // StripOffsets 110
        0x17, 0x01, 4, 0, 1, 0, 0, 0, 2, 0, 0, 0,           // StripByteCounts 2
        0xA4, 0x80, 7, 0, 0x18, 0, 0, 0x7F, 8, 0, 0, 0,     // 32932: 0x7F000018 bytes at 8
        0, 0, 0, 0,                                         // no next IFD
        0x40, 0xC0,                                         // the pixels
    };
    ASSERT_EQ(file.size(), 112u);
    Raster page;
    std::string error;
    ASSERT_TRUE(LoadImageBytes(file, &page, &error)) << error;
    EXPECT_EQ(page.pixels, (std::vector<uint8_t>{0x40, 0xC0}));
    std::vector<uint8_t> tag{9};
    EXPECT_FALSE(ReadTiffTagBytes(file, 32932, &tag, &error));
    EXPECT_NE(error.find("32932"), std::string::npos) << error;
    EXPECT_EQ(tag, std::vector<uint8_t>{9});
}

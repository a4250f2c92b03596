// The writer on its own: refusals, hand-written golden files, the layout
// rules (sorted tags, even offsets, strips) and PackBits.
#include "test_support.h"
#include "testkit.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <random>

using namespace imaging;
using namespace imgtest;

namespace {

void ExpectRefused(const Raster& page, const TiffWriteOptions& options, const char* what)
{
    std::string error;
    std::vector<uint8_t> bytes = EncodeTiff(page, options, &error);
    EXPECT_TRUE(bytes.empty()) << what;
    EXPECT_FALSE(error.empty()) << what;
}

TiffWriteOptions WithTag(uint16_t tag, TiffTagType type, std::vector<uint8_t> bytes)
{
    TiffWriteOptions o;
    o.privateTags.push_back({tag, type, std::move(bytes)});
    return o;
}

} // namespace

TEST(TiffWriterRefuses, EmptyAndInconsistentRasters)
{
    ExpectRefused(Raster{}, {}, "default raster");
    Raster r = Raster::Blank(5, 0, PixelLayout::Gray8);
    ExpectRefused(r, {}, "height 0");
    r = Raster::Blank(0, 5, PixelLayout::Gray8);
    ExpectRefused(r, {}, "width 0");
    r = Raster::Blank(5, 4, PixelLayout::Gray8);
    r.pixels.push_back(0);
    ExpectRefused(r, {}, "one byte too many");
    r.pixels.resize(19);
    ExpectRefused(r, {}, "one byte short");
    r = Raster::Blank(9, 2, PixelLayout::Bilevel);
    r.pixels.resize(2);   // 1 byte a row would be wrong for 9 pixels
    ExpectRefused(r, {}, "bilevel rows too short");
    r = Raster::Blank(3, 3, PixelLayout::Gray8);
    r.width = -3;
    ExpectRefused(r, {}, "negative width");
}

TEST(TiffWriterRefuses, Group4OnPagesThatAreNotBilevel)
{
    TiffWriteOptions g4;
    g4.compression = TiffCompression::Ccitt4;
    ExpectRefused(Raster::Blank(8, 8, PixelLayout::Gray8), g4, "gray");
    ExpectRefused(Raster::Blank(8, 8, PixelLayout::Rgb24), g4, "rgb");
    ExpectRefused(Raster::Blank(8, 8, PixelLayout::Palette8), g4, "palette");
    EXPECT_FALSE(EncodeTiff(Raster::Blank(8, 8, PixelLayout::Bilevel), g4).empty());
    TiffWriteOptions odd;
    odd.compression = static_cast<TiffCompression>(5);   // LZW: not ours
    ExpectRefused(Raster::Blank(8, 8, PixelLayout::Gray8), odd, "unknown compression");
}

TEST(TiffWriterRefuses, BadPalettes)
{
    Raster p = Raster::Blank(4, 4, PixelLayout::Palette8);
    p.palette.clear();
    ExpectRefused(p, {}, "empty palette");
    p.palette.assign(257, Rgb{1, 2, 3});
    ExpectRefused(p, {}, "257 entries");
    p.palette.assign(256, Rgb{1, 2, 3});
    EXPECT_FALSE(EncodeTiff(p, {}).empty());
}

TEST(TiffWriterRefuses, BadPrivateTags)
{
    Raster r = Raster::Blank(4, 4, PixelLayout::Gray8);
    for (uint16_t tag : {0, 1, 254, 256, 273, 293, 320})
        ExpectRefused(r, WithTag(tag, TiffTagType::Undefined, {1}), "baseline number");
    for (uint16_t tag : {322, 324, 338, 339})
        ExpectRefused(r, WithTag(tag, TiffTagType::Undefined, {1}), "structural number");
    EXPECT_FALSE(EncodeTiff(r, WithTag(321, TiffTagType::Undefined, {1})).empty());
    EXPECT_FALSE(EncodeTiff(r, WithTag(65535, TiffTagType::Byte, {1})).empty());

    TiffWriteOptions twice = WithTag(32932, TiffTagType::Undefined, {1});
    twice.privateTags.push_back({32932, TiffTagType::Byte, {2}});
    ExpectRefused(r, twice, "duplicate");

    // Zero bytes: WIC cannot tell such a tag from one byte (BYTE) or from
    // nothing (UNDEFINED), so the writer refuses it.
    ExpectRefused(r, WithTag(32932, TiffTagType::Undefined, {}), "zero-length undefined");
    ExpectRefused(r, WithTag(34686, TiffTagType::Byte, {}), "zero-length byte");
    ExpectRefused(r, WithTag(40000, static_cast<TiffTagType>(2), {'a', 0}), "ASCII type");
}

TEST(TiffWriterRefuses, AbsurdResolution)
{
    Raster r = Raster::Blank(4, 4, PixelLayout::Gray8);
    r.xDpi = 1e7;
    ExpectRefused(r, {}, "ten million dpi");
}

// A 10x2 1-bit page, uncompressed, 300 dpi, with a 5-byte UNDEFINED tag (out
// of line, odd length) and a 3-byte BYTE tag (inline), laid out by hand:
// header 0-7, IFD 8-193 (15 entries), XResolution 194, YResolution 202,
// tag 32932 at 210-214, one pad byte, the strip at 216-219.
TEST(TiffWriterGolden, UncompressedBilevelWithPrivateTags)
{
    Raster page = Raster::Blank(10, 2, PixelLayout::Bilevel);
    page.pixels = {0x80, 0x40,    // x=0 and x=9 black
                   0xFF, 0xFF};   // all black, and the 6 padding bits set: they must not be written
    TiffWriteOptions o;
    o.privateTags.push_back({34686, TiffTagType::Byte, {0x41, 0x42, 0x43}});
    o.privateTags.push_back({32932, TiffTagType::Undefined, {0xDE, 0xAD, 0xBE, 0xEF, 0x01}});

    const std::vector<uint8_t> expected = {
        'I', 'I', 42, 0, 8, 0, 0, 0,                            // header, IFD at 8
        15, 0,                                                  // 15 entries
        0xFE, 0x00, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0,               // 254 NewSubfileType LONG 0
        0x00, 0x01, 4, 0, 1, 0, 0, 0, 10, 0, 0, 0,              // 256 ImageWidth LONG 10
        0x01, 0x01, 4, 0, 1, 0, 0, 0, 2, 0, 0, 0,               // 257 ImageLength LONG 2
        0x02, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,               // 258 BitsPerSample SHORT 1
        0x03, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,               // 259 Compression SHORT 1 (none)
        0x06, 0x01, 3, 0, 1, 0, 0, 0, 0, 0, 0, 0,               // 262 Photometric SHORT 0 (WhiteIsZero)
        0x11, 0x01, 4, 0, 1, 0, 0, 0, 216, 0, 0, 0,             // 273 StripOffsets LONG 216
        0x15, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,               // 277 SamplesPerPixel SHORT 1
        0x16, 0x01, 4, 0, 1, 0, 0, 0, 2, 0, 0, 0,               // 278 RowsPerStrip LONG 2
        0x17, 0x01, 4, 0, 1, 0, 0, 0, 4, 0, 0, 0,               // 279 StripByteCounts LONG 4
        0x1A, 0x01, 5, 0, 1, 0, 0, 0, 194, 0, 0, 0,             // 282 XResolution RATIONAL @194
        0x1B, 0x01, 5, 0, 1, 0, 0, 0, 202, 0, 0, 0,             // 283 YResolution RATIONAL @202
        0x28, 0x01, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0,               // 296 ResolutionUnit SHORT 2 (inch)
        0xA4, 0x80, 7, 0, 5, 0, 0, 0, 210, 0, 0, 0,             // 32932 UNDEFINED 5 @210
        0x7E, 0x87, 1, 0, 3, 0, 0, 0, 0x41, 0x42, 0x43, 0,      // 34686 BYTE 3 inline
        0, 0, 0, 0,                                             // no next IFD
        0x2C, 0x01, 0, 0, 1, 0, 0, 0,                           // 194: 300/1
        0x2C, 0x01, 0, 0, 1, 0, 0, 0,                           // 202: 300/1
        0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0,                        // 210: tag bytes, pad to 216
        0x80, 0x40, 0xFF, 0xC0,                                 // 216: the rows
    };
    std::string error;
    std::vector<uint8_t> actual = EncodeTiff(page, o, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(actual, expected);
}

// A 2x1 RGB page, 200 x 150.5 dpi: BitsPerSample 8,8,8 out of line.
// IFD 8-169 (13 entries), BitsPerSample 170, XRes 176, YRes 184, strip 192.
TEST(TiffWriterGolden, UncompressedRgb)
{
    Raster page = Raster::Blank(2, 1, PixelLayout::Rgb24);
    page.pixels = {10, 20, 30, 40, 50, 60};
    page.xDpi = 200;
    page.yDpi = 150.5;
    const std::vector<uint8_t> expected = {
        'I', 'I', 42, 0, 8, 0, 0, 0,
        13, 0,
        0xFE, 0x00, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0,               // NewSubfileType 0
        0x00, 0x01, 4, 0, 1, 0, 0, 0, 2, 0, 0, 0,               // ImageWidth 2
        0x01, 0x01, 4, 0, 1, 0, 0, 0, 1, 0, 0, 0,               // ImageLength 1
        0x02, 0x01, 3, 0, 3, 0, 0, 0, 170, 0, 0, 0,             // BitsPerSample 3 SHORTs @170
        0x03, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0,               // Compression 1
        0x06, 0x01, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0,               // Photometric 2 (RGB)
        0x11, 0x01, 4, 0, 1, 0, 0, 0, 192, 0, 0, 0,             // StripOffsets 192
        0x15, 0x01, 3, 0, 1, 0, 0, 0, 3, 0, 0, 0,               // SamplesPerPixel 3
        0x16, 0x01, 4, 0, 1, 0, 0, 0, 1, 0, 0, 0,               // RowsPerStrip 1
        0x17, 0x01, 4, 0, 1, 0, 0, 0, 6, 0, 0, 0,               // StripByteCounts 6
        0x1A, 0x01, 5, 0, 1, 0, 0, 0, 176, 0, 0, 0,             // XResolution @176
        0x1B, 0x01, 5, 0, 1, 0, 0, 0, 184, 0, 0, 0,             // YResolution @184
        0x28, 0x01, 3, 0, 1, 0, 0, 0, 2, 0, 0, 0,               // ResolutionUnit 2
        0, 0, 0, 0,
        8, 0, 8, 0, 8, 0,                                       // 170: 8,8,8
        200, 0, 0, 0, 1, 0, 0, 0,                               // 176: 200/1
        0x2D, 0x01, 0, 0, 2, 0, 0, 0,                           // 184: 301/2
        10, 20, 30, 40, 50, 60,                                 // 192: R,G,B R,G,B
    };
    EXPECT_EQ(EncodeTiff(page, {}), expected);
}

TEST(TiffWriterLayout, TagsSortedValuesEvenAndStripsInside)
{
    Raster pages[] = {Noise(33, 9, PixelLayout::Bilevel, 1), Noise(33, 9, PixelLayout::Gray8, 2),
                      Noise(33, 9, PixelLayout::Palette8, 3), Noise(33, 9, PixelLayout::Rgb24, 4)};
    for (const Raster& page : pages) {
        for (TiffCompression c : {TiffCompression::None, TiffCompression::PackBits, TiffCompression::Ccitt4}) {
            if (c == TiffCompression::Ccitt4 && page.layout != PixelLayout::Bilevel)
                continue;
            TiffWriteOptions o;
            o.compression = c;
            o.privateTags.push_back({50000, TiffTagType::Byte, {1, 2, 3, 4, 5, 6, 7}});
            o.privateTags.push_back({32932, TiffTagType::Undefined, {9, 9, 9}});
            o.privateTags.push_back({34686, TiffTagType::Undefined, {1, 2, 3, 4, 5}});
            o.privateTags.push_back({321, TiffTagType::Byte, {7}});
            std::vector<uint8_t> file = EncodeTiff(page, o);
            ParsedTiff t = ParseTiff(file);
            ASSERT_TRUE(t.ok) << t.error;
            for (size_t i = 1; i < t.order.size(); ++i)
                EXPECT_LT(t.order[i - 1], t.order[i]);
            for (const auto& kv : t.entries)
                EXPECT_EQ(kv.second.valueOffset % 2, 0u) << "tag " << kv.first;
            std::vector<uint32_t> offsets = t.Values(273), counts = t.Values(279);
            ASSERT_EQ(offsets.size(), counts.size());
            for (size_t i = 0; i < offsets.size(); ++i) {
                EXPECT_EQ(offsets[i] % 2, 0u);
                EXPECT_LE(uint64_t(offsets[i]) + counts[i], file.size());
            }
            std::vector<uint32_t> expectedPhotometric = {
                page.layout == PixelLayout::Bilevel ? 0u : page.layout == PixelLayout::Gray8 ? 1u
                : page.layout == PixelLayout::Rgb24 ? 2u : 3u};
            EXPECT_EQ(t.Values(262), expectedPhotometric);
            EXPECT_EQ(t.Values(259), std::vector<uint32_t>{static_cast<uint32_t>(c)});
            EXPECT_EQ(t.Values(254), std::vector<uint32_t>{0});
            EXPECT_EQ(t.Values(296), std::vector<uint32_t>{2});
            EXPECT_EQ(t.entries.count(320), page.layout == PixelLayout::Palette8 ? 1u : 0u);
            EXPECT_EQ(t.entries[50000].raw, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7}));
            EXPECT_EQ(t.entries[50000].type, 1);
            EXPECT_EQ(t.entries[34686].type, 7);
            EXPECT_EQ(t.entries[321].raw, std::vector<uint8_t>{7});
        }
    }
}

TEST(TiffWriterLayout, Group4IsOneStripWithItsTags)
{
    Raster page = TextPage(1727, 300);
    TiffWriteOptions o;
    o.compression = TiffCompression::Ccitt4;
    std::vector<uint8_t> file = EncodeTiff(page, o);
    ParsedTiff t = ParseTiff(file);
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(t.Values(273).size(), 1u);
    EXPECT_EQ(t.Values(278), std::vector<uint32_t>{300});
    EXPECT_EQ(t.Values(266), std::vector<uint32_t>{1});   // FillOrder
    EXPECT_EQ(t.Values(293), std::vector<uint32_t>{0});   // T6Options
    EXPECT_EQ(t.entries[293].type, 4);
    std::vector<uint8_t> code = EncodeGroup4(page);
    ASSERT_EQ(t.Values(279), std::vector<uint32_t>{static_cast<uint32_t>(code.size())});
    EXPECT_TRUE(std::equal(code.begin(), code.end(), file.begin() + t.Values(273)[0]));
    EXPECT_LT(code.size(), page.pixels.size() / 4);   // it compresses
}

TEST(TiffWriterLayout, StripsOfAbout64KiB)
{
    Raster page = Noise(1000, 300, PixelLayout::Gray8, 7);   // 300,000 bytes
    std::vector<uint8_t> file = EncodeTiff(page, {});
    ParsedTiff t = ParseTiff(file);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.Values(278), std::vector<uint32_t>{65});   // 65536 / 1000
    std::vector<uint32_t> counts = t.Values(279);
    ASSERT_EQ(counts.size(), 5u);                          // 65 * 4 + 40 rows
    EXPECT_EQ(counts[0], 65000u);
    EXPECT_EQ(counts[4], 40000u);
    // A row wider than 64 KiB: one row a strip.
    Raster wide = Noise(30000, 3, PixelLayout::Rgb24, 8);
    t = ParseTiff(EncodeTiff(wide, {}));
    EXPECT_EQ(t.Values(278), std::vector<uint32_t>{1});
    EXPECT_EQ(t.Values(279).size(), 3u);
}

TEST(TiffWriterLayout, PackBitsRowsDoNotRunIntoEachOther)
{
    // Rows that are one long run and rows that continue the run of the row
    // before: every row must come out of its own bytes.
    Raster page = Raster::Blank(300, 40, PixelLayout::Gray8);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x)
            page.Row(y)[x] = y % 3 == 0 ? 7 : static_cast<uint8_t>((x < 150) ? 7 : x);
    TiffWriteOptions o;
    o.compression = TiffCompression::PackBits;
    std::vector<uint8_t> file = EncodeTiff(page, o);
    ParsedTiff t = ParseTiff(file);
    ASSERT_TRUE(t.ok);
    std::vector<uint32_t> offsets = t.Values(273), counts = t.Values(279);
    uint32_t rowsPerStrip = t.Values(278)[0];
    int y = 0;
    for (size_t s = 0; s < offsets.size(); ++s) {
        size_t at = offsets[s], end = at + counts[s];
        for (uint32_t r = 0; r < rowsPerStrip && y < page.height; ++r, ++y) {
            std::vector<uint8_t> row;
            size_t used = 0;
            ASSERT_TRUE(UnpackBitsRow(file.data() + at, end - at, 300, &row, &used)) << "row " << y;
            EXPECT_TRUE(std::equal(row.begin(), row.end(), page.Row(y))) << "row " << y;
            at += used;
        }
        EXPECT_EQ(at, end) << "strip " << s;
    }
    EXPECT_EQ(y, page.height);
}

TEST(TiffWriterLayout, ColorMapIsValueTimes257AndPaddedWithBlack)
{
    Raster page = Raster::Blank(2, 2, PixelLayout::Palette8);
    page.palette = {{255, 0, 1}, {16, 32, 64}};
    page.pixels = {0, 1, 1, 0};
    ParsedTiff t = ParseTiff(EncodeTiff(page, {}));
    ASSERT_TRUE(t.ok);
    std::vector<uint32_t> map = t.Values(320);
    ASSERT_EQ(map.size(), 768u);
    EXPECT_EQ(map[0], 65535u);
    EXPECT_EQ(map[256], 0u);
    EXPECT_EQ(map[512], 257u);
    EXPECT_EQ(map[1], 16u * 257);
    EXPECT_EQ(map[257], 32u * 257);
    EXPECT_EQ(map[513], 64u * 257);
    for (int i = 2; i < 256; ++i)
        EXPECT_EQ(map[i] + map[256 + i] + map[512 + i], 0u);
    EXPECT_EQ(t.Values(258), std::vector<uint32_t>{8});
}

TEST(TiffWriterLayout, ResolutionFractions)
{
    auto rationals = [](double x, double y) {
        Raster page = Raster::Blank(1, 1, PixelLayout::Gray8);
        page.xDpi = x;
        page.yDpi = y;
        ParsedTiff t = ParseTiff(EncodeTiff(page, {}));
        std::vector<uint8_t> v = t.entries[282].raw;
        v.insert(v.end(), t.entries[283].raw.begin(), t.entries[283].raw.end());
        std::vector<uint32_t> out;
        for (int i = 0; i < 4; ++i)
            out.push_back(v[4 * i] | v[4 * i + 1] << 8 | v[4 * i + 2] << 16 | uint32_t(v[4 * i + 3]) << 24);
        out.push_back(t.Values(296)[0]);
        return out;
    };
    EXPECT_EQ(rationals(300, 600), (std::vector<uint32_t>{300, 1, 600, 1, 2}));
    EXPECT_EQ(rationals(200.5, 72.25), (std::vector<uint32_t>{401, 2, 289, 4, 2}));
    EXPECT_EQ(rationals(72.27, 96), (std::vector<uint32_t>{7227, 100, 96, 1, 2}));
    // Unknown: no absolute unit, 1/1 as the aspect ratio.
    EXPECT_EQ(rationals(0, 0), (std::vector<uint32_t>{1, 1, 1, 1, 1}));
    EXPECT_EQ(rationals(300, -1), (std::vector<uint32_t>{1, 1, 1, 1, 1}));
}

TEST(PackBits, KnownCodes)
{
    auto pack = [](std::vector<uint8_t> in) {
        std::vector<uint8_t> out;
        AppendPackBits(in.data(), in.size(), &out);
        return out;
    };
    EXPECT_EQ(pack({}), std::vector<uint8_t>{});
    EXPECT_EQ(pack({5}), (std::vector<uint8_t>{0, 5}));
    EXPECT_EQ(pack({1, 1, 1}), (std::vector<uint8_t>{0xFE, 1}));
    EXPECT_EQ(pack({1, 2, 2}), (std::vector<uint8_t>{2, 1, 2, 2}));
    EXPECT_EQ(pack({2, 2}), (std::vector<uint8_t>{0xFF, 2}));
    EXPECT_EQ(pack({1, 2, 3, 3, 3, 3, 4}), (std::vector<uint8_t>{1, 1, 2, 0xFD, 3, 0, 4}));
    EXPECT_EQ(pack(std::vector<uint8_t>(128, 9)), (std::vector<uint8_t>{0x81, 9}));
    EXPECT_EQ(pack(std::vector<uint8_t>(129, 9)), (std::vector<uint8_t>{0x81, 9, 0, 9}));
    EXPECT_EQ(pack(std::vector<uint8_t>(131, 9)), (std::vector<uint8_t>{0x81, 9, 0xFE, 9}));
    std::vector<uint8_t> literal(130);
    for (size_t i = 0; i < literal.size(); ++i)
        literal[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> packed = pack(literal);
    ASSERT_EQ(packed.size(), 132u);
    EXPECT_EQ(packed[0], 127);     // 128 literal bytes
    EXPECT_EQ(packed[129], 1);     // then 2
}

TEST(PackBits, RandomRowsDecodeBack)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> row(rng() % 700);
        int alphabet = 1 + rng() % 4;   // few symbols: many runs
        for (uint8_t& b : row)
            b = static_cast<uint8_t>(rng() % alphabet);
        std::vector<uint8_t> packed, back;
        AppendPackBits(row.data(), row.size(), &packed);
        size_t used = 0;
        ASSERT_TRUE(UnpackBitsRow(packed.data(), packed.size(), row.size(), &back, &used));
        EXPECT_EQ(used, packed.size());
        EXPECT_EQ(back, row);
        EXPECT_LE(packed.size(), row.size() + (row.size() + 127) / 128);
    }
}

TEST(WriteTiffFile, WritesAndReplaces)
{
    testkit::TempFolder folder("imaging");
    std::string path = folder.path() + "\\page.tif";
    Raster big = Noise(200, 100, PixelLayout::Gray8, 3);
    ASSERT_TRUE(WriteTiffFile(path, big, {}));
    Raster small = Raster::Blank(3, 3, PixelLayout::Bilevel);
    std::string error;
    ASSERT_TRUE(WriteTiffFile(path, small, {}, &error)) << error;
    EXPECT_EQ(testkit::ReadBytes(path), EncodeTiff(small, {}));

    EXPECT_FALSE(WriteTiffFile(folder.path() + "\\no such folder\\x.tif", small, {}, &error));
    EXPECT_NE(error, "");
    error.clear();
    EXPECT_FALSE(WriteTiffFile(folder.path() + "\\empty.tif", Raster{}, {}, &error));
    EXPECT_NE(error, "");
    EXPECT_FALSE(testkit::FileExists(folder.path() + "\\empty.tif"));
}

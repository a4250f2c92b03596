// Everything the writer makes decodes pixel-exactly through the reader (WIC):
// each layout with each compression it allows, at awkward sizes, and Group 4
// on page-like content.
#include "image_reader.h"
#include "test_support.h"
#include "testkit.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace imaging;
using namespace imgtest;

namespace {

struct Case {
    std::string name;
    std::function<Raster()> make;
    TiffCompression compression;
};

std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.name; }

const char* CompressionName(TiffCompression c)
{
    switch (c) {
    case TiffCompression::None: return "None";
    case TiffCompression::PackBits: return "PackBits";
    case TiffCompression::Ccitt4: return "G4";
    }
    return "X";
}

const char* LayoutName(PixelLayout l)
{
    switch (l) {
    case PixelLayout::Bilevel: return "Bilevel";
    case PixelLayout::Gray8: return "Gray8";
    case PixelLayout::Palette8: return "Palette8";
    case PixelLayout::Rgb24: return "Rgb24";
    }
    return "X";
}

Raster AllRuns()
{
    // Every run length from 1 to 2700 in both colours, coded in horizontal
    // mode: row 4k has white L then black L, row 4k+2 black L from the left
    // (white 0), with white rows between.
    const int maxRun = 2700, width = 2 * maxRun + 10;
    return BilevelFrom(width, 4 * maxRun, [](int x, int y) {
        int run = y / 4 + 1;
        switch (y % 4) {
        case 0: return x >= run && x < 2 * run;
        case 2: return x < run;
        default: return false;
        }
    });
}

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    const PixelLayout layouts[] = {PixelLayout::Bilevel, PixelLayout::Gray8, PixelLayout::Palette8,
                                   PixelLayout::Rgb24};
    const int sizes[][2] = {{1, 1}, {7, 3}, {9, 5}, {8, 4}, {1727, 40}, {2481, 30}};
    uint32_t seed = 100;
    for (PixelLayout layout : layouts) {
        std::vector<TiffCompression> compressions = {TiffCompression::None, TiffCompression::PackBits};
        if (layout == PixelLayout::Bilevel)
            compressions.push_back(TiffCompression::Ccitt4);
        for (TiffCompression c : compressions) {
            for (const auto& s : sizes) {
                int w = s[0], h = s[1];
                ++seed;
                cases.push_back({std::string(LayoutName(layout)) + "_" + CompressionName(c) + "_" +
                                     std::to_string(w) + "x" + std::to_string(h),
                                 [=] { return Noise(w, h, layout, seed); }, c});
            }
            // Several strips.
            cases.push_back({std::string(LayoutName(layout)) + "_" + CompressionName(c) + "_Strips",
                             [=] { return Noise(layout == PixelLayout::Bilevel ? 2481 : 901, 700, layout, 7); },
                             c});
        }
    }
    // Palette8 with a full palette of 256 colours.
    cases.push_back({"Palette8_None_256Colours", [] { return Noise(300, 20, PixelLayout::Palette8, 9, 256); },
                     TiffCompression::None});
    // Group 4 on pages.
    const TiffCompression g4 = TiffCompression::Ccitt4;
    cases.push_back({"G4_TextPageA4", [] { return TextPage(2481, 3508); }, g4});
    cases.push_back({"G4_TextPage1727", [] { return TextPage(1727, 1100); }, g4});
    cases.push_back({"G4_TextPage2480", [] { return TextPage(2480, 700); }, g4});
    cases.push_back({"G4_TextPageOdd", [] { return TextPage(1001, 500); }, g4});
    cases.push_back({"G4_NoiseDense", [] { return Noise(1727, 200, PixelLayout::Bilevel, 21, 0, 50); }, g4});
    cases.push_back({"G4_NoiseSparse", [] { return Noise(2481, 300, PixelLayout::Bilevel, 22, 0, 3); }, g4});
    cases.push_back({"G4_NoiseNearlyBlack", [] { return Noise(1729, 200, PixelLayout::Bilevel, 23, 0, 97); }, g4});
    cases.push_back({"G4_AllWhite", [] { return Raster::Blank(2481, 100, PixelLayout::Bilevel); }, g4});
    cases.push_back({"G4_AllBlack", [] { return BilevelFrom(2481, 100, [](int, int) { return true; }); }, g4});
    cases.push_back({"G4_AlternateBlackAndWhiteRows",
                     [] { return BilevelFrom(1727, 101, [](int, int y) { return (y / 3) % 2 == 0; }); }, g4});
    cases.push_back({"G4_Checkerboard", [] { return BilevelFrom(1003, 50, [](int x, int y) { return (x + y) & 1; }); }, g4});
    cases.push_back({"G4_VerticalStripes", [] { return BilevelFrom(999, 60, [](int x, int) { return x % 5 < 2; }); }, g4});
    cases.push_back({"G4_Diagonals",
                     [] { return BilevelFrom(777, 300, [](int x, int y) { return (x + y) % 40 < 3 || (x - y + 900) % 53 == 0; }); }, g4});
    cases.push_back({"G4_1x1Black", [] { return BilevelFrom(1, 1, [](int, int) { return true; }); }, g4});
    cases.push_back({"G4_TallThin1", [] { return BilevelFrom(1, 5000, [](int, int y) { return (y / 7) % 3 == 0; }); }, g4});
    cases.push_back({"G4_TallThin3", [] { return Noise(3, 20000, PixelLayout::Bilevel, 24); }, g4});
    cases.push_back({"G4_TallThin7", [] { return BilevelFrom(7, 3000, [](int x, int y) { return (x * y) % 5 == 1; }); }, g4});
    cases.push_back({"G4_VeryWide",
                     [] { return BilevelFrom(20011, 40, [](int x, int y) {
                          return y % 4 == 1 || (y % 4 == 2 && x > 19000) || (y % 4 == 3 && (x * 7 + y) % 613 < 5); }); },
                     g4});
    cases.push_back({"G4_VeryWideNoise", [] { return Noise(30000, 10, PixelLayout::Bilevel, 25, 0, 10); }, g4});
    cases.push_back({"G4_AllRunLengths", AllRuns, g4});
    cases.push_back({"PackBits_TextPage", [] { return TextPage(2481, 500); }, TiffCompression::PackBits});
    return cases;
}

class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrip, DecodesPixelExactly)
{
    const Case& c = GetParam();
    Raster page = c.make();
    if (c.name.rfind("G4_TextPage", 0) == 0) {
        long textPixels = 0;
        TextPage(page.width, 200, &textPixels);
        ASSERT_GT(textPixels, page.width * 200 / 100) << "GDI drew (almost) no text";
        ASSERT_LT(textPixels, page.width * 200 / 4) << "GDI drew more than text";
    }
    TiffWriteOptions o;
    o.compression = c.compression;
    std::string error;
    std::vector<uint8_t> file = EncodeTiff(page, o, &error);
    ASSERT_FALSE(file.empty()) << error;
    ParsedTiff t = ParseTiff(file);
    ASSERT_TRUE(t.ok) << t.error;
    Raster back;
    ASSERT_TRUE(LoadImageBytes(file, &back, &error)) << error;
    EXPECT_EQ(Difference(page, back), "");
    EXPECT_EQ(back.xDpi, 300.0);
    EXPECT_EQ(back.yDpi, 300.0);
}

INSTANTIATE_TEST_SUITE_P(Imaging, RoundTrip, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(ImagingRoundTripFile, WriteThenLoadFile)
{
    testkit::TempFolder folder("imaging");
    std::string path = folder.path() + "\\page one.tif";
    Raster page = TextPage(1728, 400);
    page.xDpi = 204;
    page.yDpi = 196;
    TiffWriteOptions o;
    o.compression = TiffCompression::Ccitt4;
    std::string error;
    ASSERT_TRUE(WriteTiffFile(path, page, o, &error)) << error;
    Raster back;
    ASSERT_TRUE(LoadImageFile(path, &back, &error)) << error;
    EXPECT_EQ(Difference(page, back), "");
    EXPECT_EQ(back.xDpi, 204.0);
    EXPECT_EQ(back.yDpi, 196.0);
}

TEST(ImagingRoundTripPalette, GreyRampPaletteComesBackAsGray8)
{
    Raster page = Noise(50, 10, PixelLayout::Palette8, 3, 256);
    for (int i = 0; i < 256; ++i)
        page.palette[i] = Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
    Raster back;
    ASSERT_TRUE(LoadImageBytes(EncodeTiff(page, {}), &back));
    Raster expected = page;
    expected.layout = PixelLayout::Gray8;
    expected.palette.clear();
    EXPECT_EQ(Difference(expected, back), "");
}

TEST(ImagingRoundTripPalette, ShortPaletteComesBackWith256Entries)
{
    Raster page = Noise(20, 10, PixelLayout::Palette8, 4, 5);
    Raster back;
    ASSERT_TRUE(LoadImageBytes(EncodeTiff(page, {}), &back));
    EXPECT_EQ(Difference(page, back), "");
    ASSERT_EQ(back.palette.size(), 256u);   // the ColorMap always has 256 entries
    EXPECT_EQ(back.palette[5].r + back.palette[5].g + back.palette[5].b, 0);   // padded with black
}

struct Dpi {
    double x, y, backX, backY;
};

class ResolutionRoundTrip : public ::testing::TestWithParam<Dpi> {};

TEST_P(ResolutionRoundTrip, ComesBack)
{
    const Dpi& d = GetParam();
    for (PixelLayout layout : {PixelLayout::Bilevel, PixelLayout::Rgb24}) {
        Raster page = Noise(17, 4, layout, 1);
        page.xDpi = d.x;
        page.yDpi = d.y;
        Raster back;
        std::string error;
        ASSERT_TRUE(LoadImageBytes(EncodeTiff(page, {}), &back, &error)) << error;
        // WIC (libtiff) hands the resolution over as a float: 7 digits.
        EXPECT_NEAR(back.xDpi, d.backX, 1e-6 * d.backX + 1e-9);
        EXPECT_NEAR(back.yDpi, d.backY, 1e-6 * d.backY + 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Imaging, ResolutionRoundTrip,
                         ::testing::Values(Dpi{300, 300, 300, 300}, Dpi{600, 600, 600, 600},
                                           Dpi{200, 100, 200, 100}, Dpi{204, 196, 204, 196},
                                           Dpi{72, 72, 72, 72}, Dpi{150.5, 1200, 150.5, 1200},
                                           Dpi{72.27, 96, 72.27, 96}, Dpi{1, 1, 1, 1},
                                           Dpi{0, 0, 0, 0},      // unknown stays unknown
                                           Dpi{300, 0, 0, 0}));  // half known is unknown

// Private tags: both numbers, both types, sizes 1..large, byte-exact.
struct TagCase {
    uint16_t tag;
    TiffTagType type;
    size_t size;
};

std::ostream& operator<<(std::ostream& os, const TagCase& c)
{
    return os << c.tag << (c.type == TiffTagType::Byte ? "_Byte_" : "_Undefined_") << c.size;
}

class PrivateTagRoundTrip : public ::testing::TestWithParam<TagCase> {};

TEST_P(PrivateTagRoundTrip, BytesComeBackExactly)
{
    const TagCase& c = GetParam();
    std::vector<uint8_t> bytes(c.size);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + c.size + (i >> 8));
    if (!bytes.empty())
        bytes[0] = 0;   // a NUL first: nothing treats it as a string
    uint16_t other = c.tag == 32932 ? 34686 : 32932;
    std::vector<uint8_t> otherBytes = {0xAA, 0xBB, 0xCC};
    TiffWriteOptions o;
    o.compression = TiffCompression::Ccitt4;
    o.privateTags.push_back({c.tag, c.type, bytes});
    o.privateTags.push_back({other, TiffTagType::Undefined, otherBytes});
    Raster page = TextPage(640, 200);

    testkit::TempFolder folder("imaging");
    std::string path = folder.path() + "\\tags.tif";
    std::string error;
    ASSERT_TRUE(WriteTiffFile(path, page, o, &error)) << error;
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadTiffTag(path, c.tag, &back));
    EXPECT_EQ(back, bytes);
    ASSERT_TRUE(ReadTiffTag(path, other, &back));
    EXPECT_EQ(back, otherBytes);
    EXPECT_FALSE(ReadTiffTag(path, 40001, &back));
    // And the page is still read.
    Raster pageBack;
    ASSERT_TRUE(LoadImageFile(path, &pageBack, &error)) << error;
    EXPECT_EQ(Difference(page, pageBack), "");
}

std::vector<TagCase> TagCases()
{
    std::vector<TagCase> cases;
    for (uint16_t tag : {32932, 34686})
        for (TiffTagType type : {TiffTagType::Byte, TiffTagType::Undefined})
            for (size_t size : {1, 2, 3, 4, 5, 6, 255, 4096, 200000})
                cases.push_back({tag, type, size});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Imaging, PrivateTagRoundTrip, ::testing::ValuesIn(TagCases()),
                         [](const ::testing::TestParamInfo<TagCase>& info) {
                             std::ostringstream os;
                             os << info.param;
                             return os.str();
                         });

TEST(ImagingPrivateTags, ManyAtOnceInAnyOrder)
{
    TiffWriteOptions o;
    std::vector<uint16_t> tags = {65000, 321, 40000, 32932, 34686, 33000, 65535};
    for (uint16_t t : tags)
        o.privateTags.push_back({t, t % 2 ? TiffTagType::Byte : TiffTagType::Undefined,
                                 std::vector<uint8_t>(t % 9 + 1, static_cast<uint8_t>(t))});
    std::vector<uint8_t> file = EncodeTiff(Noise(10, 10, PixelLayout::Gray8, 2), o);
    ASSERT_FALSE(file.empty());
    for (uint16_t t : tags) {
        std::vector<uint8_t> back;
        std::string error;
        ASSERT_TRUE(ReadTiffTagBytes(file, t, &back, &error)) << t << ": " << error;
        EXPECT_EQ(back, std::vector<uint8_t>(t % 9 + 1, static_cast<uint8_t>(t))) << t;
    }
}

} // namespace

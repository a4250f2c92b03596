#include "image_reader.h"
#include "method_runner.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

namespace method_tests {

std::string InstallMethod(const testkit::TempFolder& work, const std::string& program)
{
    std::string target = work / program;
    CopyFileA((std::string(METHODS_DIR) + "\\" + program).c_str(), target.c_str(), FALSE);
    return target;
}

int RunMethodIn(const testkit::TempFolder& work, const std::string& program)
{
    return testkit::RunAndWait(InstallMethod(work, program), work.path());
}

void WriteInput(const testkit::TempFolder& work, const imaging::Raster& page)
{
    imaging::TiffWriteOptions options;
    if (page.layout == imaging::PixelLayout::Bilevel)
        options.compression = imaging::TiffCompression::Ccitt4;
    std::string error;
    ASSERT_TRUE(imaging::WriteTiffFile(work / "in.tif", page, options, &error)) << error;
}

imaging::Raster ReadResult(const testkit::TempFolder& work, const std::string& name)
{
    imaging::Raster page;
    std::string error;
    EXPECT_TRUE(imaging::LoadImageFile(work / name, &page, &error)) << name << ": " << error;
    return page;
}

} // namespace method_tests

namespace {

using imaging::PixelLayout;
using imaging::Raster;
using namespace method_tests;

// A page whose every sample is f(x, y, channel).
Raster Page(int w, int h, PixelLayout layout, const std::function<int(int, int, int)>& f)
{
    Raster r = Raster::Blank(w, h, layout);
    if (layout == PixelLayout::Palette8) {
        r.palette.clear();
        for (int i = 0; i < 16; ++i)
            r.palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 8),
                                 static_cast<uint8_t>(i * 5)});
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            switch (layout) {
            case PixelLayout::Bilevel: r.SetBlack(x, y, f(x, y, 0) != 0); break;
            case PixelLayout::Gray8:
            case PixelLayout::Palette8: r.Row(y)[x] = static_cast<uint8_t>(f(x, y, 0)); break;
            case PixelLayout::Rgb24:
                for (int c = 0; c < 3; ++c)
                    r.Row(y)[3 * x + c] = static_cast<uint8_t>(f(x, y, c));
                break;
            }
        }
    return r;
}

int Sample(const Raster& r, int x, int y, int c)
{
    switch (r.layout) {
    case PixelLayout::Bilevel: return r.Black(x, y) ? 1 : 0;
    case PixelLayout::Rgb24: return r.Row(y)[3 * x + c];
    default: return r.Row(y)[x];
    }
}

void ExpectPixels(const Raster& got, int w, int h, const std::function<int(int, int, int)>& want,
                  const char* what)
{
    ASSERT_EQ(got.width, w) << what;
    ASSERT_EQ(got.height, h) << what;
    int channels = got.layout == PixelLayout::Rgb24 ? 3 : 1;
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                if (Sample(got, x, y, c) != want(x, y, c) && ++wrong <= 3)
                    ADD_FAILURE() << what << " at " << x << "," << y << "," << c << ": got "
                                  << Sample(got, x, y, c) << " want " << want(x, y, c);
    EXPECT_EQ(wrong, 0) << what;
}

int Pattern(int x, int y, int c) { return (x * 37 + y * 11 + c * 71) % 256; }
int Dots(int x, int y, int) { return (x * 3 + y * 5) % 7 == 0; }

TEST(SampleMethods, CopyKeepsTheBytes)
{
    testkit::TempFolder work("copy");
    WriteInput(work, Page(9, 4, PixelLayout::Gray8, Pattern));
    ASSERT_EQ(RunMethodIn(work, "copy.exe"), 0);
    EXPECT_EQ(testkit::ReadBytes(work / "out.tif"), testkit::ReadBytes(work / "in.tif"));
}

TEST(SampleMethods, InvertEveryLayout)
{
    struct Case { PixelLayout layout; int width; };
    for (const Case& c : {Case{PixelLayout::Bilevel, 13}, Case{PixelLayout::Gray8, 10},
                          Case{PixelLayout::Rgb24, 7}}) {
        testkit::TempFolder work("invert");
        auto f = c.layout == PixelLayout::Bilevel ? Dots : Pattern;
        WriteInput(work, Page(c.width, 5, c.layout, f));
        ASSERT_EQ(RunMethodIn(work, "invert.exe"), 0);
        Raster out = ReadResult(work, "out.tif");
        EXPECT_EQ(out.layout, c.layout);
        if (c.layout == PixelLayout::Bilevel)
            ExpectPixels(out, c.width, 5, [](int x, int y, int) { return 1 - Dots(x, y, 0); }, "1-bit");
        else
            ExpectPixels(out, c.width, 5, [](int x, int y, int ch) { return 255 - Pattern(x, y, ch); },
                         "8/24-bit");
    }
}

TEST(SampleMethods, InvertPalettePage)
{
    testkit::TempFolder work("invert");
    Raster in = Page(6, 3, PixelLayout::Palette8, [](int x, int y, int) { return (x + y) % 16; });
    WriteInput(work, in);
    ASSERT_EQ(RunMethodIn(work, "invert.exe"), 0);
    Raster out = ReadResult(work, "out.tif");
    // Whatever layout comes back, each pixel shows the inverse colour.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            imaging::Rgb want = in.palette[(x + y) % 16];
            imaging::Rgb got = out.layout == PixelLayout::Rgb24
                                   ? imaging::Rgb{out.Row(y)[3 * x], out.Row(y)[3 * x + 1], out.Row(y)[3 * x + 2]}
                                   : out.palette.at(out.Row(y)[x]);
            EXPECT_EQ(got.r, 255 - want.r);
            EXPECT_EQ(got.g, 255 - want.g);
            EXPECT_EQ(got.b, 255 - want.b);
        }
}

TEST(SampleMethods, ThresholdFollowsTheSettingsFile)
{
    struct Case { const char* settings; int threshold; };
    const Case cases[] = {
        {nullptr, 128},                 // no settings yet
        {"threshold=200\r\n", 200},
        {"threshold=0", 0},
        {"threshold=255\n", 255},
        {"threshold=256\r\n", 128},     // out of range
        {"threshold=-5\r\n", 128},
        {"level=50\r\n", 128},
        {"threshold=\r\n", 128},
        {"threshold=12x\r\n", 128},
    };
    for (const Case& c : cases) {
        testkit::TempFolder work("threshold");
        if (c.settings)
            testkit::WriteText(work / "otsu.set", c.settings);
        WriteInput(work, Page(256, 2, PixelLayout::Gray8, [](int x, int, int) { return x; }));
        ASSERT_EQ(RunMethodIn(work, "threshold.exe"), 0);
        // Installed under the name of its method, the program finds its settings by that name.
        MoveFileExA((work / "threshold.exe").c_str(), (work / "otsu.exe").c_str(), MOVEFILE_REPLACE_EXISTING);
        ASSERT_EQ(testkit::RunAndWait(work / "otsu.exe", work.path()), 0);
        Raster out = ReadResult(work, "out.tif");
        EXPECT_EQ(out.layout, PixelLayout::Bilevel);
        std::string what = c.settings ? c.settings : "none";
        int t = c.threshold;
        ExpectPixels(out, 256, 2, [t](int x, int, int) { return x < t; }, what.c_str());
    }
}

TEST(SampleMethods, ThresholdWeighsColours)
{
    testkit::TempFolder work("threshold");
    // Pure green is bright, pure blue and red are dark.
    WriteInput(work, Page(3, 1, PixelLayout::Rgb24, [](int x, int, int c) { return x == c ? 255 : 0; }));
    ASSERT_EQ(RunMethodIn(work, "threshold.exe"), 0);
    ExpectPixels(ReadResult(work, "out.tif"), 3, 1, [](int x, int, int) { return x != 1; }, "rgb");
}

TEST(SampleMethods, DespeckleRemovesSpecksOnly)
{
    // Specks: single pixels, a diagonal pair and a 2x2 square (4 pixels);
    // kept: a 3x2 block (6 pixels) and a long line.
    auto page = [](int x, int y, int) {
        bool speck = (x == 2 && y == 2) || (x == 20 && y == 1) || (x == 8 && y == 8) ||
                     (x == 9 && y == 9) || ((x == 14 || x == 15) && (y == 4 || y == 5));
        return speck || ((x >= 3 && x <= 5) && (y >= 12 && y <= 13)) || (y == 16 && x >= 1);
    };
    auto kept = [](int x, int y, int) {
        return ((x >= 3 && x <= 5) && (y >= 12 && y <= 13)) || (y == 16 && x >= 1);
    };
    testkit::TempFolder work("despeckle");
    WriteInput(work, Page(23, 18, PixelLayout::Bilevel, page));
    ASSERT_EQ(RunMethodIn(work, "despeckle.exe"), 0);
    ExpectPixels(ReadResult(work, "out.tif"), 23, 18, kept, "1-bit");
}

TEST(SampleMethods, DespeckleMediansGreyPages)
{
    testkit::TempFolder work("despeckle");
    WriteInput(work, Page(5, 5, PixelLayout::Gray8, [](int x, int y, int) { return x == 2 && y == 2 ? 0 : 200; }));
    ASSERT_EQ(RunMethodIn(work, "despeckle.exe"), 0);
    ExpectPixels(ReadResult(work, "out.tif"), 5, 5, [](int, int, int) { return 200; }, "grey");
}

TEST(SampleMethods, SplitGivesLeftAndRightPages)
{
    for (PixelLayout layout : {PixelLayout::Bilevel, PixelLayout::Gray8, PixelLayout::Rgb24}) {
        testkit::TempFolder work("split");
        auto f = layout == PixelLayout::Bilevel ? Dots : Pattern;
        WriteInput(work, Page(11, 4, layout, f));
        ASSERT_EQ(RunMethodIn(work, "split.exe"), 0);
        ExpectPixels(ReadResult(work, "out.tif"), 5, 4, f, "left");
        ExpectPixels(ReadResult(work, "out1.tif"), 6, 4,
                     [f](int x, int y, int c) { return f(x + 5, y, c); }, "right");
    }
}

TEST(SampleMethods, BadInputWritesNothing)
{
    struct Input { const char* what; bool present; std::string bytes; };
    const Input inputs[] = {
        {"missing", false, ""},
        {"garbage", true, "this is not an image at all"},
        {"truncated header", true, std::string("II*\0\x08\0\0\0\x05\0", 10)},
    };
    for (const char* program : {"copy.exe", "invert.exe", "threshold.exe", "despeckle.exe", "split.exe"}) {
        for (const Input& in : inputs) {
            if (std::string(program) == "copy.exe" && in.present)
                continue;   // copying keeps whatever bytes it is given
            testkit::TempFolder work("bad");
            if (in.present)
                testkit::WriteText(work / "in.tif", in.bytes);
            EXPECT_NE(RunMethodIn(work, program), 0) << program << " " << in.what;
            EXPECT_FALSE(testkit::FileExists(work / "out.tif")) << program << " " << in.what;
            EXPECT_FALSE(testkit::FileExists(work / "out1.tif")) << program << " " << in.what;
        }
    }
}

} // namespace

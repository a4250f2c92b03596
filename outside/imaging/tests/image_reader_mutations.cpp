// The image reader over damaged TIFF pages, in one process: strips and
// tiles, every compression it reads (LZW among them), the pages our writer
// makes, the real pages of other writers and the damaged files, each read as
// pixels and as the annotation tag a view asks for.
#include "image_reader.h"
#include "mutation_loop.h"
#include "test_support.h"
#include "tiff_writer.h"

#include <windows.h>
#include <objbase.h>

#include <string>

using namespace imaging;

namespace {

void AddWriterPages(std::vector<mutation::Seed>& seeds)
{
    struct Made {
        const char* name;
        PixelLayout layout;
        TiffCompression compression;
    };
    const Made made[] = {
        {"bilevel-none", PixelLayout::Bilevel, TiffCompression::None},
        {"bilevel-packbits", PixelLayout::Bilevel, TiffCompression::PackBits},
        {"bilevel-g4", PixelLayout::Bilevel, TiffCompression::Ccitt4},
        {"gray-none", PixelLayout::Gray8, TiffCompression::None},
        {"gray-packbits", PixelLayout::Gray8, TiffCompression::PackBits},
        {"palette-none", PixelLayout::Palette8, TiffCompression::None},
        {"palette-packbits", PixelLayout::Palette8, TiffCompression::PackBits},
        {"rgb-none", PixelLayout::Rgb24, TiffCompression::None},
        {"rgb-packbits", PixelLayout::Rgb24, TiffCompression::PackBits},
    };
    for (const Made& m : made) {
        Raster page = m.layout == PixelLayout::Bilevel ? imgtest::TextPage(97, 61)
                                                       : imgtest::Noise(41, 23, m.layout, 7);
        TiffWriteOptions options;
        options.compression = m.compression;
        options.privateTags.push_back({32932, TiffTagType::Undefined, std::vector<uint8_t>(24, 5)});
        mutation::AddSeed(seeds, m.name, EncodeTiff(page, options));
    }
    // Tiles, strips of one row, and 16-bit grey, put together field by field.
    {
        imgtest::TiffBuilder b;
        b.Short(256, {64});
        b.Short(257, {48});
        b.Short(258, {8});
        b.Short(259, {1});
        b.Short(262, {1});
        b.Short(322, {32});
        b.Short(323, {16});
        std::vector<std::vector<uint8_t>> tiles;
        for (int i = 0; i < 6; ++i)
            tiles.push_back(std::vector<uint8_t>(512, static_cast<uint8_t>(40 * i)));
        mutation::AddSeed(seeds, "gray-tiles", b.BuildPieces(tiles, true));
    }
    {
        imgtest::TiffBuilder b;
        b.Short(256, {16});
        b.Short(257, {8});
        b.Short(258, {8});
        b.Short(259, {1});
        b.Short(262, {1});
        b.Short(278, {1});
        std::vector<std::vector<uint8_t>> strips;
        for (int i = 0; i < 8; ++i)
            strips.push_back(std::vector<uint8_t>(16, static_cast<uint8_t>(30 * i)));
        mutation::AddSeed(seeds, "gray-row-strips", b.BuildPieces(strips, false));
    }
    {
        imgtest::TiffBuilder b;
        b.Short(256, {8});
        b.Short(257, {4});
        b.Short(258, {16});
        b.Short(259, {1});
        b.Short(262, {1});
        std::vector<uint8_t> strip;
        for (int i = 0; i < 32; ++i) {
            strip.push_back(static_cast<uint8_t>(i * 7));
            strip.push_back(static_cast<uint8_t>(i * 8));
        }
        mutation::AddSeed(seeds, "gray16", b.Build(strip));
    }
    // LZW pages small enough to be cut at every length: strips, tiles and
    // the horizontal predictor.
    mutation::AddSeed(seeds, "gray-lzw-strips", imgtest::LzwPage(imgtest::Noise(40, 24, PixelLayout::Gray8, 8), 12));
    mutation::AddSeed(seeds, "gray-lzw-tiles", imgtest::LzwPage(imgtest::Noise(40, 24, PixelLayout::Gray8, 9), 0, false, 16));
    mutation::AddSeed(seeds, "bilevel-lzw", imgtest::LzwPage(imgtest::TextPage(97, 61), 31));
    mutation::AddSeed(seeds, "rgb-lzw-predictor", imgtest::LzwPage(imgtest::Noise(21, 13, PixelLayout::Rgb24, 10), 5, true));
}

bool SameRaster(const Raster& a, const Raster& b)
{
    return a.width == b.width && a.height == b.height && a.layout == b.layout &&
           a.pixels == b.pixels && a.palette.size() == b.palette.size() && a.xDpi == b.xDpi &&
           a.yDpi == b.yDpi;
}

mutation::Verdict Judge(const mutation::Case& input, std::string& note)
{
    // A refused page leaves the raster given as it was.
    Raster before = Raster::Blank(3, 2, PixelLayout::Gray8);
    before.Row(1)[2] = 9;
    Raster page = before;
    std::string error;
    bool accepted = LoadImageBytes(input.bytes, &page, &error);
    // The tag read goes through the metadata readers, on every input.
    std::vector<uint8_t> tag;
    bool hasTag = ReadTiffTagBytes(input.bytes, 32932, &tag);
    std::vector<uint8_t> tagAgain;
    if (hasTag && (!ReadTiffTagBytes(input.bytes, 32932, &tagAgain) || tagAgain != tag)) {
        note = "the annotation tag reads differently the second time";
        return mutation::Verdict::Unstable;
    }
    if (!accepted) {
        if (!SameRaster(page, before)) {
            note = "refused (" + error + ") but the raster changed";
            return mutation::Verdict::RefusedButChanged;
        }
        if (error.empty()) {
            note = "refused without a reason";
            return mutation::Verdict::Failed;
        }
        return mutation::Verdict::Refused;
    }
    Raster again;
    std::string why;
    if (!LoadImageBytes(input.bytes, &again, &why)) {
        note = "accepted once, refused the second time: " + why;
        return mutation::Verdict::Unstable;
    }
    if (!SameRaster(page, again)) {
        note = "accepted twice with different pixels";
        return mutation::Verdict::Unstable;
    }
    if (page.pixels.size() != page.RowBytes() * static_cast<size_t>(page.height)) {
        note = "the pixels do not match the size";
        return mutation::Verdict::Failed;
    }
    return mutation::Verdict::Accepted;
}

} // namespace

int main(int argc, char** argv)
{
    mutation::Loop loop;
    loop.name = "image_reader";
    loop.largeCases = 20000;
    AddWriterPages(loop.seeds);
    const std::string shared = mutation::SharedTestData();
    mutation::AddSeedFolder(loop.seeds, shared + "\\wang", "*.tif");
    mutation::AddSeedFolder(loop.seeds, shared + "\\damaged", "*.tif");
    loop.threadStart = [] { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); };
    loop.threadEnd = [] { CoUninitialize(); };
    loop.judge = Judge;
    return mutation::Run(loop, argc, argv);
}

// Not a test: timings of the writer and the reader on a page, and a longer
// run of the corrupted-file loop than the tests make.
//   imaging_bench                 timings
//   imaging_bench fuzz SEED N     N corrupted files from SEED; exit 0 unless it crashed
#include "image_reader.h"
#include "test_support.h"
#include "tiff_writer.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace imaging;
using namespace imgtest;

namespace {

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

void Time(const char* what, int rounds, const std::function<void()>& f)
{
    f();
    double t0 = Now();
    for (int i = 0; i < rounds; ++i)
        f();
    std::printf("%-44s %8.2f ms\n", what, (Now() - t0) * 1000 / rounds);
}

int Fuzz(unsigned seed, int rounds)
{
    std::vector<std::vector<uint8_t>> seeds;
    for (TiffCompression c : {TiffCompression::None, TiffCompression::PackBits, TiffCompression::Ccitt4}) {
        TiffWriteOptions o;
        o.compression = c;
        o.privateTags.push_back({32932, TiffTagType::Undefined, std::vector<uint8_t>(40, 3)});
        o.privateTags.push_back({34686, TiffTagType::Byte, std::vector<uint8_t>(7, 3)});
        seeds.push_back(EncodeTiff(TextPage(200, 60), o));
    }
    seeds.push_back(EncodeTiff(Noise(40, 30, PixelLayout::Palette8, 1), {}));
    seeds.push_back(EncodeTiff(Noise(40, 30, PixelLayout::Rgb24, 2), {}));
    seeds.push_back(EncodeTiff(Noise(40, 30, PixelLayout::Gray8, 3), {}));
    seeds.push_back(MakeBmp(9, 9, 8, std::vector<uint32_t>(256, 0x123456),
                            std::vector<std::vector<uint8_t>>(9, std::vector<uint8_t>(9, 3))));
    seeds.push_back(MakeBmp(9, 9, 1, {0, 0xFFFFFF}, std::vector<std::vector<uint8_t>>(9, std::vector<uint8_t>(2, 0x5A))));
    std::mt19937 rng(seed);
    int loaded = 0, refused = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<uint8_t> b = seeds[rng() % seeds.size()];
        int hits = 1 + rng() % 10;
        for (int i = 0; i < hits; ++i) {
            size_t at = (rng() % 2 == 0) ? rng() % b.size() : rng() % std::min<size_t>(b.size(), 300);
            if (rng() % 3 == 0)
                b[at] ^= static_cast<uint8_t>(1 << (rng() % 8));
            else
                b[at] = static_cast<uint8_t>(rng());
        }
        if (rng() % 8 == 0)
            b.resize(rng() % b.size());
        Raster page;
        (LoadImageBytes(b, &page) ? loaded : refused)++;
        std::vector<uint8_t> tag;
        ReadTiffTagBytes(b, 32932, &tag);
        ReadTiffTagBytes(b, 34686, &tag);
    }
    std::printf("seed %u: %d loaded, %d refused\n", seed, loaded, refused);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "fuzz")
        return Fuzz(static_cast<unsigned>(std::atoi(argv[2])), std::atoi(argv[3]));

    Raster a4 = TextPage(2481, 3508);
    Raster grey = Noise(2481, 3508, PixelLayout::Gray8, 1);
    TiffWriteOptions g4, packbits, none;
    g4.compression = TiffCompression::Ccitt4;
    packbits.compression = TiffCompression::PackBits;
    std::vector<uint8_t> g4File = EncodeTiff(a4, g4), pbFile = EncodeTiff(a4, packbits),
                         greyFile = EncodeTiff(grey, none);
    std::printf("A4 300 dpi text page: %zu bytes raw, G4 %zu, PackBits %zu\n", a4.pixels.size(),
                g4File.size(), pbFile.size());
    Raster back;
    Time("encode G4, A4 text page", 10, [&] { EncodeTiff(a4, g4); });
    Time("encode PackBits, A4 text page", 10, [&] { EncodeTiff(a4, packbits); });
    Time("encode uncompressed, A4 grey page", 10, [&] { EncodeTiff(grey, none); });
    Time("read G4 through WIC, A4 text page", 10, [&] { LoadImageBytes(g4File, &back); });
    Time("read PackBits through WIC, A4 text page", 10, [&] { LoadImageBytes(pbFile, &back); });
    Time("read uncompressed grey through WIC, A4", 10, [&] { LoadImageBytes(greyFile, &back); });
    return 0;
}

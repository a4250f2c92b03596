// Method "invert": black becomes white and every grey or colour its opposite.
#include "method_io.h"

static int Invert()
{
    imaging::Raster page;
    if (!methods::ReadPage("in.tif", &page))
        return 1;
    if (page.layout == imaging::PixelLayout::Palette8) {
        for (imaging::Rgb& c : page.palette)
            c = {static_cast<uint8_t>(255 - c.r), static_cast<uint8_t>(255 - c.g),
                 static_cast<uint8_t>(255 - c.b)};
    } else {
        for (uint8_t& b : page.pixels)
            b = static_cast<uint8_t>(~b);
        // Keep the padding bits of 1-bit rows clear.
        if (page.layout == imaging::PixelLayout::Bilevel && page.width % 8) {
            uint8_t keep = static_cast<uint8_t>(0xFF00 >> (page.width % 8));
            for (int y = 0; y < page.height; ++y)
                page.Row(y)[page.RowBytes() - 1] &= keep;
        }
    }
    return methods::WritePage("out.tif", page) ? 0 : 1;
}

int main()
{
    return methods::RunMethod(Invert);
}

// Method "threshold": binarises the page to 1 bit. A pixel whose brightness is
// below the threshold of the settings file (default 128) becomes black.
#include "method_io.h"
#include "threshold_settings.h"

namespace {

using imaging::PixelLayout;
using imaging::Raster;

int Brightness(const Raster& page, int x, int y)
{
    const uint8_t* row = page.Row(y);
    switch (page.layout) {
    case PixelLayout::Gray8:
        return row[x];
    case PixelLayout::Palette8: {
        const imaging::Rgb& c = page.palette[row[x] < page.palette.size() ? row[x] : 0];
        return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
    }
    case PixelLayout::Rgb24:
        return (299 * row[3 * x] + 587 * row[3 * x + 1] + 114 * row[3 * x + 2]) / 1000;
    case PixelLayout::Bilevel:
        break;
    }
    return page.Black(x, y) ? 0 : 255;
}

int Threshold()
{
    Raster page;
    if (!methods::ReadPage("in.tif", &page))
        return 1;
    if (page.layout == PixelLayout::Palette8 && page.palette.empty())
        page.palette.push_back({255, 255, 255});
    int threshold = methods::ReadThreshold(methods::CompanionPath(".set"));
    Raster out = Raster::Blank(page.width, page.height, PixelLayout::Bilevel);
    out.xDpi = page.xDpi;
    out.yDpi = page.yDpi;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (Brightness(page, x, y) < threshold)
                out.SetBlack(x, y, true);
    return methods::WritePage("out.tif", out) ? 0 : 1;
}

} // namespace

int main()
{
    return methods::RunMethod(Threshold);
}

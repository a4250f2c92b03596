#include "raster.h"

namespace imaging {

int Raster::BitsPerPixel() const
{
    switch (layout) {
    case PixelLayout::Bilevel: return 1;
    case PixelLayout::Gray8: return 8;
    case PixelLayout::Palette8: return 8;
    case PixelLayout::Rgb24: return 24;
    }
    return 0;
}

size_t Raster::RowBytes() const
{
    if (width <= 0)
        return 0;
    return (static_cast<size_t>(width) * static_cast<size_t>(BitsPerPixel()) + 7) / 8;
}

// White in every layout: Bilevel all bits clear, Gray8 255, Rgb24 (255,255,255),
// Palette8 every index 0 with a one-entry palette {255,255,255}.
// A size that is not positive gives a raster of that size with no pixels.
Raster Raster::Blank(int width, int height, PixelLayout layout)
{
    Raster r;
    r.width = width;
    r.height = height;
    r.layout = layout;
    if (width <= 0 || height <= 0)
        return r;
    size_t size = r.RowBytes() * static_cast<size_t>(height);
    switch (layout) {
    case PixelLayout::Bilevel:
        r.pixels.assign(size, 0);
        break;
    case PixelLayout::Gray8:
    case PixelLayout::Rgb24:
        r.pixels.assign(size, 255);
        break;
    case PixelLayout::Palette8:
        r.pixels.assign(size, 0);
        r.palette.assign(1, Rgb{255, 255, 255});
        break;
    }
    return r;
}

} // namespace imaging

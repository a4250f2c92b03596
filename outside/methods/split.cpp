// Method "split": a two-page spread becomes its left page ("out.tif") and its
// right page ("out1.tif"). An odd column goes to the right page.
#include "method_io.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

using imaging::PixelLayout;
using imaging::Raster;

Raster Columns(const Raster& page, int left, int width)
{
    Raster out = Raster::Blank(width, page.height, page.layout);
    out.palette = page.palette;
    out.xDpi = page.xDpi;
    out.yDpi = page.yDpi;
    for (int y = 0; y < page.height; ++y) {
        if (page.layout == PixelLayout::Bilevel) {
            for (int x = 0; x < width; ++x)
                out.SetBlack(x, y, page.Black(left + x, y));
        } else {
            size_t bytes = static_cast<size_t>(page.BitsPerPixel() / 8);
            std::memcpy(out.Row(y), page.Row(y) + left * bytes, width * bytes);
        }
    }
    return out;
}

int Split()
{
    Raster page;
    if (!methods::ReadPage("in.tif", &page))
        return 1;
    if (page.width < 2) {
        std::fprintf(stderr, "in.tif is too narrow to split\n");
        return 1;
    }
    int half = page.width / 2;
    if (!methods::WritePage("out.tif", Columns(page, 0, half)))
        return 1;
    if (!methods::WritePage("out1.tif", Columns(page, half, page.width - half))) {
        DeleteFileA("out.tif");
        return 1;
    }
    return 0;
}

} // namespace

int main()
{
    return methods::RunMethod(Split);
}

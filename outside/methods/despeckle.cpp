// Method "despeckle": removes scanner dust. On 1-bit pages every black speck
// of at most kSpeckPixels pixels (8-connected) turns white; grey and colour
// pages go through a 3x3 median filter.
#include "method_io.h"

#include <algorithm>
#include <vector>

namespace {

using imaging::PixelLayout;
using imaging::Raster;

constexpr int kSpeckPixels = 4;

void RemoveSpecks(Raster& page)
{
    const int w = page.width, h = page.height;
    std::vector<uint8_t> seen(static_cast<size_t>(w) * h, 0);
    std::vector<int> component, stack;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen[static_cast<size_t>(y0) * w + x0] || !page.Black(x0, y0))
                continue;
            // Collect the component, giving up once it is larger than a speck.
            component.clear();
            stack.assign(1, y0 * w + x0);
            seen[static_cast<size_t>(y0) * w + x0] = 1;
            bool large = false;
            while (!stack.empty()) {
                int at = stack.back();
                stack.pop_back();
                if (component.size() <= kSpeckPixels)
                    component.push_back(at);
                else
                    large = true;
                int x = at % w, y = at / w;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        size_t i = static_cast<size_t>(ny) * w + nx;
                        if (!seen[i] && page.Black(nx, ny)) {
                            seen[i] = 1;
                            stack.push_back(ny * w + nx);
                        }
                    }
            }
            if (!large && component.size() <= kSpeckPixels)
                for (int at : component)
                    page.SetBlack(at % w, at / w, false);
        }
    }
}

Raster Median(const Raster& page)
{
    const int channels = page.layout == PixelLayout::Rgb24 ? 3 : 1;
    Raster out = page;
    uint8_t window[9];
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            for (int c = 0; c < channels; ++c) {
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        int sx = std::clamp(x + dx, 0, page.width - 1);
                        int sy = std::clamp(y + dy, 0, page.height - 1);
                        window[n++] = page.Row(sy)[sx * channels + c];
                    }
                std::nth_element(window, window + 4, window + 9);
                out.Row(y)[x * channels + c] = window[4];
            }
    return out;
}

Raster ToRgb(const Raster& page)
{
    Raster out = Raster::Blank(page.width, page.height, PixelLayout::Rgb24);
    out.xDpi = page.xDpi;
    out.yDpi = page.yDpi;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x) {
            uint8_t i = page.Row(y)[x];
            imaging::Rgb c = i < page.palette.size() ? page.palette[i] : imaging::Rgb{};
            uint8_t* p = out.Row(y) + 3 * x;
            p[0] = c.r; p[1] = c.g; p[2] = c.b;
        }
    return out;
}

int Despeckle()
{
    Raster page;
    if (!methods::ReadPage("in.tif", &page))
        return 1;
    switch (page.layout) {
    case PixelLayout::Bilevel:
        RemoveSpecks(page);
        break;
    case PixelLayout::Palette8:
        page = Median(ToRgb(page));
        break;
    case PixelLayout::Gray8:
    case PixelLayout::Rgb24:
        page = Median(page);
        break;
    }
    return methods::WritePage("out.tif", page) ? 0 : 1;
}

} // namespace

int main()
{
    return methods::RunMethod(Despeckle);
}

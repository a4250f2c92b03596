#include "view_painter.h"

#include "view_layout.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace viewer {
namespace {

// The span of image pixels [first, last) that covers zoomed pixels
// [from, to), and where that span starts and ends in zoomed pixels.
struct Span {
    int first = 0, last = 0;
    int64_t zoomedStart = 0, zoomedEnd = 0;
};

Span CoveringSpan(int imageLength, int zoomedLength, int from, int to) {
    Span s;
    s.first = static_cast<int>(int64_t(from) * imageLength / zoomedLength);
    s.last = static_cast<int>((int64_t(to) * imageLength + zoomedLength - 1) / zoomedLength);
    s.last = std::min(s.last, imageLength);
    s.zoomedStart = int64_t(s.first) * zoomedLength / imageLength;
    s.zoomedEnd = int64_t(s.last) * zoomedLength / imageLength;
    return s;
}

// A source span of more pixels than this, shown smaller, is reduced by the
// view itself: the system's halftoning of such a span fails (nothing is
// drawn) or takes far too long. The view takes a fixed number of samples per
// shown pixel instead, so the work and memory follow the view's size.
constexpr int64_t kLargeSpan = 4000000;
constexpr int kSamples = 4;   // per shown pixel and direction

// The colour of an image pixel, 0xRRGGBB.
uint32_t ColourAt(const imaging::Raster& page, int x, int y) {
    const uint8_t* row = page.Row(y);
    switch (page.layout) {
    case imaging::PixelLayout::Bilevel: return page.Black(x, y) ? 0x000000 : 0xFFFFFF;
    case imaging::PixelLayout::Gray8: return row[x] * 0x010101u;
    case imaging::PixelLayout::Palette8: {
        if (row[x] >= page.palette.size()) return 0;
        const imaging::Rgb& c = page.palette[row[x]];
        return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
    }
    case imaging::PixelLayout::Rgb24:
        return (uint32_t(row[3 * x]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x + 2];
    }
    return 0;
}

// The image span xs x ys reduced to width x height pixels, each the mean of
// kSamples x kSamples image pixels spread over the part it covers, painted
// at (x, y).
void PaintReduced(HDC dc, int x, int y, int width, int height, const Span& xs, const Span& ys,
                  const imaging::Raster& page) {
    if (width <= 0 || height <= 0) return;
    std::vector<uint32_t> bits(size_t(width) * size_t(height));
    const int64_t spanWidth = xs.last - xs.first, spanHeight = ys.last - ys.first;
    std::vector<int> columns(size_t(width) * kSamples);
    for (int dx = 0; dx < width; ++dx) {
        const int64_t x0 = xs.first + int64_t(dx) * spanWidth / width;
        const int64_t x1 = std::max(x0 + 1, xs.first + int64_t(dx + 1) * spanWidth / width);
        for (int j = 0; j < kSamples; ++j)
            columns[size_t(dx) * kSamples + j] =
                static_cast<int>(std::min<int64_t>(xs.last - 1, x0 + (2 * j + 1) * (x1 - x0) / (2 * kSamples)));
    }
    for (int dy = 0; dy < height; ++dy) {
        const int64_t y0 = ys.first + int64_t(dy) * spanHeight / height;
        const int64_t y1 = std::max(y0 + 1, ys.first + int64_t(dy + 1) * spanHeight / height);
        int rows[kSamples];
        for (int i = 0; i < kSamples; ++i)
            rows[i] = static_cast<int>(std::min<int64_t>(ys.last - 1, y0 + (2 * i + 1) * (y1 - y0) / (2 * kSamples)));
        for (int dx = 0; dx < width; ++dx) {
            uint32_t r = 0, g = 0, b = 0;
            for (int i = 0; i < kSamples; ++i)
                for (int j = 0; j < kSamples; ++j) {
                    const uint32_t c = ColourAt(page, columns[size_t(dx) * kSamples + j], rows[i]);
                    r += c >> 16;
                    g += (c >> 8) & 0xFF;
                    b += c & 0xFF;
                }
            const uint32_t n = kSamples * kSamples;
            bits[size_t(dy) * width + dx] = ((r / n) << 16) | ((g / n) << 8) | (b / n);
        }
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, x, y, width, height, 0, 0, width, height, bits.data(), &info, DIB_RGB_COLORS,
                  SRCCOPY);
}

} // namespace

void PaintPicture(HDC dc, const RECT& bounds, const Picture& picture, double zoom, int scrollX,
                  int scrollY) {
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return;
    HBRUSH background = GetSysColorBrush(COLOR_APPWORKSPACE);

    const int zoomedWidth = ZoomedLength(picture.Width(), zoom);
    const int zoomedHeight = ZoomedLength(picture.Height(), zoom);
    // The part of the zoomed image that lands in bounds.
    const int fromX = std::max(0, scrollX), toX = std::min(zoomedWidth, scrollX + width);
    const int fromY = std::max(0, scrollY), toY = std::min(zoomedHeight, scrollY + height);
    if (picture.Empty() || fromX >= toX || fromY >= toY) {
        FillRect(dc, &bounds, background);
        return;
    }

    const Span xs = CoveringSpan(picture.Width(), zoomedWidth, fromX, toX);
    const Span ys = CoveringSpan(picture.Height(), zoomedHeight, fromY, toY);
    const int destX = bounds.left + static_cast<int>(xs.zoomedStart - scrollX);
    const int destY = bounds.top + static_cast<int>(ys.zoomedStart - scrollY);
    const int destWidth = static_cast<int>(xs.zoomedEnd - xs.zoomedStart);
    const int destHeight = static_cast<int>(ys.zoomedEnd - ys.zoomedStart);

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    const bool smaller = zoomedWidth < picture.Width() || zoomedHeight < picture.Height();
    const int64_t span = int64_t(xs.last - xs.first) * (ys.last - ys.first);
    if (smaller && span > kLargeSpan) {
        PaintReduced(dc, destX, destY, destWidth, destHeight, xs, ys, picture.Page());
    } else {
        SetStretchBltMode(dc, smaller ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        // Rows are stored bottom-up, so the source rectangle counts from the bottom.
        StretchDIBits(dc, destX, destY, destWidth, destHeight, xs.first,
                      picture.Height() - ys.last, xs.last - xs.first, ys.last - ys.first,
                      picture.DibBits(), picture.DibInfo(), DIB_RGB_COLORS, SRCCOPY);
    }
    ExcludeClipRect(dc, destX, destY, destX + destWidth, destY + destHeight);
    FillRect(dc, &bounds, background);
    RestoreDC(dc, saved);
}

} // namespace viewer

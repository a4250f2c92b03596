#include "packed_dib.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <utility>

namespace viewer {
namespace {

using imaging::PixelLayout;
using imaging::Raster;

constexpr int64_t kMaxSide = int64_t(1) << 20;
constexpr int64_t kMaxPixels = int64_t(1) << 28;

size_t DibStride(int width, int bits) {
    return ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
}

RGBQUAD Quad(uint8_t r, uint8_t g, uint8_t b) {
    RGBQUAD q = {};
    q.rgbRed = r;
    q.rgbGreen = g;
    q.rgbBlue = b;
    return q;
}

LONG PelsPerMetre(double dpi) {
    if (!(dpi > 0) || dpi > 1e6) return 0;
    return static_cast<LONG>(std::lround(dpi / 0.0254));
}

double DotsPerInch(LONG pelsPerMetre) {
    if (pelsPerMetre <= 0) return 0;
    return std::round(pelsPerMetre * 0.0254 * 100.0) / 100.0;
}

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

bool IsBlack(const RGBQUAD& q) { return q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0; }
bool IsWhite(const RGBQUAD& q) {
    return q.rgbRed == 255 && q.rgbGreen == 255 && q.rgbBlue == 255;
}

bool IsGreyRamp(const RGBQUAD* colours, size_t count) {
    if (count != 256) return false;
    for (size_t i = 0; i < count; ++i) {
        const RGBQUAD& q = colours[i];
        if (q.rgbRed != i || q.rgbGreen != i || q.rgbBlue != i) return false;
    }
    return true;
}

} // namespace

std::vector<uint8_t> PackedDibFromRaster(const Raster& page) {
    if (page.width <= 0 || page.height <= 0) return {};
    if (page.pixels.size() != page.RowBytes() * static_cast<size_t>(page.height)) return {};

    const int bits = page.BitsPerPixel();
    std::vector<RGBQUAD> colours;
    switch (page.layout) {
    case PixelLayout::Bilevel:
        colours = {Quad(255, 255, 255), Quad(0, 0, 0)};
        break;
    case PixelLayout::Gray8:
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            colours.push_back(Quad(v, v, v));
        }
        break;
    case PixelLayout::Palette8:
        colours.assign(256, Quad(0, 0, 0));
        for (size_t i = 0; i < page.palette.size() && i < 256; ++i)
            colours[i] = Quad(page.palette[i].r, page.palette[i].g, page.palette[i].b);
        break;
    case PixelLayout::Rgb24:
        break;
    }

    const size_t stride = DibStride(page.width, bits);
    const size_t tableBytes = colours.size() * sizeof(RGBQUAD);
    const size_t headerBytes = sizeof(BITMAPINFOHEADER);
    std::vector<uint8_t> dib(headerBytes + tableBytes + stride * page.height, 0);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = page.width;
    header.biHeight = page.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * page.height);
    header.biXPelsPerMeter = PelsPerMetre(page.xDpi);
    header.biYPelsPerMeter = PelsPerMetre(page.yDpi);
    header.biClrUsed = static_cast<DWORD>(colours.size());
    std::memcpy(dib.data(), &header, headerBytes);
    if (tableBytes) std::memcpy(dib.data() + headerBytes, colours.data(), tableBytes);

    uint8_t* rows = dib.data() + headerBytes + tableBytes;
    const size_t rowBytes = page.RowBytes();
    for (int y = 0; y < page.height; ++y) {
        const uint8_t* source = page.Row(y);
        uint8_t* target = rows + stride * static_cast<size_t>(page.height - 1 - y);
        if (page.layout == PixelLayout::Rgb24) {
            for (int x = 0; x < page.width; ++x) {
                target[3 * x] = source[3 * x + 2];
                target[3 * x + 1] = source[3 * x + 1];
                target[3 * x + 2] = source[3 * x];
            }
        } else {
            std::memcpy(target, source, rowBytes);
        }
    }
    return dib;
}

bool RasterFromPackedDib(const uint8_t* dib, size_t size, Raster* page, std::string* error) {
    if (!dib || size < sizeof(BITMAPINFOHEADER))
        return Fail(error, "the DIB is shorter than its header");
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size)
        return Fail(error, "the DIB header has an unknown size");
    if (header.biPlanes != 1) return Fail(error, "the DIB does not have one plane");
    if (header.biCompression != BI_RGB) return Fail(error, "the DIB is compressed");
    const int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Fail(error, "the DIB has an unsupported number of bits per pixel");
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        width * height > kMaxPixels)
        return Fail(error, "the DIB's size is out of range");

    uint64_t colourCount = header.biClrUsed;
    if (bits <= 8) {
        if (colourCount == 0) colourCount = uint64_t(1) << bits;
        if (colourCount > (uint64_t(1) << bits))
            return Fail(error, "the DIB's colour table is too long");
    }
    const uint64_t tableOffset = header.biSize;
    const uint64_t rowsOffset = tableOffset + colourCount * sizeof(RGBQUAD);
    const uint64_t stride = DibStride(static_cast<int>(width), bits);
    if (rowsOffset > size || stride * height > size - rowsOffset)
        return Fail(error, "the DIB's rows run past its end");

    const RGBQUAD* colours = reinterpret_cast<const RGBQUAD*>(dib + tableOffset);
    const uint8_t* rows = dib + rowsOffset;
    const bool bottomUp = header.biHeight > 0;

    Raster result;
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    result.xDpi = DotsPerInch(header.biXPelsPerMeter);
    result.yDpi = DotsPerInch(header.biYPelsPerMeter);
    bool invertBits = false;
    if (bits == 1 && colourCount == 2 &&
        ((IsWhite(colours[0]) && IsBlack(colours[1])) ||
         (IsBlack(colours[0]) && IsWhite(colours[1])))) {
        result.layout = PixelLayout::Bilevel;
        invertBits = IsBlack(colours[0]);
    } else if (bits == 8 && IsGreyRamp(colours, static_cast<size_t>(colourCount))) {
        result.layout = PixelLayout::Gray8;
    } else if (bits <= 8) {
        result.layout = PixelLayout::Palette8;
        for (uint64_t i = 0; i < colourCount; ++i)
            result.palette.push_back({colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue});
    } else {
        result.layout = PixelLayout::Rgb24;
    }
    result.pixels.assign(result.RowBytes() * result.height, 0);

    for (int y = 0; y < result.height; ++y) {
        const uint8_t* source =
            rows + stride * static_cast<uint64_t>(bottomUp ? result.height - 1 - y : y);
        uint8_t* target = result.Row(y);
        if (result.layout == PixelLayout::Bilevel) {
            const size_t rowBytes = result.RowBytes();
            for (size_t i = 0; i < rowBytes; ++i)
                target[i] = invertBits ? static_cast<uint8_t>(~source[i]) : source[i];
            const int spare = static_cast<int>(rowBytes * 8) - result.width;
            if (spare > 0) target[rowBytes - 1] &= static_cast<uint8_t>(0xFF << spare);
        } else if (bits == 8) {
            std::memcpy(target, source, result.width);
        } else if (bits < 8) {
            // 1 or 4 bits per index, most significant first.
            const int perByte = 8 / bits;
            const int mask = (1 << bits) - 1;
            for (int x = 0; x < result.width; ++x) {
                const int shift = (perByte - 1 - x % perByte) * bits;
                target[x] = static_cast<uint8_t>((source[x / perByte] >> shift) & mask);
            }
        } else {
            const int step = bits / 8;
            for (int x = 0; x < result.width; ++x) {
                target[3 * x] = source[step * x + 2];
                target[3 * x + 1] = source[step * x + 1];
                target[3 * x + 2] = source[step * x];
            }
        }
    }
    *page = std::move(result);
    return true;
}

} // namespace viewer

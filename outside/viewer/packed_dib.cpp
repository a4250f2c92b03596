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

namespace {

// The parts of a packed DIB that every reader needs, checked against its size.
struct DibParts {
    BITMAPINFOHEADER header;
    int bits = 0;
    int width = 0;
    int height = 0; // always positive
    bool bottomUp = true;
    uint64_t colourCount = 0;
    uint64_t tableOffset = 0;
    uint64_t rowsOffset = 0;
    uint64_t stride = 0;
};

bool ParseDib(const uint8_t* dib, size_t size, bool sixteenBits, DibParts* parts,
              std::string* error) {
    if (!dib || size < sizeof(BITMAPINFOHEADER))
        return Fail(error, "the DIB is shorter than its header");
    BITMAPINFOHEADER& header = parts->header;
    std::memcpy(&header, dib, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size)
        return Fail(error, "the DIB header has an unknown size");
    if (header.biPlanes != 1) return Fail(error, "the DIB does not have one plane");
    if (header.biCompression != BI_RGB) return Fail(error, "the DIB is compressed");
    const int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32 &&
        !(sixteenBits && bits == 16))
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
    } else if (colourCount > 256) {
        return Fail(error, "the DIB's colour table is too long");
    }
    parts->bits = bits;
    parts->width = static_cast<int>(width);
    parts->height = static_cast<int>(height);
    parts->bottomUp = header.biHeight > 0;
    parts->colourCount = colourCount;
    parts->tableOffset = header.biSize;
    parts->rowsOffset = parts->tableOffset + colourCount * sizeof(RGBQUAD);
    parts->stride = DibStride(parts->width, bits);
    if (parts->rowsOffset > size || parts->stride * height > size - parts->rowsOffset)
        return Fail(error, "the DIB's rows run past its end");
    return true;
}

// A pixel's value (an index or the colour's bytes as one number) at x of a row.
uint32_t PixelAt(const uint8_t* row, int x, int bits) {
    switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: {
        const int step = bits / 8;
        uint32_t value = 0;
        for (int i = 0; i < step; ++i) value |= uint32_t(row[step * x + i]) << (8 * i);
        return value;
    }
    }
}

void SetPixelAt(uint8_t* row, int x, int bits, uint32_t value) {
    switch (bits) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(value ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case 4: {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(15 << shift)) | (value << shift));
        break;
    }
    default: {
        const int step = bits / 8;
        for (int i = 0; i < step; ++i) row[step * x + i] = static_cast<uint8_t>(value >> (8 * i));
        break;
    }
    }
}

} // namespace

bool RasterFromPackedDib(const uint8_t* dib, size_t size, Raster* page, std::string* error) {
    DibParts parts;
    if (!ParseDib(dib, size, false, &parts, error)) return false;
    const BITMAPINFOHEADER& header = parts.header;
    const int bits = parts.bits;
    const uint64_t colourCount = parts.colourCount;
    const uint64_t tableOffset = parts.tableOffset;
    const uint64_t rowsOffset = parts.rowsOffset;
    const uint64_t stride = parts.stride;
    const int64_t width = parts.width;
    const int64_t height = parts.height;

    const RGBQUAD* colours = reinterpret_cast<const RGBQUAD*>(dib + tableOffset);
    const uint8_t* rows = dib + rowsOffset;
    const bool bottomUp = parts.bottomUp;

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

bool TurnPackedDib(const uint8_t* dib, size_t size, int code, std::vector<uint8_t>* turned,
                   std::string* error) {
    if (code < kTurnRight || code > kMirror) return Fail(error, "unknown turn");
    DibParts parts;
    if (!ParseDib(dib, size, true, &parts, error)) return false;
    const bool swapSides = code == kTurnRight || code == kTurnLeft;
    const int width = parts.width, height = parts.height;
    const int newWidth = swapSides ? height : width;
    const int newHeight = swapSides ? width : height;
    const size_t newStride = DibStride(newWidth, parts.bits);
    const size_t headBytes = static_cast<size_t>(parts.rowsOffset);
    std::vector<uint8_t> result(headBytes + newStride * newHeight, 0);
    // Header and colour table as they were; the sides and the order of the
    // rows (bottom-up) as made here.
    std::memcpy(result.data(), dib, headBytes);
    BITMAPINFOHEADER header = parts.header;
    header.biWidth = newWidth;
    header.biHeight = newHeight;
    header.biSizeImage = static_cast<DWORD>(newStride * newHeight);
    if (swapSides) std::swap(header.biXPelsPerMeter, header.biYPelsPerMeter);
    std::memcpy(result.data(), &header, sizeof header);

    const uint8_t* rows = dib + parts.rowsOffset;
    auto sourceRow = [&](int y) {
        return rows + parts.stride * static_cast<uint64_t>(parts.bottomUp ? height - 1 - y : y);
    };
    uint8_t* target = result.data() + headBytes;
    for (int y = 0; y < newHeight; ++y) {
        uint8_t* row = target + newStride * static_cast<size_t>(newHeight - 1 - y);
        for (int x = 0; x < newWidth; ++x) {
            int sx = x, sy = y;
            switch (code) {
            case kTurnRight: sx = y; sy = height - 1 - x; break;
            case kTurnHalf: sx = width - 1 - x; sy = height - 1 - y; break;
            case kTurnLeft: sx = width - 1 - y; sy = x; break;
            case kFlip: sy = height - 1 - y; break;
            default: sx = width - 1 - x; break; // kMirror
            }
            SetPixelAt(row, x, parts.bits, PixelAt(sourceRow(sy), sx, parts.bits));
        }
    }
    *turned = std::move(result);
    return true;
}

} // namespace viewer

#pragma once
// A page image in memory, as the outside programs and the image control
// exchange it with files: one of four pixel layouts, rows top-down.
#include <cstdint>
#include <vector>

namespace imaging {

enum class PixelLayout {
    Bilevel,    // 1 bit per pixel, MSB first, 1 = black
    Gray8,      // 8 bits per pixel, 0 = black, 255 = white
    Palette8,   // 8-bit index into palette (up to 256 entries)
    Rgb24,      // 3 bytes per pixel in the order R, G, B
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

struct Raster {
    int width = 0;
    int height = 0;
    PixelLayout layout = PixelLayout::Gray8;
    std::vector<uint8_t> pixels;   // height rows of RowBytes() bytes, no padding beyond that
    std::vector<Rgb> palette;      // Palette8 only
    double xDpi = 300.0;           // resolution; 0 when unknown
    double yDpi = 300.0;

    int BitsPerPixel() const;
    // Bytes of one row: (width * bits + 7) / 8.
    size_t RowBytes() const;
    uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }

    // A blank (white) raster of the given size and layout: Bilevel all bits
    // clear, Gray8 255, Rgb24 (255,255,255), Palette8 all index 0 with the
    // one-entry palette {(255,255,255)}. A size that is not positive gives
    // that size with no pixels.
    static Raster Blank(int width, int height, PixelLayout layout);

    // Bilevel access: true = black.
    bool Black(int x, int y) const { return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
    void SetBlack(int x, int y, bool black)
    {
        uint8_t& b = Row(y)[x >> 3];
        uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        b = black ? (b | bit) : (b & ~bit);
    }
};

} // namespace imaging

#include "test_support.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <random>

namespace imgtest {

std::vector<uint8_t> BitsToBytes(const std::string& bits)
{
    std::vector<uint8_t> out;
    int n = 0;
    for (char c : bits) {
        if (c != '0' && c != '1')
            continue;
        if (n % 8 == 0)
            out.push_back(0);
        if (c == '1')
            out.back() |= static_cast<uint8_t>(0x80 >> (n % 8));
        ++n;
    }
    return out;
}

Raster BilevelFrom(int width, int height, const std::function<bool(int, int)>& black)
{
    Raster r = Raster::Blank(width, height, PixelLayout::Bilevel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (black(x, y))
                r.SetBlack(x, y, true);
    return r;
}

namespace {

long CountBlack(const Raster& r)
{
    long n = 0;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            n += r.Black(x, y);
    return n;
}

void DrawText(Raster* page)
{
    const int w = page->width, h = page->height;
    HDC dc = CreateCompatibleDC(nullptr);
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[2];
    } bi = {};
    bi.h.biSize = sizeof(BITMAPINFOHEADER);
    bi.h.biWidth = w;
    bi.h.biHeight = -h;   // top-down
    bi.h.biPlanes = 1;
    bi.h.biBitCount = 1;
    bi.h.biCompression = BI_RGB;
    bi.colours[0] = RGBQUAD{255, 255, 255, 0};   // index 0 white
    bi.colours[1] = RGBQUAD{0, 0, 0, 0};         // index 1 black: set bit = black
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
    if (!bitmap || !bits) {
        DeleteDC(dc);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const size_t stride = (static_cast<size_t>(w) + 31) / 32 * 4;
    memset(bits, 0, stride * h);   // index 0, white (WHITENESS would set index 1)
    int size = std::max(8, std::min(h / 50, w / 45));
    HFONT font = CreateFontA(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    static const char* const kLines[] = {
        "Invoice 2024-0117  Page 1 of 3",
        "The quick brown fox jumps over the lazy dog. 0123456789",
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit,",
        "sed do eiusmod tempor incididunt ut labore et dolore magna",
        "aliqua. Ut enim ad minim veniam, quis nostrud exercitation",
        "ullamco laboris nisi ut aliquip ex ea commodo consequat.",
        "TOTAL DUE:  $ 1,234.56      Signature: ______________",
    };
    int y = size;
    for (int i = 0; y < h - size; ++i, y += size * 3 / 2) {
        const char* line = kLines[i % 7];
        TextOutA(dc, size / 2 + (i % 3) * size, y, line, static_cast<int>(strlen(line)));
    }
    GdiFlush();
    for (int row = 0; row < h; ++row)
        memcpy(page->Row(row), static_cast<const uint8_t*>(bits) + stride * row, page->RowBytes());
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    if (w & 7)   // keep the padding bits clear
        for (int row = 0; row < h; ++row)
            page->Row(row)[page->RowBytes() - 1] &= static_cast<uint8_t>(0xFF << (8 - (w & 7)));
}

} // namespace

Raster TextPage(int width, int height, long* textPixels)
{
    Raster page = Raster::Blank(width, height, PixelLayout::Bilevel);
    DrawText(&page);
    if (textPixels)
        *textPixels = CountBlack(page);
    auto set = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            page.SetBlack(x, y, true);
    };
    // A frame, rules and all-black rows.
    for (int x = 0; x < width; ++x) {
        set(x, 0);
        set(x, height - 1);
        set(x, height / 3);
        set(x, height / 3 + 1);
    }
    for (int y = 0; y < height; ++y) {
        set(0, y);
        set(width - 1, y);
        set(width / 2, y);
    }
    // A diagonal, a filled block, a dotted rule, a checkerboard patch.
    for (int i = 0; i < std::min(width, height); ++i)
        set(i, i);
    for (int y = height / 2; y < height / 2 + height / 20 + 1; ++y)
        for (int x = width / 5; x < width / 5 + width / 10 + 1; ++x)
            set(x, y);
    for (int x = 0; x < width; x += 3)
        set(x, height * 2 / 3);
    for (int y = height * 3 / 4; y < height * 3 / 4 + 40 && y < height; ++y)
        for (int x = width * 3 / 5; x < width * 3 / 5 + 60 && x < width; ++x)
            if ((x + y) & 1)
                set(x, y);
    return page;
}

Raster Noise(int width, int height, PixelLayout layout, uint32_t seed, int paletteSize, int blackPercent)
{
    std::mt19937 rng(seed);
    Raster r = Raster::Blank(width, height, layout);
    switch (layout) {
    case PixelLayout::Bilevel:
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (static_cast<int>(rng() % 100) < blackPercent)
                    r.SetBlack(x, y, true);
        break;
    case PixelLayout::Gray8:
    case PixelLayout::Rgb24:
        for (uint8_t& b : r.pixels)
            b = static_cast<uint8_t>(rng());
        // Some flat stretches, so that PackBits has runs to find.
        for (size_t i = 0; i + 300 < r.pixels.size(); i += 1000)
            std::fill(r.pixels.begin() + i, r.pixels.begin() + i + 300, static_cast<uint8_t>(i));
        break;
    case PixelLayout::Palette8:
        r.palette.clear();
        for (int i = 0; i < paletteSize; ++i)
            r.palette.push_back(imaging::Rgb{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                                             static_cast<uint8_t>(rng())});
        r.palette[0] = imaging::Rgb{1, 2, 3};   // never a grey ramp
        for (uint8_t& b : r.pixels)
            b = static_cast<uint8_t>(rng() % paletteSize);
        for (size_t i = 0; i + 200 < r.pixels.size(); i += 700)
            std::fill(r.pixels.begin() + i, r.pixels.begin() + i + 200, static_cast<uint8_t>(i % paletteSize));
        break;
    }
    return r;
}

std::string Difference(const Raster& e, const Raster& a)
{
    if (e.width != a.width || e.height != a.height)
        return "size " + std::to_string(a.width) + "x" + std::to_string(a.height) + ", expected " +
               std::to_string(e.width) + "x" + std::to_string(e.height);
    if (e.layout != a.layout)
        return "layout " + std::to_string(static_cast<int>(a.layout)) + ", expected " +
               std::to_string(static_cast<int>(e.layout));
    if (a.pixels.size() != a.RowBytes() * a.height)
        return "pixel buffer of " + std::to_string(a.pixels.size()) + " bytes";
    if (e.layout == PixelLayout::Bilevel) {
        for (int y = 0; y < e.height; ++y)
            for (int x = 0; x < e.width; ++x)
                if (e.Black(x, y) != a.Black(x, y))
                    return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                           (a.Black(x, y) ? "black" : "white");
        return "";
    }
    for (int y = 0; y < e.height; ++y)
        for (size_t i = 0; i < e.RowBytes(); ++i)
            if (e.Row(y)[i] != a.Row(y)[i])
                return "row " + std::to_string(y) + " byte " + std::to_string(i) + " is " +
                       std::to_string(a.Row(y)[i]) + ", expected " + std::to_string(e.Row(y)[i]);
    if (e.layout == PixelLayout::Palette8) {
        if (a.palette.size() < e.palette.size())
            return "palette of " + std::to_string(a.palette.size()) + " entries";
        for (size_t i = 0; i < e.palette.size(); ++i)
            if (e.palette[i].r != a.palette[i].r || e.palette[i].g != a.palette[i].g ||
                e.palette[i].b != a.palette[i].b)
                return "palette entry " + std::to_string(i) + " differs";
    }
    return "";
}

bool UnpackBitsRow(const uint8_t* data, size_t size, size_t rowBytes, std::vector<uint8_t>* row,
                   size_t* used)
{
    row->clear();
    size_t i = 0;
    while (row->size() < rowBytes) {
        if (i >= size)
            return false;
        int n = static_cast<int8_t>(data[i++]);
        if (n >= 0) {
            if (i + n + 1 > size || row->size() + n + 1 > rowBytes)
                return false;
            row->insert(row->end(), data + i, data + i + n + 1);
            i += n + 1;
        } else if (n != -128) {
            if (i >= size || row->size() + (1 - n) > rowBytes)
                return false;
            row->insert(row->end(), static_cast<size_t>(1 - n), data[i++]);
        }
    }
    *used = i;
    return true;
}

void TiffBuilder::Put(std::vector<uint8_t>* v, uint32_t x, int bytes) const
{
    for (int i = 0; i < bytes; ++i) {
        int shift = big_ ? 8 * (bytes - 1 - i) : 8 * i;
        v->push_back(static_cast<uint8_t>(x >> shift));
    }
}

void TiffBuilder::Short(uint16_t tag, std::vector<uint16_t> values)
{
    Field f{tag, 3, static_cast<uint32_t>(values.size()), {}};
    for (uint16_t v : values)
        Put(&f.value, v, 2);
    fields_.push_back(f);
}

void TiffBuilder::Long(uint16_t tag, std::vector<uint32_t> values)
{
    Field f{tag, 4, static_cast<uint32_t>(values.size()), {}};
    for (uint32_t v : values)
        Put(&f.value, v, 4);
    fields_.push_back(f);
}

void TiffBuilder::Rational(uint16_t tag, uint32_t n, uint32_t d)
{
    Field f{tag, 5, 1, {}};
    Put(&f.value, n, 4);
    Put(&f.value, d, 4);
    fields_.push_back(f);
}

void TiffBuilder::Bytes(uint16_t tag, uint16_t type, std::vector<uint8_t> bytes, uint32_t count)
{
    fields_.push_back(Field{tag, type, count, bytes});
}

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& data)
{
    const uint32_t kClear = 256, kEnd = 257, kFirst = 258, kFull = 4094;
    std::vector<uint8_t> out;
    uint32_t bits = 0, bitCount = 0, width = 9, next = kFirst;
    auto put = [&](uint32_t code) {
        bits = (bits << width) | code;
        bitCount += width;
        while (bitCount >= 8) {
            out.push_back(static_cast<uint8_t>(bits >> (bitCount - 8)));
            bitCount -= 8;
        }
        bits &= (1u << bitCount) - 1;
    };
    std::map<std::pair<uint32_t, uint8_t>, uint32_t> table;
    put(kClear);
    if (!data.empty()) {
        uint32_t prefix = data[0];
        for (size_t i = 1; i < data.size(); ++i) {
            auto found = table.find({prefix, data[i]});
            if (found != table.end()) {
                prefix = found->second;
                continue;
            }
            put(prefix);
            table[{prefix, data[i]}] = next++;
            if (next == kFull) {
                put(kClear);
                table.clear();
                next = kFirst;
                width = 9;
            } else if (next > (1u << width) - 1) {
                ++width;
            }
            prefix = data[i];
        }
        put(prefix);
    }
    put(kEnd);
    if (bitCount)
        out.push_back(static_cast<uint8_t>(bits << (8 - bitCount)));
    return out;
}

std::vector<uint8_t> LzwPage(const Raster& page, int rowsPerStrip, bool predictor, int tileSize)
{
    const int samples = page.layout == PixelLayout::Rgb24 ? 3 : 1;
    const int bits = page.layout == PixelLayout::Bilevel ? 1 : 8;
    TiffBuilder b;
    b.Long(256, {static_cast<uint32_t>(page.width)});
    b.Long(257, {static_cast<uint32_t>(page.height)});
    b.Short(258, std::vector<uint16_t>(samples, static_cast<uint16_t>(bits)));
    b.Short(259, {5});
    b.Short(262, {static_cast<uint16_t>(page.layout == PixelLayout::Bilevel ? 0
                                        : page.layout == PixelLayout::Rgb24  ? 2
                                                                             : 1)});
    b.Short(277, {static_cast<uint16_t>(samples)});
    if (predictor)
        b.Short(317, {2});
    // One piece: `rows` rows of `cols` pixels from (x0, y0), padded past the
    // page's edge with zero bytes (tiles).
    auto piece = [&](int x0, int y0, int cols, int rows) {
        const size_t rowBytes = (size_t(cols) * samples * bits + 7) / 8;
        std::vector<uint8_t> data;
        for (int y = y0; y < y0 + rows; ++y) {
            std::vector<uint8_t> row(rowBytes, 0);
            if (y < page.height) {
                const size_t pixelBytes = size_t(samples) * bits / 8;
                if (bits == 1) {
                    for (int x = x0; x < std::min(x0 + cols, page.width); ++x)
                        if (page.Black(x, y))
                            row[(x - x0) >> 3] |= static_cast<uint8_t>(0x80 >> ((x - x0) & 7));
                } else {
                    int n = std::max(0, std::min(cols, page.width - x0));
                    std::copy(page.Row(y) + x0 * pixelBytes, page.Row(y) + (x0 + n) * pixelBytes, row.begin());
                }
                if (predictor && bits == 8)
                    for (size_t i = row.size(); i-- > size_t(samples);)
                        row[i] = static_cast<uint8_t>(row[i] - row[i - samples]);
            }
            data.insert(data.end(), row.begin(), row.end());
        }
        return LzwEncode(data);
    };
    std::vector<std::vector<uint8_t>> pieces;
    if (tileSize > 0) {
        b.Long(322, {static_cast<uint32_t>(tileSize)});
        b.Long(323, {static_cast<uint32_t>(tileSize)});
        for (int y = 0; y < page.height; y += tileSize)
            for (int x = 0; x < page.width; x += tileSize)
                pieces.push_back(piece(x, y, tileSize, tileSize));
    } else {
        b.Long(278, {static_cast<uint32_t>(rowsPerStrip)});
        for (int y = 0; y < page.height; y += rowsPerStrip)
            pieces.push_back(piece(0, y, page.width, std::min(rowsPerStrip, page.height - y)));
    }
    return b.BuildPieces(pieces, tileSize > 0);
}

std::vector<uint8_t> TiffBuilder::Build(const std::vector<uint8_t>& strip) const
{
    return BuildPieces({strip}, false);
}

std::vector<uint8_t> TiffBuilder::BuildPieces(const std::vector<std::vector<uint8_t>>& pieces, bool tiles) const
{
    std::vector<uint8_t> out;
    Append(&out, pieces, tiles);
    return out;
}

void TiffBuilder::Append(std::vector<uint8_t>* file, const std::vector<std::vector<uint8_t>>& pieces,
                         bool tiles) const
{
    const uint16_t offsetsTag = tiles ? 324 : 273, countsTag = tiles ? 325 : 279;
    const uint32_t n = static_cast<uint32_t>(pieces.size());
    std::vector<Field> fields = fields_;
    fields.push_back(Field{offsetsTag, 4, n, std::vector<uint8_t>(4 * n, 0)});
    fields.push_back(Field{countsTag, 4, n, {}});
    std::vector<uint8_t> strip;
    for (const std::vector<uint8_t>& piece : pieces) {
        Put(&fields.back().value, static_cast<uint32_t>(piece.size()), 4);
        strip.insert(strip.end(), piece.begin(), piece.end());
    }
    std::stable_sort(fields.begin(), fields.end(),
                     [](const Field& a, const Field& b) { return a.tag < b.tag; });
    std::vector<uint8_t>& out = *file;
    uint32_t link = 4;   // where the offset of this page's IFD goes
    if (out.empty()) {
        if (big_) {
            out = {'M', 'M', 0, 42};
        } else {
            out = {'I', 'I', 42, 0};
        }
        Put(&out, 0, 4);
    } else {
        link = lastLink_;
    }
    out.resize(out.size() + (out.size() & 1), 0);
    const uint32_t ifd = static_cast<uint32_t>(out.size());
    std::vector<uint8_t> linkBytes;
    Put(&linkBytes, ifd, 4);
    std::copy(linkBytes.begin(), linkBytes.end(), out.begin() + link);
    uint32_t at = ifd + 2 + 12 * static_cast<uint32_t>(fields.size()) + 4;
    std::vector<uint32_t> offsets;
    for (const Field& f : fields) {
        at += at & 1;
        offsets.push_back(f.value.size() > 4 ? at : 0);
        if (f.value.size() > 4)
            at += static_cast<uint32_t>(f.value.size());
    }
    at += at & 1;
    for (Field& f : fields)
        if (f.tag == offsetsTag) {
            f.value.clear();
            uint32_t pieceAt = at;
            for (const std::vector<uint8_t>& piece : pieces) {
                Put(&f.value, pieceAt, 4);
                pieceAt += static_cast<uint32_t>(piece.size());
            }
        }
    Put(&out, static_cast<uint32_t>(fields.size()), 2);
    for (size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        Put(&out, f.tag, 2);
        Put(&out, f.type, 2);
        Put(&out, f.count, 4);
        if (f.value.size() > 4) {
            Put(&out, offsets[i], 4);
        } else {
            std::vector<uint8_t> v = f.value;
            v.resize(4, 0);
            out.insert(out.end(), v.begin(), v.end());
        }
    }
    lastLink_ = static_cast<uint32_t>(out.size());
    Put(&out, 0, 4);
    for (size_t i = 0; i < fields.size(); ++i)
        if (offsets[i]) {
            out.resize(offsets[i], 0);
            out.insert(out.end(), fields[i].value.begin(), fields[i].value.end());
        }
    out.resize(at, 0);
    out.insert(out.end(), strip.begin(), strip.end());
}

namespace {
uint32_t Le(const std::vector<uint8_t>& b, size_t at, int n)
{
    uint32_t x = 0;
    for (int i = n - 1; i >= 0; --i)
        x = x << 8 | b[at + i];
    return x;
}
uint32_t TypeSize(uint16_t t)
{
    switch (t) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: return 4;
    case 5: case 10: case 12: return 8;
    }
    return 0;
}
} // namespace

std::vector<uint32_t> ParsedTiff::Values(uint16_t tag) const
{
    std::vector<uint32_t> v;
    auto it = entries.find(tag);
    if (it == entries.end())
        return v;
    int size = it->second.type == 3 ? 2 : 4;
    for (uint32_t i = 0; i < it->second.count; ++i)
        v.push_back(Le(it->second.raw, size * i, size));
    return v;
}

ParsedTiff ParseTiff(const std::vector<uint8_t>& b, bool morePages)
{
    ParsedTiff p;
    if (b.size() < 8 || b[0] != 'I' || b[1] != 'I' || Le(b, 2, 2) != 42) {
        p.error = "no little-endian TIFF header";
        return p;
    }
    uint32_t ifd = Le(b, 4, 4);
    if (ifd + 2 > b.size()) {
        p.error = "IFD offset out of the file";
        return p;
    }
    uint32_t n = Le(b, ifd, 2);
    if (ifd + 2 + 12ull * n + 4 > b.size()) {
        p.error = "IFD out of the file";
        return p;
    }
    for (uint32_t i = 0; i < n; ++i) {
        size_t at = ifd + 2 + 12 * i;
        uint16_t tag = static_cast<uint16_t>(Le(b, at, 2));
        ParsedEntry e;
        e.type = static_cast<uint16_t>(Le(b, at + 2, 2));
        e.count = Le(b, at + 4, 4);
        uint64_t size = uint64_t(TypeSize(e.type)) * e.count;
        size_t from = at + 8;
        if (size > 4) {
            e.valueOffset = Le(b, at + 8, 4);
            from = e.valueOffset;
        }
        if (from + size > b.size()) {
            p.error = "value of tag " + std::to_string(tag) + " out of the file";
            return p;
        }
        e.raw.assign(b.begin() + from, b.begin() + from + static_cast<size_t>(size));
        p.order.push_back(tag);
        p.entries[tag] = e;
    }
    if (!morePages && Le(b, ifd + 2 + 12 * n, 4) != 0) {
        p.error = "more than one IFD";
        return p;
    }
    p.ok = true;
    return p;
}

std::vector<uint8_t> MakeBmp(int width, int height, int bpp, const std::vector<uint32_t>& paletteBgr,
                             const std::vector<std::vector<uint8_t>>& rows, int pelsPerMeter, bool topDown)
{
    std::vector<uint8_t> b;
    auto put = [&b](uint32_t x, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    const size_t stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
    const uint32_t dataAt = 14 + 40 + 4 * static_cast<uint32_t>(paletteBgr.size());
    b.push_back('B');
    b.push_back('M');
    put(static_cast<uint32_t>(dataAt + stride * height), 4);
    put(0, 4);
    put(dataAt, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(topDown ? -height : height), 4);
    put(1, 2);
    put(static_cast<uint32_t>(bpp), 2);
    put(0, 4);   // BI_RGB
    put(static_cast<uint32_t>(stride * height), 4);
    put(static_cast<uint32_t>(pelsPerMeter), 4);
    put(static_cast<uint32_t>(pelsPerMeter), 4);
    put(static_cast<uint32_t>(paletteBgr.size()), 4);
    put(0, 4);
    for (uint32_t c : paletteBgr)
        put(c, 4);
    for (int i = 0; i < height; ++i) {
        const std::vector<uint8_t>& row = rows[topDown ? i : height - 1 - i];
        std::vector<uint8_t> padded = row;
        padded.resize(stride, 0);
        b.insert(b.end(), padded.begin(), padded.end());
    }
    return b;
}

} // namespace imgtest

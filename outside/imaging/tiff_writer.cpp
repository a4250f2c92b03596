// The baseline TIFF writer. File layout, all little-endian:
//   0  header "II", 42, offset of the IFD (8)
//   8  the one IFD: entry count, entries sorted by tag, next-IFD offset 0
//      the values that do not fit in an entry, each at an even offset
//      the strips, the first at an even offset, one after the other
#include "tiff_writer.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace imaging {
namespace {

enum FieldType : uint16_t {
    kByte = 1,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kUndefined = 7,
};

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> value;   // the value bytes, little-endian
    uint32_t valueOffset = 0;     // where they go when they do not fit in 4 bytes
};

void Put16(std::vector<uint8_t>* v, uint16_t x)
{
    v->push_back(static_cast<uint8_t>(x));
    v->push_back(static_cast<uint8_t>(x >> 8));
}

void Put32(std::vector<uint8_t>* v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v->push_back(static_cast<uint8_t>(x >> (8 * i)));
}

Entry Shorts(uint16_t tag, const std::vector<uint16_t>& values)
{
    Entry e;
    e.tag = tag;
    e.type = kShort;
    e.count = static_cast<uint32_t>(values.size());
    for (uint16_t v : values)
        Put16(&e.value, v);
    return e;
}

Entry Longs(uint16_t tag, const std::vector<uint32_t>& values)
{
    Entry e;
    e.tag = tag;
    e.type = kLong;
    e.count = static_cast<uint32_t>(values.size());
    for (uint32_t v : values)
        Put32(&e.value, v);
    return e;
}

Entry Rational(uint16_t tag, uint32_t numerator, uint32_t denominator)
{
    Entry e;
    e.tag = tag;
    e.type = kRational;
    e.count = 1;
    Put32(&e.value, numerator);
    Put32(&e.value, denominator);
    return e;
}

uint32_t Gcd(uint32_t a, uint32_t b)
{
    while (b) {
        uint32_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// A resolution as a fraction: exact for whole numbers and for common
// fractions, otherwise to within 1e-5.
void ToRational(double dpi, uint32_t* numerator, uint32_t* denominator)
{
    static const uint32_t kDenominators[] = {1, 2, 3, 4, 5, 6, 8, 10, 16, 100, 1000, 10000, 100000};
    *numerator = 1;
    *denominator = 1;
    for (uint32_t d : kDenominators) {
        double n = std::floor(dpi * d + 0.5);
        if (n > 4294967295.0)
            break;
        if (n < 1)
            continue;
        *numerator = static_cast<uint32_t>(n);
        *denominator = d;
        if (std::fabs(n / d - dpi) <= 1e-9 * dpi)
            break;
    }
    if (*numerator == 1 && *denominator == 1 && dpi < 0.5) {
        *denominator = 100000;   // below 1e-5 dpi
    }
    uint32_t g = Gcd(*numerator, *denominator);
    *numerator /= g;
    *denominator /= g;
}

bool KnownResolution(double dpi) { return std::isfinite(dpi) && dpi > 0; }

// Tags above 320 that would change how a reader lays out or interprets the
// pixels; refused as private tags.
bool StructuralTag(uint16_t tag)
{
    return (tag >= 322 && tag <= 325) || tag == 330 || tag == 338 || tag == 339 ||
           tag == 340 || tag == 341 || tag == 347 || (tag >= 512 && tag <= 521) ||
           (tag >= 529 && tag <= 532);
}

bool Fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

// The row with the bits past the width of a 1-bit row cleared.
void AppendRow(const Raster& page, int y, std::vector<uint8_t>* out)
{
    size_t n = page.RowBytes();
    const uint8_t* row = page.Row(y);
    out->insert(out->end(), row, row + n);
    if (page.layout == PixelLayout::Bilevel && (page.width & 7))
        out->back() &= static_cast<uint8_t>(0xFF << (8 - (page.width & 7)));
}

bool Validate(const Raster& page, const TiffWriteOptions& options, std::string* error)
{
    if (page.width <= 0 || page.height <= 0)
        return Fail(error, "empty raster: " + std::to_string(page.width) + "x" +
                               std::to_string(page.height));
    switch (page.layout) {
    case PixelLayout::Bilevel:
    case PixelLayout::Gray8:
    case PixelLayout::Palette8:
    case PixelLayout::Rgb24:
        break;
    default:
        return Fail(error, "unknown pixel layout");
    }
    uint64_t expected = static_cast<uint64_t>(page.RowBytes()) * static_cast<uint64_t>(page.height);
    if (page.pixels.size() != expected)
        return Fail(error, "pixel buffer has " + std::to_string(page.pixels.size()) +
                               " bytes, height*RowBytes is " + std::to_string(expected));
    if (page.layout == PixelLayout::Palette8 && (page.palette.empty() || page.palette.size() > 256))
        return Fail(error, "a Palette8 raster needs 1 to 256 palette entries, it has " +
                               std::to_string(page.palette.size()));
    switch (options.compression) {
    case TiffCompression::None:
    case TiffCompression::PackBits:
        break;
    case TiffCompression::Ccitt4:
        if (page.layout != PixelLayout::Bilevel)
            return Fail(error, "CCITT Group 4 needs a 1-bit (Bilevel) raster");
        break;
    default:
        return Fail(error, "unknown compression " +
                               std::to_string(static_cast<unsigned>(options.compression)));
    }
    for (double dpi : {page.xDpi, page.yDpi})
        if (KnownResolution(dpi) && dpi > 1e6)
            return Fail(error, "resolution out of range: " + std::to_string(dpi));
    std::set<uint16_t> seen;
    for (const TiffPrivateTag& t : options.privateTags) {
        std::string name = "private tag " + std::to_string(t.tag);
        if (t.tag <= 320)
            return Fail(error, name + ": number not above the baseline tags (must be > 320)");
        if (StructuralTag(t.tag))
            return Fail(error, name + ": number of a tag that describes the image data");
        if (!seen.insert(t.tag).second)
            return Fail(error, name + ": given twice");
        if (t.type != TiffTagType::Byte && t.type != TiffTagType::Undefined)
            return Fail(error, name + ": type must be BYTE or UNDEFINED");
        if (t.bytes.empty())
            return Fail(error, name + ": no bytes (a zero-length tag is not written)");
        if (t.bytes.size() > 0x7FFFFFFF)
            return Fail(error, name + ": too long");
    }
    return true;
}

} // namespace

void AppendPackBits(const uint8_t* data, size_t size, std::vector<uint8_t>* out)
{
    size_t i = 0;
    while (i < size) {
        // A run of equal bytes (at most 128) starting here?
        size_t run = 1;
        while (i + run < size && run < 128 && data[i + run] == data[i])
            ++run;
        if (run >= 3 || (run == 2 && i + run == size)) {
            out->push_back(static_cast<uint8_t>(257 - run));   // -(run-1)
            out->push_back(data[i]);
            i += run;
            continue;
        }
        // Literal bytes up to the next run of three (at most 128).
        size_t start = i;
        size_t n = 0;
        while (i < size && n < 128) {
            if (i + 2 < size && data[i] == data[i + 1] && data[i] == data[i + 2])
                break;
            ++i;
            ++n;
        }
        out->push_back(static_cast<uint8_t>(n - 1));
        out->insert(out->end(), data + start, data + start + n);
    }
}

std::vector<uint8_t> EncodeTiff(const Raster& page, const TiffWriteOptions& options,
                                std::string* error)
{
    std::vector<uint8_t> file;
    if (!Validate(page, options, error))
        return file;
    try {
        const size_t rowBytes = page.RowBytes();
        const uint32_t width = static_cast<uint32_t>(page.width);
        const uint32_t height = static_cast<uint32_t>(page.height);

        // The strips.
        std::vector<std::vector<uint8_t>> strips;
        uint32_t rowsPerStrip = height;
        if (options.compression == TiffCompression::Ccitt4) {
            strips.push_back(EncodeGroup4(page));
        } else {
            rowsPerStrip = static_cast<uint32_t>(std::max<size_t>(1, 65536 / rowBytes));
            rowsPerStrip = std::min(rowsPerStrip, height);
            std::vector<uint8_t> row;
            for (uint32_t y0 = 0; y0 < height; y0 += rowsPerStrip) {
                uint32_t y1 = std::min(height, y0 + rowsPerStrip);
                std::vector<uint8_t> strip;
                if (options.compression == TiffCompression::None)
                    strip.reserve((y1 - y0) * rowBytes);
                for (uint32_t y = y0; y < y1; ++y) {
                    if (options.compression == TiffCompression::None) {
                        AppendRow(page, static_cast<int>(y), &strip);
                    } else {
                        row.clear();
                        AppendRow(page, static_cast<int>(y), &row);
                        AppendPackBits(row.data(), row.size(), &strip);   // row by row
                    }
                }
                strips.push_back(std::move(strip));
            }
        }

        // The entries.
        uint16_t bits = static_cast<uint16_t>(page.layout == PixelLayout::Bilevel ? 1 : 8);
        uint16_t samples = static_cast<uint16_t>(page.layout == PixelLayout::Rgb24 ? 3 : 1);
        uint16_t photometric = 0;
        switch (page.layout) {
        case PixelLayout::Bilevel: photometric = 0; break;    // WhiteIsZero: set bit = black
        case PixelLayout::Gray8: photometric = 1; break;      // BlackIsZero
        case PixelLayout::Rgb24: photometric = 2; break;
        case PixelLayout::Palette8: photometric = 3; break;
        }
        std::vector<uint32_t> stripCounts;
        for (const auto& s : strips)
            stripCounts.push_back(static_cast<uint32_t>(s.size()));

        std::vector<Entry> entries;
        entries.push_back(Longs(254, {0}));                          // NewSubfileType
        entries.push_back(Longs(256, {width}));                      // ImageWidth
        entries.push_back(Longs(257, {height}));                     // ImageLength
        entries.push_back(Shorts(258, std::vector<uint16_t>(samples, bits)));   // BitsPerSample
        entries.push_back(Shorts(259, {static_cast<uint16_t>(options.compression)}));
        entries.push_back(Shorts(262, {photometric}));
        if (options.compression == TiffCompression::Ccitt4)
            entries.push_back(Shorts(266, {1}));                     // FillOrder
        entries.push_back(Longs(273, std::vector<uint32_t>(strips.size(), 0)));   // StripOffsets
        entries.push_back(Shorts(277, {samples}));                   // SamplesPerPixel
        entries.push_back(Longs(278, {rowsPerStrip}));               // RowsPerStrip
        entries.push_back(Longs(279, stripCounts));                  // StripByteCounts
        uint16_t unit = 2;                                           // inch
        uint32_t xn = 1, xd = 1, yn = 1, yd = 1;
        if (KnownResolution(page.xDpi) && KnownResolution(page.yDpi)) {
            ToRational(page.xDpi, &xn, &xd);
            ToRational(page.yDpi, &yn, &yd);
        } else {
            unit = 1;   // no absolute unit: the resolution is not known
        }
        entries.push_back(Rational(282, xn, xd));                    // XResolution
        entries.push_back(Rational(283, yn, yd));                    // YResolution
        if (options.compression == TiffCompression::Ccitt4)
            entries.push_back(Longs(293, {0}));                      // T6Options
        entries.push_back(Shorts(296, {unit}));                      // ResolutionUnit
        if (page.layout == PixelLayout::Palette8) {
            std::vector<uint16_t> map(3 * 256, 0);                   // unused entries black
            for (size_t i = 0; i < page.palette.size(); ++i) {
                map[i] = static_cast<uint16_t>(page.palette[i].r * 257);
                map[256 + i] = static_cast<uint16_t>(page.palette[i].g * 257);
                map[512 + i] = static_cast<uint16_t>(page.palette[i].b * 257);
            }
            entries.push_back(Shorts(320, map));                     // ColorMap
        }
        for (const TiffPrivateTag& t : options.privateTags) {
            Entry e;
            e.tag = t.tag;
            e.type = t.type == TiffTagType::Byte ? kByte : kUndefined;
            e.count = static_cast<uint32_t>(t.bytes.size());
            e.value = t.bytes;
            entries.push_back(std::move(e));
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

        // Where everything goes.
        uint64_t at = 8 + 2 + 12 * static_cast<uint64_t>(entries.size()) + 4;
        for (Entry& e : entries) {
            if (e.value.size() <= 4)
                continue;
            at += at & 1;
            e.valueOffset = static_cast<uint32_t>(at);
            at += e.value.size();
        }
        std::vector<uint32_t> stripOffsets;
        at += at & 1;
        for (const auto& s : strips) {
            stripOffsets.push_back(static_cast<uint32_t>(at));
            at += s.size();
        }
        if (at > 0xFFFFFFFFull) {
            Fail(error, "the file would be larger than 4 GiB");
            return file;
        }
        for (Entry& e : entries)
            if (e.tag == 273) {
                e.value.clear();
                for (uint32_t o : stripOffsets)
                    Put32(&e.value, o);
            }

        // The bytes.
        file.reserve(static_cast<size_t>(at));
        file.push_back('I');
        file.push_back('I');
        Put16(&file, 42);
        Put32(&file, 8);
        Put16(&file, static_cast<uint16_t>(entries.size()));
        for (const Entry& e : entries) {
            Put16(&file, e.tag);
            Put16(&file, e.type);
            Put32(&file, e.count);
            if (e.value.size() <= 4) {
                std::vector<uint8_t> inline4 = e.value;
                inline4.resize(4, 0);
                file.insert(file.end(), inline4.begin(), inline4.end());
            } else {
                Put32(&file, e.valueOffset);
            }
        }
        Put32(&file, 0);   // no next IFD
        for (const Entry& e : entries) {
            if (e.value.size() <= 4)
                continue;
            file.resize(e.valueOffset, 0);
            file.insert(file.end(), e.value.begin(), e.value.end());
        }
        for (size_t i = 0; i < strips.size(); ++i) {
            file.resize(stripOffsets[i], 0);
            file.insert(file.end(), strips[i].begin(), strips[i].end());
        }
        if (error)
            error->clear();
        return file;
    } catch (const std::bad_alloc&) {
        file.clear();
        Fail(error, "out of memory");
        return file;
    }
}

bool WriteTiffFile(const std::string& path, const Raster& page, const TiffWriteOptions& options,
                   std::string* error)
{
    std::vector<uint8_t> bytes = EncodeTiff(page, options, error);
    if (bytes.empty())
        return false;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return Fail(error, "cannot create " + path + " (error " + std::to_string(GetLastError()) + ")");
    size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        DWORD put = 0;
        if (!WriteFile(f, bytes.data() + done, chunk, &put, nullptr) || put != chunk) {
            ok = false;
            break;
        }
        done += put;
    }
    DWORD code = GetLastError();
    if (!CloseHandle(f))
        ok = false;
    if (!ok) {
        DeleteFileA(path.c_str());
        return Fail(error, "cannot write " + path + " (error " + std::to_string(code) + ")");
    }
    return true;
}

} // namespace imaging

// The image reader: TIFF (first page) and BMP through WIC.
//
// Before WIC sees a file it is checked here, cheaply and within bounds: the
// signature picks the decoder (no guessing among all of WIC's decoders), and
// the image size and, where it can be known, the extent of the pixel data
// are checked against the file, so that a truncated or garbage file or an
// absurd size fails with a reason before anything large is allocated.
#include "image_reader.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wincodecsdk.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace imaging {
namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 28;        // width * height
constexpr uint64_t kMaxBufferBytes = uint64_t(1) << 28;   // one decoded copy
constexpr uint64_t kMaxFileBytes = uint64_t(1) << 29;

// Not in mingw's import libraries; the values of wincodecsdk.h.
const GUID kIidMetadataBlockReader = {0xfeaa2a8d, 0xb3f3, 0x43e4, {0xb2, 0x5c, 0xd1, 0xde, 0x99, 0x0a, 0x1a, 0xe1}};
const GUID kMetadataFormatIfd = {0x537396c6, 0x2d8a, 0x4bb6, {0x9b, 0xf8, 0x2f, 0x0a, 0x8e, 0x2a, 0x3a, 0xdf}};

// The smallest of smart pointers for COM interfaces.
template <class T>
class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() { Reset(); }
    void Reset()
    {
        if (p_) {
            p_->Release();
            p_ = nullptr;
        }
    }
    T** Out()
    {
        Reset();
        return &p_;
    }
    // What a call that filled Out() returned: on failure the slot is not
    // ours, whatever the callee left in it (a reader it released itself, say),
    // so it is forgotten, never released.
    HRESULT Keep(HRESULT hr)
    {
        if (FAILED(hr))
            p_ = nullptr;
        return hr;
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// COM for the time of one call. S_OK and S_FALSE (already initialised in
// the same apartment) are both balanced by CoUninitialize; RPC_E_CHANGED_MODE
// (the thread is in the other apartment) means COM is usable as it is and
// must not be uninitialised by us.
class ComScope {
public:
    ComScope()
    {
        hr_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        balance_ = SUCCEEDED(hr_);
    }
    ~ComScope()
    {
        if (balance_)
            CoUninitialize();
    }
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
    HRESULT Result() const { return hr_; }

private:
    HRESULT hr_;
    bool balance_;
};

std::string Hex(HRESULT hr)
{
    char b[16];
    std::snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(hr));
    return b;
}

bool Fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

bool FailHr(std::string* error, const char* what, HRESULT hr)
{
    return Fail(error, std::string(what) + " failed (" + Hex(hr) + ")");
}

// ---- checks before WIC ----------------------------------------------------

enum class Kind { Unknown, Tiff, Bmp };

Kind Sniff(const std::vector<uint8_t>& b)
{
    if (b.size() >= 4 && ((b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
                          (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42)))
        return Kind::Tiff;
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M')
        return Kind::Bmp;
    return Kind::Unknown;
}

class TiffView {
public:
    explicit TiffView(const std::vector<uint8_t>& b) : b_(b), big_(b.size() > 0 && b[0] == 'M') {}
    bool Has(uint64_t at, uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    uint32_t U16(uint64_t at) const
    {
        return big_ ? (b_[at] << 8 | b_[at + 1]) : (b_[at] | b_[at + 1] << 8);
    }
    uint32_t U32(uint64_t at) const
    {
        return big_ ? (uint32_t(U16(at)) << 16 | U16(at + 2)) : (U16(at) | uint32_t(U16(at + 2)) << 16);
    }
    const std::vector<uint8_t>& b_;
    bool big_;
};

struct IfdEntry {
    uint32_t type = 0, count = 0;
    uint64_t valueAt = 0;   // where the value bytes are (inline or not), checked in bounds
};

uint32_t TypeSize(uint32_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

// The first IFD's offset and entry count, all its entries within the file.
bool FirstIfd(const TiffView& v, uint64_t* ifd, uint32_t* n, std::string* error)
{
    if (!v.Has(0, 8))
        return Fail(error, "truncated TIFF header");
    *ifd = v.U32(4);
    if (!v.Has(*ifd, 2))
        return Fail(error, "TIFF directory offset out of the file");
    *n = v.U16(*ifd);
    if (*n == 0 || !v.Has(*ifd + 2, 12ull * *n))
        return Fail(error, "TIFF directory truncated or empty");
    return true;
}

// Finds one tag of the first IFD; false with a reason when the IFD itself is
// out of bounds, true with *found false when the tag is absent.
bool FindIfdEntry(const TiffView& v, uint16_t tag, IfdEntry* e, bool* found, std::string* error)
{
    *found = false;
    uint64_t ifd = 0;
    uint32_t n = 0;
    if (!FirstIfd(v, &ifd, &n, error))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t at = ifd + 2 + 12ull * i;
        if (v.U16(at) != tag)
            continue;
        e->type = v.U16(at + 2);
        e->count = v.U32(at + 4);
        uint64_t size = uint64_t(TypeSize(e->type)) * e->count;
        e->valueAt = size <= 4 ? at + 8 : v.U32(at + 8);
        if (TypeSize(e->type) != 0 && !v.Has(e->valueAt, size))
            return Fail(error, "TIFF tag " + std::to_string(tag) + " value out of the file");
        *found = true;
        return true;
    }
    return true;
}

// Whether the value of the IFD entry at `at` lies within the file.
bool ValueInside(const TiffView& v, uint64_t at)
{
    uint32_t type = v.U16(at + 2), count = v.U32(at + 4);
    uint64_t size = uint64_t(TypeSize(type)) * count;
    return TypeSize(type) == 0 ? count <= v.b_.size() : size <= 4 || v.Has(v.U32(at + 8), size);
}

// Every entry of the first IFD has its value within the file. WIC's
// metadata reader takes counts as they are: an ASCII tag of count 2^32-1
// makes it allocate nothing and copy into that (the heap is broken and a
// later call through it crashes), so no such directory reaches it.
bool CheckIfdValues(const TiffView& v, std::string* error)
{
    uint64_t ifd = 0;
    uint32_t n = 0;
    if (!FirstIfd(v, &ifd, &n, error))
        return false;
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t at = ifd + 2 + 12ull * i;
        if (!ValueInside(v, at))
            return Fail(error, "TIFF tag " + std::to_string(v.U16(at)) + " value out of the file");
    }
    return true;
}

// The bytes the decoder is given: the file itself, or, when entries of the
// first IFD claim values that do not lie in the file, a copy in which those
// entries count nothing. The decoder allocates what a count claims before
// it finds the file too short (2 GB for a count of 0x7F000018); such a
// value cannot be read anyway, and the rest of the page reads as before.
const std::vector<uint8_t>& ForDecoder(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* copy)
{
    TiffView v(bytes);
    uint64_t ifd = 0;
    uint32_t n = 0;
    if (!FirstIfd(v, &ifd, &n, nullptr))
        return bytes;
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t at = ifd + 2 + 12ull * i;
        if (ValueInside(v, at))
            continue;
        if (copy->empty())
            *copy = bytes;
        std::memset(copy->data() + at + 4, 0, 4);
    }
    return copy->empty() ? bytes : *copy;
}

// Unsigned SHORT or LONG values of a tag (at most `limit` of them).
bool ReadUnsigned(const TiffView& v, uint16_t tag, uint32_t limit, std::vector<uint32_t>* values,
                  bool* found, std::string* error)
{
    values->clear();
    IfdEntry e;
    if (!FindIfdEntry(v, tag, &e, found, error))
        return false;
    if (!*found)
        return true;
    if ((e.type != 3 && e.type != 4) || e.count == 0 || e.count > limit)
        return Fail(error, "TIFF tag " + std::to_string(tag) + " has an unexpected type or count");
    for (uint32_t i = 0; i < e.count; ++i)
        values->push_back(e.type == 3 ? v.U16(e.valueAt + 2ull * i) : v.U32(e.valueAt + 4ull * i));
    return true;
}

bool CheckSize(uint64_t width, uint64_t height, std::string* error)
{
    if (width == 0 || height == 0)
        return Fail(error, "image has no pixels");
    if (width > (1u << 20) || height > (1u << 20) || width * height > kMaxPixels)
        return Fail(error, "image too large: " + std::to_string(width) + "x" + std::to_string(height));
    return true;
}

// One SHORT or LONG value of a tag, or `fallback` when the tag is absent.
bool ReadOne(const TiffView& v, uint16_t tag, uint32_t fallback, uint32_t* value, std::string* error)
{
    std::vector<uint32_t> values;
    bool found = false;
    if (!ReadUnsigned(v, tag, 1, &values, &found, error))
        return false;
    *value = found ? values[0] : fallback;
    return true;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// How the pixel data is cut into pieces: the offsets and byte counts tags,
// and how many pieces an image of this size needs (strips down the page, or
// tiles across and down, once per plane when the planes are separate).
struct PieceLayout {
    uint16_t offsetsTag = 273, countsTag = 279;
    uint64_t needed = 0;
    uint64_t rowsPerPiece = 0;   // strips only
};

bool Pieces(const TiffView& v, uint32_t width, uint32_t height, PieceLayout* layout, std::string* error)
{
    uint32_t samples = 1, planar = 1;
    if (!ReadOne(v, 277, 1, &samples, error) || !ReadOne(v, 284, 1, &planar, error))
        return false;
    if (samples == 0)
        return Fail(error, "TIFF has SamplesPerPixel 0");
    uint64_t planes = planar == 2 ? samples : 1;
    // Tiled when the file gives a tile size or tile offsets; the pieces are
    // then found under the tile tags, else (as some writers do) the strip tags.
    IfdEntry e;
    bool tileSize = false, tileOffsets = false;
    if (!FindIfdEntry(v, 322, &e, &tileSize, error) || !FindIfdEntry(v, 324, &e, &tileOffsets, error))
        return false;
    if (tileSize || tileOffsets) {
        uint32_t tileWidth = 0, tileLength = 0;
        if (!ReadOne(v, 322, 0, &tileWidth, error) || !ReadOne(v, 323, 0, &tileLength, error))
            return false;
        if (tileWidth == 0 || tileLength == 0)
            return Fail(error, "TIFF has tiles without a tile size");
        if (tileOffsets) {
            layout->offsetsTag = 324;
            layout->countsTag = 325;
        }
        layout->needed = CeilDiv(width, tileWidth) * CeilDiv(height, tileLength) * planes;
        return true;
    }
    uint32_t rowsPerStrip = 0xFFFFFFFFu;
    if (!ReadOne(v, 278, 0xFFFFFFFFu, &rowsPerStrip, error))
        return false;
    if (rowsPerStrip == 0)
        return Fail(error, "TIFF has RowsPerStrip 0");
    layout->rowsPerPiece = std::min<uint64_t>(rowsPerStrip, height);
    layout->needed = CeilDiv(height, layout->rowsPerPiece) * planes;
    return true;
}

// The bytes an uncompressed strip of `rows` rows holds, or 0 when the sample
// sizes are not known well enough to say.
bool UncompressedRowBytes(const TiffView& v, uint32_t width, uint64_t* rowBytes, std::string* error)
{
    *rowBytes = 0;
    uint32_t compression = 1, samples = 1, planar = 1;
    if (!ReadOne(v, 259, 1, &compression, error) || !ReadOne(v, 277, 1, &samples, error) ||
        !ReadOne(v, 284, 1, &planar, error))
        return false;
    if (compression != 1)
        return true;
    std::vector<uint32_t> bits;
    bool found = false;
    if (!ReadUnsigned(v, 258, 1u << 16, &bits, &found, error))
        return false;
    uint64_t pixelBits = 0;
    if (!found) {
        pixelBits = 1;
    } else if (planar == 2) {
        pixelBits = bits[0];
    } else {
        for (size_t i = 0; i < samples; ++i)
            pixelBits += bits[std::min(i, bits.size() - 1)];
    }
    *rowBytes = CeilDiv(uint64_t(width) * pixelBits, 8);
    return true;
}

bool CheckTiff(const std::vector<uint8_t>& b, std::string* error)
{
    TiffView v(b);
    std::vector<uint32_t> w, h, offsets, counts;
    bool found = false;
    if (!ReadUnsigned(v, 256, 1, &w, &found, error))
        return false;
    if (!found)
        return Fail(error, "TIFF has no ImageWidth");
    if (!ReadUnsigned(v, 257, 1, &h, &found, error))
        return false;
    if (!found)
        return Fail(error, "TIFF has no ImageLength");
    if (!CheckSize(w[0], h[0], error))
        return false;
    // The pieces (strips, or tiles when the file gives tile offsets) must be
    // as many as the image needs, and each must lie inside the file: a
    // decoder handed fewer fills the rest from wherever the missing offsets
    // would be.
    const uint16_t pairs[2][2] = {{273, 279}, {324, 325}};
    bool anyData = false;
    for (const auto& pair : pairs) {
        bool haveOffsets = false, haveCounts = false;
        if (!ReadUnsigned(v, pair[0], 1u << 22, &offsets, &haveOffsets, error) ||
            !ReadUnsigned(v, pair[1], 1u << 22, &counts, &haveCounts, error))
            return false;
        if (!haveOffsets)
            continue;
        anyData = true;
        if (haveCounts && counts.size() != offsets.size())
            return Fail(error, "TIFF strip offsets and byte counts do not match");
        for (size_t i = 0; i < offsets.size(); ++i) {
            uint64_t n = haveCounts ? counts[i] : 1;
            if (!v.Has(offsets[i], n))
                return Fail(error, "TIFF is truncated: image data past the end of the file");
        }
    }
    if (!anyData)
        return Fail(error, "TIFF has no image data offsets");
    PieceLayout layout;
    if (!Pieces(v, w[0], h[0], &layout, error))
        return false;
    bool haveOffsets = false, haveCounts = false;
    if (!ReadUnsigned(v, layout.offsetsTag, 1u << 22, &offsets, &haveOffsets, error) ||
        !ReadUnsigned(v, layout.countsTag, 1u << 22, &counts, &haveCounts, error))
        return false;
    const char* piece = layout.rowsPerPiece ? "strips" : "tiles";
    if (!haveOffsets)
        return Fail(error, std::string("TIFF has no offsets of its ") + piece);
    if (offsets.size() < layout.needed)
        return Fail(error, std::string("TIFF ") + piece + " do not cover the image: " +
                               std::to_string(offsets.size()) + " given, " +
                               std::to_string(layout.needed) + " needed");
    // Uncompressed strips must also hold all of their rows.
    uint64_t rowBytes = 0;
    if (layout.rowsPerPiece && haveCounts && !UncompressedRowBytes(v, w[0], &rowBytes, error))
        return false;
    if (rowBytes && haveCounts) {
        uint64_t perPlane = CeilDiv(h[0], layout.rowsPerPiece);
        for (size_t i = 0; i < layout.needed; ++i) {
            uint64_t strip = i % perPlane;
            uint64_t rows = std::min<uint64_t>(layout.rowsPerPiece, h[0] - strip * layout.rowsPerPiece);
            if (counts[i] < rows * rowBytes)
                return Fail(error, "TIFF strip " + std::to_string(i) + " holds " + std::to_string(counts[i]) +
                                       " bytes, its rows need " + std::to_string(rows * rowBytes));
        }
    }
    return true;
}

// Whether the TIFF gives an absolute resolution: XResolution and
// YResolution present and a ResolutionUnit other than 1 (none). WIC reports
// the bare numbers for unit 1 and a default without the tags.
bool TiffHasResolution(const std::vector<uint8_t>& b)
{
    TiffView v(b);
    IfdEntry e;
    bool found = false;
    for (uint16_t tag : {282, 283}) {
        if (!FindIfdEntry(v, tag, &e, &found, nullptr) || !found)
            return false;
    }
    std::vector<uint32_t> unit;
    if (!ReadUnsigned(v, 296, 1, &unit, &found, nullptr))
        return false;
    return !found || unit[0] != 1;   // the default unit is inch
}

int32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
}

// Whether a BMP gives its resolution (WIC reports a default without it).
bool BmpHasResolution(const std::vector<uint8_t>& b)
{
    return b.size() >= 14 + 40 && Le32(b, 14) >= 40 && Le32(b, 38) > 0 && Le32(b, 42) > 0;
}

bool CheckBmp(const std::vector<uint8_t>& b, std::string* error)
{
    if (b.size() < 14 + 12)
        return Fail(error, "truncated BMP header");
    uint32_t dataAt = static_cast<uint32_t>(Le32(b, 10));
    uint32_t headerSize = static_cast<uint32_t>(Le32(b, 14));
    if (headerSize < 12 || headerSize > 1024 || b.size() < 14 + uint64_t(headerSize))
        return Fail(error, "truncated or bad BMP header");
    int64_t width, height;
    uint32_t bpp, compression = 0;
    if (headerSize == 12) {
        width = b[18] | b[19] << 8;
        height = b[20] | b[21] << 8;
        bpp = b[24] | b[25] << 8;
    } else {
        if (headerSize < 16)
            return Fail(error, "bad BMP header");
        width = Le32(b, 18);
        height = Le32(b, 22);
        bpp = b[28] | b[29] << 8;
        if (headerSize >= 20)
            compression = static_cast<uint32_t>(Le32(b, 30));
    }
    if (width < 0)
        return Fail(error, "BMP width is negative");
    if (height < 0)
        height = -height;   // top-down
    if (!CheckSize(static_cast<uint64_t>(width), static_cast<uint64_t>(height), error))
        return false;
    if (dataAt >= b.size())
        return Fail(error, "BMP is truncated: no pixel data");
    if ((compression == 0 || compression == 3) && bpp > 0 && bpp <= 32) {
        uint64_t rowBytes = (uint64_t(width) * bpp + 31) / 32 * 4;
        if (rowBytes * uint64_t(height) > b.size() - dataAt)
            return Fail(error, "BMP is truncated: pixel data past the end of the file");
    }
    return true;
}

// ---- WIC ------------------------------------------------------------------

class Decoded {
public:
    bool Open(const std::vector<uint8_t>& bytes, std::string* error)
    {
        if (!com_.Usable())
            return FailHr(error, "CoInitializeEx", com_.Result());
        Kind kind = Sniff(bytes);
        if (kind == Kind::Unknown)
            return Fail(error, "not a TIFF or BMP file");
        if (bytes.size() > kMaxFileBytes)
            return Fail(error, "file too large");
        if (!(kind == Kind::Tiff ? CheckTiff(bytes, error) : CheckBmp(bytes, error)))
            return false;
        HRESULT hr = factory.Keep(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_IWICImagingFactory,
                                                   reinterpret_cast<void**>(factory.Out())));
        if (FAILED(hr))
            return FailHr(error, "creating the WIC imaging factory", hr);
        if (FAILED(hr = stream.Keep(factory->CreateStream(stream.Out()))))
            return FailHr(error, "IWICImagingFactory::CreateStream", hr);
        const std::vector<uint8_t>& given = kind == Kind::Tiff ? ForDecoder(bytes, &patched_) : bytes;
        if (FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(given.data()),
                                                     static_cast<DWORD>(given.size()))))
            return FailHr(error, "IWICStream::InitializeFromMemory", hr);
        const GUID& container = kind == Kind::Tiff ? GUID_ContainerFormatTiff : GUID_ContainerFormatBmp;
        if (FAILED(hr = decoder.Keep(factory->CreateDecoder(container, nullptr, decoder.Out()))))
            return FailHr(error, "IWICImagingFactory::CreateDecoder", hr);
        if (FAILED(hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)))
            return FailHr(error, kind == Kind::Tiff ? "reading the TIFF" : "reading the BMP", hr);
        UINT frames = 0;
        if (FAILED(hr = decoder->GetFrameCount(&frames)))
            return FailHr(error, "IWICBitmapDecoder::GetFrameCount", hr);
        if (frames == 0)
            return Fail(error, "the file has no image");
        if (FAILED(hr = frame.Keep(decoder->GetFrame(0, frame.Out()))))
            return FailHr(error, "IWICBitmapDecoder::GetFrame", hr);
        isTiff = kind == Kind::Tiff;
        return true;
    }

    // Declared in this order so that they are released before COM goes,
    // and before the bytes the stream reads.
    std::vector<uint8_t> patched_;
    ComScope com_;
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    bool isTiff = false;
};

bool Copy(IWICBitmapSource* source, UINT width, UINT height, size_t stride,
          std::vector<uint8_t>* out, std::string* error)
{
    uint64_t size = uint64_t(stride) * height;
    if (size > kMaxBufferBytes)
        return Fail(error, "image too large to decode");
    out->assign(static_cast<size_t>(size), 0);
    WICRect all = {0, 0, static_cast<INT>(width), static_cast<INT>(height)};
    HRESULT hr = source->CopyPixels(&all, static_cast<UINT>(stride), static_cast<UINT>(size),
                                    out->data());
    if (FAILED(hr))
        return FailHr(error, "decoding the pixels", hr);
    return true;
}

bool Convert(Decoded& d, IWICBitmapSource* source, const GUID& to, Com<IWICFormatConverter>* conv)
{
    if (FAILED(conv->Keep(d.factory->CreateFormatConverter(conv->Out()))))
        return false;
    return SUCCEEDED((*conv)->Initialize(source, to, WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom));
}

bool Palette(Decoded& d, std::vector<Rgb>* colours, std::string* error)
{
    Com<IWICPalette> palette;
    HRESULT hr = palette.Keep(d.factory->CreatePalette(palette.Out()));
    if (FAILED(hr))
        return FailHr(error, "IWICImagingFactory::CreatePalette", hr);
    hr = d.frame->CopyPalette(palette.Get());
    if (FAILED(hr))
        hr = d.decoder->CopyPalette(palette.Get());
    if (FAILED(hr))
        return FailHr(error, "reading the palette", hr);
    UINT count = 0;
    palette->GetColorCount(&count);
    if (count == 0 || count > 256)
        return Fail(error, "bad palette size " + std::to_string(count));
    std::vector<WICColor> argb(count);
    UINT got = 0;
    if (FAILED(hr = palette->GetColors(count, argb.data(), &got)))
        return FailHr(error, "IWICPalette::GetColors", hr);
    colours->clear();
    for (UINT i = 0; i < got; ++i)
        colours->push_back(Rgb{static_cast<uint8_t>(argb[i] >> 16), static_cast<uint8_t>(argb[i] >> 8),
                               static_cast<uint8_t>(argb[i])});
    return !colours->empty() || Fail(error, "empty palette");
}

void ClearPadding(Raster* page)
{
    if (page->layout != PixelLayout::Bilevel || (page->width & 7) == 0)
        return;
    uint8_t mask = static_cast<uint8_t>(0xFF << (8 - (page->width & 7)));
    for (int y = 0; y < page->height; ++y)
        page->Row(y)[page->RowBytes() - 1] &= mask;
}

bool IsGreyRamp(const std::vector<Rgb>& p)
{
    if (p.size() != 256)
        return false;
    for (size_t i = 0; i < 256; ++i)
        if (p[i].r != i || p[i].g != i || p[i].b != i)
            return false;
    return true;
}

bool LoadIndexed(Decoded& d, int bits, Raster* page, std::string* error)
{
    std::vector<Rgb> colours;
    if (!Palette(d, &colours, error))
        return false;
    size_t stride = (size_t(page->width) * bits + 7) / 8;
    std::vector<uint8_t> packed;
    if (!Copy(d.frame.Get(), page->width, page->height, stride, &packed, error))
        return false;
    const Rgb black{0, 0, 0}, white{255, 255, 255};
    auto same = [](const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    if (bits == 1 && colours.size() == 2 &&
        ((same(colours[0], black) && same(colours[1], white)) ||
         (same(colours[0], white) && same(colours[1], black)))) {
        // Black and white: a Bilevel page, set bit = black.
        page->layout = PixelLayout::Bilevel;
        page->pixels = std::move(packed);
        if (same(colours[0], black))
            for (uint8_t& b : page->pixels)
                b = static_cast<uint8_t>(~b);
        ClearPadding(page);
        return true;
    }
    page->layout = IsGreyRamp(colours) ? PixelLayout::Gray8 : PixelLayout::Palette8;
    page->pixels.assign(size_t(page->width) * page->height, 0);
    int perByte = 8 / bits;
    uint8_t mask = static_cast<uint8_t>((1 << bits) - 1);
    for (int y = 0; y < page->height; ++y) {
        const uint8_t* src = packed.data() + stride * y;
        uint8_t* dst = page->Row(y);
        for (int x = 0; x < page->width; ++x) {
            int shift = 8 - bits * (x % perByte + 1);
            uint8_t index = bits == 8 ? src[x] : static_cast<uint8_t>((src[x / perByte] >> shift) & mask);
            if (index >= colours.size())
                index = 0;
            dst[x] = index;
        }
    }
    if (page->layout == PixelLayout::Palette8)
        page->palette = std::move(colours);
    return true;
}

// Grey of 2, 4 or 16 bits, spread over 0..255 here (wine's converter does
// not take 4-bit grey).
bool LoadGrey(Decoded& d, int bits, Raster* page, std::string* error)
{
    size_t stride = (size_t(page->width) * bits + 7) / 8;
    std::vector<uint8_t> packed;
    if (!Copy(d.frame.Get(), page->width, page->height, stride, &packed, error))
        return false;
    page->layout = PixelLayout::Gray8;
    page->pixels.assign(size_t(page->width) * page->height, 0);
    const int max = (1 << bits) - 1;
    for (int y = 0; y < page->height; ++y) {
        const uint8_t* src = packed.data() + stride * y;
        uint8_t* dst = page->Row(y);
        for (int x = 0; x < page->width; ++x) {
            uint32_t v;
            if (bits == 16) {
                v = src[2 * x] | src[2 * x + 1] << 8;   // WIC's 16bppGray is little-endian
            } else {
                int perByte = 8 / bits;
                v = (src[x / perByte] >> (8 - bits * (x % perByte + 1))) & max;
            }
            dst[x] = static_cast<uint8_t>((v * 255 + max / 2) / max);
        }
    }
    return true;
}

bool LoadRgb(Decoded& d, const GUID& format, Raster* page, std::string* error)
{
    page->layout = PixelLayout::Rgb24;
    size_t stride = size_t(page->width) * 3;
    Com<IWICFormatConverter> conv;
    IWICBitmapSource* source = d.frame.Get();
    bool swap = true;
    if (format == GUID_WICPixelFormat24bppRGB) {
        swap = false;
    } else if (format != GUID_WICPixelFormat24bppBGR) {
        // Through 24bppBGR, or else through 32bppBGRA with the alpha dropped
        // (not every source converts to both).
        std::string why;
        if (Convert(d, d.frame.Get(), GUID_WICPixelFormat24bppBGR, &conv) &&
            Copy(conv.Get(), page->width, page->height, stride, &page->pixels, &why)) {
            source = nullptr;
        } else {
            std::vector<uint8_t> bgra;
            if (!Convert(d, d.frame.Get(), GUID_WICPixelFormat32bppBGRA, &conv))
                return Fail(error, "cannot convert the pixel format to RGB");
            if (!Copy(conv.Get(), page->width, page->height, size_t(page->width) * 4, &bgra, error))
                return false;
            page->pixels.resize(stride * page->height);
            for (size_t i = 0, n = size_t(page->width) * page->height; i < n; ++i)
                std::memcpy(&page->pixels[3 * i], &bgra[4 * i], 3);
            source = nullptr;
        }
    }
    if (source && !Copy(source, page->width, page->height, stride, &page->pixels, error))
        return false;
    if (swap)
        for (size_t i = 0; i + 2 < page->pixels.size(); i += 3)
            std::swap(page->pixels[i], page->pixels[i + 2]);
    return true;
}

bool LoadPixels(Decoded& d, Raster* page, std::string* error)
{
    UINT width = 0, height = 0;
    HRESULT hr = d.frame->GetSize(&width, &height);
    if (FAILED(hr))
        return FailHr(error, "IWICBitmapFrameDecode::GetSize", hr);
    if (!CheckSize(width, height, error))
        return false;
    page->width = static_cast<int>(width);
    page->height = static_cast<int>(height);
    page->palette.clear();

    WICPixelFormatGUID format;
    if (FAILED(hr = d.frame->GetPixelFormat(&format)))
        return FailHr(error, "IWICBitmapFrameDecode::GetPixelFormat", hr);

    if (format == GUID_WICPixelFormatBlackWhite) {
        // WIC's BlackWhite is 0 = black, 1 = white, whatever the file said.
        page->layout = PixelLayout::Bilevel;
        if (!Copy(d.frame.Get(), width, height, page->RowBytes(), &page->pixels, error))
            return false;
        for (uint8_t& b : page->pixels)
            b = static_cast<uint8_t>(~b);
        ClearPadding(page);
        return true;
    }
    if (format == GUID_WICPixelFormat8bppGray) {
        page->layout = PixelLayout::Gray8;
        return Copy(d.frame.Get(), width, height, page->RowBytes(), &page->pixels, error);
    }
    if (format == GUID_WICPixelFormat1bppIndexed) return LoadIndexed(d, 1, page, error);
    if (format == GUID_WICPixelFormat2bppIndexed) return LoadIndexed(d, 2, page, error);
    if (format == GUID_WICPixelFormat4bppIndexed) return LoadIndexed(d, 4, page, error);
    if (format == GUID_WICPixelFormat8bppIndexed) return LoadIndexed(d, 8, page, error);
    if (format == GUID_WICPixelFormat2bppGray) return LoadGrey(d, 2, page, error);
    if (format == GUID_WICPixelFormat4bppGray) return LoadGrey(d, 4, page, error);
    if (format == GUID_WICPixelFormat16bppGray) return LoadGrey(d, 16, page, error);
    return LoadRgb(d, format, page, error);
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return Fail(error, "cannot open " + path + " (error " + std::to_string(GetLastError()) + ")");
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(f, &size) != 0;
    if (ok && static_cast<uint64_t>(size.QuadPart) > kMaxFileBytes) {
        CloseHandle(f);
        return Fail(error, path + " is too large");
    }
    try {
        if (ok)
            bytes->resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        CloseHandle(f);
        return Fail(error, "out of memory reading " + path);
    }
    size_t done = 0;
    while (ok && done < bytes->size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(f, bytes->data() + done, chunk, &got, nullptr) || got == 0)
            ok = false;
        done += got;
    }
    CloseHandle(f);
    if (!ok)
        return Fail(error, "cannot read " + path);
    return true;
}

} // namespace

bool LoadImageBytes(const std::vector<uint8_t>& bytes, Raster* page, std::string* error)
{
    if (!page)
        return Fail(error, "no raster given");
    try {
        Raster result;
        {
            Decoded d;
            if (!d.Open(bytes, error))
                return false;
            if (!LoadPixels(d, &result, error))
                return false;
            double dx = 0, dy = 0;
            if (SUCCEEDED(d.frame->GetResolution(&dx, &dy)) && dx > 0 && dy > 0 &&
                (d.isTiff ? TiffHasResolution(bytes) : BmpHasResolution(bytes))) {
                result.xDpi = dx;
                result.yDpi = dy;
            } else {
                result.xDpi = result.yDpi = 0;
            }
        }
        // WIC's fax decoder leaves what follows a bad code word undefined: a
        // damaged CCITT page decodes differently each time. Such a page is
        // decoded twice, and refused when the two differ.
        if (Sniff(bytes) == Kind::Tiff) {
            uint32_t compression = 1;
            std::string ignored;
            if (ReadOne(TiffView(bytes), 259, 1, &compression, &ignored) && compression >= 2 &&
                compression <= 4) {
                Raster again;
                Decoded d;
                if (!d.Open(bytes, error) || !LoadPixels(d, &again, error))
                    return false;
                if (again.pixels != result.pixels || again.layout != result.layout)
                    return Fail(error, "the CCITT data is damaged: it does not decode the same twice");
            }
        }
        *page = std::move(result);
        if (error)
            error->clear();
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(error, "out of memory");
    }
}

bool LoadImageFile(const std::string& path, Raster* page, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, &bytes, error))
        return false;
    std::string why;
    if (LoadImageBytes(bytes, page, &why))
        return error ? (error->clear(), true) : true;
    return Fail(error, path + ": " + why);
}

namespace {

bool ReadTag(const std::vector<uint8_t>& file, uint16_t tag, std::vector<uint8_t>* bytes,
             std::string* error)
{
    if (Sniff(file) != Kind::Tiff)
        return Fail(error, "not a TIFF file");
    Decoded d;
    if (!d.Open(file, error))
        return false;
    // WIC cannot say "zero bytes": wine reports a BYTE tag of count 0 as one
    // byte and an UNDEFINED one as VT_EMPTY; the count comes from the file.
    IfdEntry entry;
    bool found = false;
    if (!FindIfdEntry(TiffView(file), tag, &entry, &found, error) ||
        !CheckIfdValues(TiffView(file), error))
        return false;
    if (!found)
        return Fail(error, "no tag " + std::to_string(tag));
    if (entry.count == 0 && (entry.type == 1 || entry.type == 6 || entry.type == 7)) {
        if (bytes)
            bytes->clear();
        return true;
    }
    // The IFD's metadata reader, asked for the tag by number: what the query
    // "/ifd/{ushort=N}" resolves to. Wine's query reader is not used because
    // it dereferences a null reader on some damaged files; here every reader
    // is checked.
    Com<IWICMetadataBlockReader> blocks;
    HRESULT hr = blocks.Keep(d.frame->QueryInterface(kIidMetadataBlockReader,
                                                     reinterpret_cast<void**>(blocks.Out())));
    if (FAILED(hr) || !blocks)
        return FailHr(error, "IWICBitmapFrameDecode has no metadata", hr);
    UINT count = 0;
    if (FAILED(hr = blocks->GetCount(&count)))
        return FailHr(error, "IWICMetadataBlockReader::GetCount", hr);
    PROPVARIANT pv;
    PropVariantInit(&pv);
    hr = WINCODEC_ERR_PROPERTYNOTFOUND;
    for (UINT i = 0; i < count && FAILED(hr); ++i) {
        Com<IWICMetadataReader> reader;
        GUID format;
        if (FAILED(reader.Keep(blocks->GetReaderByIndex(i, reader.Out()))) || !reader ||
            FAILED(reader->GetMetadataFormat(&format)) || format != kMetadataFormatIfd)
            continue;
        PROPVARIANT id;
        PropVariantInit(&id);
        id.vt = VT_UI2;
        id.uiVal = tag;
        hr = reader->GetValue(nullptr, &id, &pv);
    }
    if (FAILED(hr))
        return Fail(error, "WIC does not give tag " + std::to_string(tag) + " (" + Hex(hr) + ")");
    bool ok = true;
    std::vector<uint8_t> out;
    switch (pv.vt) {
    case VT_BLOB:                    // UNDEFINED
        out.assign(pv.blob.pBlobData, pv.blob.pBlobData + pv.blob.cbSize);
        break;
    case VT_VECTOR | VT_UI1:         // BYTE
        out.assign(pv.caub.pElems, pv.caub.pElems + pv.caub.cElems);
        break;
    case VT_VECTOR | VT_I1:          // SBYTE
        out.assign(reinterpret_cast<uint8_t*>(pv.cac.pElems),
                   reinterpret_cast<uint8_t*>(pv.cac.pElems) + pv.cac.cElems);
        break;
    case VT_UI1:                     // a single BYTE
        out.push_back(pv.bVal);
        break;
    case VT_I1:
        out.push_back(static_cast<uint8_t>(pv.cVal));
        break;
    default:
        ok = Fail(error, "tag " + std::to_string(tag) + " is not of a byte type (vt " +
                             std::to_string(pv.vt) + ")");
        break;
    }
    PropVariantClear(&pv);
    if (ok && out.size() != entry.count)
        ok = Fail(error, "tag " + std::to_string(tag) + ": WIC gave " + std::to_string(out.size()) +
                             " bytes, the file says " + std::to_string(entry.count));
    if (ok && bytes)
        *bytes = std::move(out);
    return ok;
}

} // namespace

bool ReadTiffTagBytes(const std::vector<uint8_t>& file, uint16_t tag, std::vector<uint8_t>* bytes,
                      std::string* error)
{
    try {
        return ReadTag(file, tag, bytes, error);
    } catch (const std::bad_alloc&) {
        return Fail(error, "out of memory");
    }
}

bool ReadTiffTag(const std::string& path, uint16_t tag, std::vector<uint8_t>* bytes)
{
    std::vector<uint8_t> file;
    try {
        return ReadFileBytes(path, &file, nullptr) && ReadTiffTagBytes(file, tag, bytes, nullptr);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace imaging

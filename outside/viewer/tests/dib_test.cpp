// Handing the picture over as a packed DIB (CopyDIB) and showing one given
// (hDIB): who owns which handle, the pixels on the way, and DIBs that
// cannot be shown.
#include "viewer_fixture.h"

#include "packed_dib.h"

#include "image_reader.h"
#include "test_support.h"

#include <cstring>

namespace viewertest {
namespace {

class ViewerDib : public ViewerTest {
protected:
    LONG CopyDib(Viewer& view) {
        CallResult r = view.Call(L"CopyDIB");
        EXPECT_EQ(S_OK, r.hr);
        return r.value.vt == VT_I4 ? r.value.lVal : 0;
    }

    // What view shows, saved uncompressed and read back.
    Raster Shown(Viewer& view) {
        const std::string path = *folder_ / ("shown" + std::to_string(saves_++) + ".tif");
        view.PutText(L"SaveFileName", std::wstring(path.begin(), path.end()));
        view.PutLong(L"SaveTIFFCompression", 1);
        Raster page;
        EXPECT_EQ(S_OK, view.Call(L"SaveFile").hr)
            << testing::PrintToString(view.GetText(L"LastError"));
        EXPECT_TRUE(imaging::LoadImageFile(path, &page));
        return page;
    }

private:
    int saves_ = 0;
};

HGLOBAL Handle(LONG value) { return reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(value)); }
LONG AsLong(HGLOBAL handle) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(handle)); }

std::vector<uint8_t> Bytes(HGLOBAL handle) {
    const SIZE_T size = GlobalSize(handle);
    std::vector<uint8_t> bytes(size);
    if (const void* p = GlobalLock(handle)) {
        std::memcpy(bytes.data(), p, size);
        GlobalUnlock(handle);
    }
    return bytes;
}

HGLOBAL Global(const std::vector<uint8_t>& bytes) {
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(handle), bytes.data(), bytes.size());
    GlobalUnlock(handle);
    return handle;
}

// The colour GDI itself gives pixel (x, y) of a packed DIB.
uint32_t DibPixel(const std::vector<uint8_t>& dib, int x, int y) {
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    const size_t offset = info->bmiHeader.biSize + info->bmiHeader.biClrUsed * sizeof(RGBQUAD);
    Snapshot shot(info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight));
    SetDIBitsToDevice(shot.dc(), 0, 0, info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight),
                      0, 0, 0, std::abs(info->bmiHeader.biHeight), dib.data() + offset, info,
                      DIB_RGB_COLORS);
    return shot.At(x, y);
}

uint32_t PagePixel(const Raster& page, int x, int y) {
    const uint8_t* row = page.Row(y);
    switch (page.layout) {
    case PixelLayout::Bilevel: return page.Black(x, y) ? 0 : 0xFFFFFF;
    case PixelLayout::Gray8: return row[x] * 0x010101u;
    case PixelLayout::Palette8: {
        const imaging::Rgb c = page.palette[row[x]];
        return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
    }
    case PixelLayout::Rgb24:
        return (uint32_t(row[3 * x]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x + 2];
    }
    return 0xFFFFFFFF;
}

TEST_F(ViewerDib, CopyDibGivesTheCallerAPackedDibOfEveryLayout) {
    const struct {
        PixelLayout layout;
        WORD bits;
    } layouts[] = {{PixelLayout::Bilevel, 1},
                   {PixelLayout::Gray8, 8},
                   {PixelLayout::Palette8, 8},
                   {PixelLayout::Rgb24, 24}};
    Viewer& view = NewViewer();
    for (const auto& l : layouts) {
        SCOPED_TRACE(static_cast<int>(l.layout));
        const Raster page = PatternPage(21, 13, l.layout);
        ASSERT_EQ(S_OK, view.Load(WriteTiff("p.tif", page)));
        HGLOBAL dib = Handle(CopyDib(view));
        ASSERT_NE(nullptr, dib);
        const std::vector<uint8_t> bytes = Bytes(dib);
        ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data());
        EXPECT_EQ(21, header->biWidth);
        EXPECT_EQ(13, header->biHeight); // bottom-up
        EXPECT_EQ(l.bits, header->biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
        for (int y = 0; y < 13; y += 3)
            for (int x = 0; x < 21; x += 4)
                EXPECT_EQ(PagePixel(page, x, y), DibPixel(bytes, x, y)) << x << "," << y;
        // The caller owns it: freeing succeeds and the view is not affected.
        EXPECT_EQ(nullptr, GlobalFree(dib));
        EXPECT_EQ(21, view.GetLong(L"IWidth"));
    }
}

TEST_F(ViewerDib, HdibShowsACopyAndTheCallerKeepsItsHandle) {
    Viewer& source = NewViewer({0, 0, 200, 150});
    Viewer& target = NewViewer({200, 0, 400, 150});
    const Raster page = PatternPage(45, 27, PixelLayout::Rgb24);
    ASSERT_EQ(S_OK, source.Load(WriteTiff("s.tif", page)));
    ASSERT_EQ(S_OK, target.Load(WriteTiff("t.tif", PatternPage(5, 5, PixelLayout::Gray8))));

    const LONG handle = CopyDib(source);
    const std::vector<uint8_t> before = Bytes(Handle(handle));
    ASSERT_EQ(S_OK, target.PutLong(L"hDIB", handle));
    EXPECT_EQ(before, Bytes(Handle(handle)));
    EXPECT_EQ(nullptr, GlobalFree(Handle(handle))); // still ours to free

    EXPECT_EQ(45, target.GetLong(L"IWidth"));
    EXPECT_EQ(27, target.GetLong(L"IHeight"));
    EXPECT_EQ(24, target.GetLong(L"IBPP"));
    EXPECT_EQ(L"", target.GetText(L"FileName"));
    EXPECT_EQ(L"", target.WindowText());
    // Freed on our side, still shown on its side.
    EXPECT_EQ("", imgtest::Difference(page, Shown(target)));
    HGLOBAL again = Handle(CopyDib(target));
    EXPECT_EQ(before, Bytes(again));
    GlobalFree(again);
}

TEST_F(ViewerDib, ShowsDibsFromOtherSources) {
    const Raster quadrants = QuadrantPage(6, 4, PixelLayout::Rgb24);
    std::vector<uint8_t> topDown = {};
    {
        // 32 bits, top-down rows, no colour table.
        BITMAPINFOHEADER h = {sizeof h, 6, -4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        topDown.assign(reinterpret_cast<uint8_t*>(&h), reinterpret_cast<uint8_t*>(&h) + sizeof h);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) {
                const uint8_t* p = quadrants.Row(y) + 3 * x;
                topDown.insert(topDown.end(), {p[2], p[1], p[0], 0x77});
            }
    }
    std::vector<uint8_t> inverted;
    Raster bilevel = Raster::Blank(10, 2, PixelLayout::Bilevel);
    {
        // 1 bit with black first: a clear bit is black.
        BITMAPINFOHEADER h = {sizeof h, 10, 2, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
        inverted.assign(reinterpret_cast<uint8_t*>(&h), reinterpret_cast<uint8_t*>(&h) + sizeof h);
        inverted.insert(inverted.end(), {0, 0, 0, 0, 255, 255, 255, 0});
        // Bottom row first: bottom row all white, top row black at x = 0 and 9.
        inverted.insert(inverted.end(), {0xFF, 0xC0, 0, 0, 0x7F, 0x80, 0, 0});
        bilevel.SetBlack(0, 0, true);
        bilevel.SetBlack(9, 0, true);
    }
    std::vector<uint8_t> fourBit;
    Raster palette = Raster::Blank(3, 1, PixelLayout::Palette8);
    {
        BITMAPINFOHEADER h = {sizeof h, 3, 1, 1, 4, BI_RGB, 0, 0, 0, 3, 0};
        fourBit.assign(reinterpret_cast<uint8_t*>(&h), reinterpret_cast<uint8_t*>(&h) + sizeof h);
        fourBit.insert(fourBit.end(), {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0});
        fourBit.insert(fourBit.end(), {0x21, 0x00, 0, 0});
        palette.palette = {{30, 20, 10}, {60, 50, 40}, {90, 80, 70}};
        palette.Row(0)[0] = 2;
        palette.Row(0)[1] = 1;
        palette.Row(0)[2] = 0;
    }
    const struct {
        const char* name;
        const std::vector<uint8_t>& dib;
        const Raster& expected;
        LONG bits;
    } cases[] = {
        {"32 bits top-down", topDown, quadrants, 24},
        {"1 bit black first", inverted, bilevel, 1},
        {"4 bits", fourBit, palette, 8},
    };
    Viewer& view = NewViewer();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HGLOBAL handle = Global(c.dib);
        ASSERT_EQ(S_OK, view.PutLong(L"hDIB", AsLong(handle)))
            << testing::PrintToString(view.GetText(L"LastError"));
        GlobalFree(handle);
        EXPECT_EQ(c.bits, view.GetLong(L"IBPP"));
        const Raster shown = Shown(view);
        ASSERT_EQ(c.expected.width, shown.width);
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x)
                EXPECT_EQ(PagePixel(c.expected, x, y), PagePixel(shown, x, y)) << x << "," << y;
    }
}

TEST_F(ViewerDib, ADibThatCannotBeShownIsRefusedAndEmptiesTheView) {
    // A header (biSize 40 unless given) followed by extra zero bytes.
    const auto dib = [](LONG width, LONG height, WORD planes, WORD bits, DWORD compression,
                        DWORD colours, size_t extra, DWORD headerSize = 40) {
        BITMAPINFOHEADER h = {headerSize, width, height, planes, bits, compression, 0, 0, 0,
                              colours, 0};
        std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(&h),
                                   reinterpret_cast<uint8_t*>(&h) + sizeof h);
        bytes.resize(bytes.size() + extra, 0);
        return bytes;
    };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"shorter than a header", std::vector<uint8_t>(20, 0)},
        {"core header", dib(4, 4, 1, 24, BI_RGB, 0, 64, 12)},
        {"header longer than the block", dib(4, 4, 1, 24, BI_RGB, 0, 64, 5000)},
        {"16 bits", dib(4, 4, 1, 16, BI_RGB, 0, 64)},
        {"run-length coded", dib(4, 4, 1, 8, BI_RLE8, 0, 2000)},
        {"two planes", dib(4, 4, 2, 24, BI_RGB, 0, 64)},
        {"no width", dib(0, 4, 1, 24, BI_RGB, 0, 64)},
        {"no height", dib(4, 0, 1, 24, BI_RGB, 0, 64)},
        {"too wide", dib(1 << 21, 1, 1, 1, BI_RGB, 0, 1 << 18)},
        {"too many colours", dib(4, 4, 1, 8, BI_RGB, 300, 2000)},
        {"rows past the end", dib(100, 100, 1, 24, BI_RGB, 0, 29999)},
        {"colour table past the end", dib(1, 1, 1, 8, BI_RGB, 0, 100)},
    };
    Viewer& view = NewViewer();
    const std::string good = WriteTiff("good.tif", PatternPage(8, 8, PixelLayout::Gray8));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(S_OK, view.Load(good));
        HGLOBAL handle = Global(c.bytes);
        CallResult put = view.Put(L"hDIB", Long(AsLong(handle)));
        EXPECT_EQ(DISP_E_EXCEPTION, put.hr);
        EXPECT_NE(L"", put.description);
        EXPECT_EQ(put.description, view.GetText(L"LastError"));
        EXPECT_EQ(0, view.GetLong(L"IWidth"));
        EXPECT_EQ(0, view.GetLong(L"IBPP"));
        EXPECT_EQ(c.bytes, Bytes(handle)); // untouched, still the caller's
        EXPECT_EQ(nullptr, GlobalFree(handle));
    }
    // 0 clears without complaint.
    ASSERT_EQ(S_OK, view.Load(good));
    EXPECT_EQ(S_OK, view.PutLong(L"hDIB", 0));
    EXPECT_EQ(0, view.GetLong(L"IWidth"));
    EXPECT_EQ(0, CopyDib(view));
}

// Pictures turned for the annotations: a 3 x 2 8-bit picture whose pixels are
// their own numbers, row by row from the top, and what each code makes.
TEST(ViewerTurn, EachCodeTurnsThePicture) {
    struct Case {
        int code;
        int width, height;
        std::vector<uint8_t> pixels; // top row first
    } const cases[] = {
        {viewer::kTurnRight, 2, 3, {3, 0, 4, 1, 5, 2}},
        {viewer::kTurnHalf, 3, 2, {5, 4, 3, 2, 1, 0}},
        {viewer::kTurnLeft, 2, 3, {2, 5, 1, 4, 0, 3}},
        {viewer::kFlip, 3, 2, {3, 4, 5, 0, 1, 2}},
        {viewer::kMirror, 3, 2, {2, 1, 0, 5, 4, 3}},
    };
    // BITMAPINFOHEADER, 256 grey entries, rows bottom-up padded to 4 bytes.
    std::vector<uint8_t> dib(40 + 1024 + 8, 0);
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 3;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 8;
    std::memcpy(dib.data(), &header, 40);
    const uint8_t rows[8] = {3, 4, 5, 0, 0, 1, 2, 0};
    std::memcpy(dib.data() + 1064, rows, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code));
        std::vector<uint8_t> turned;
        std::string reason;
        ASSERT_TRUE(viewer::TurnPackedDib(dib.data(), dib.size(), c.code, &turned, &reason))
            << reason;
        BITMAPINFOHEADER out;
        std::memcpy(&out, turned.data(), 40);
        ASSERT_EQ(c.width, out.biWidth);
        ASSERT_EQ(c.height, out.biHeight);
        const size_t stride = (c.width + 3) / 4 * 4;
        std::vector<uint8_t> pixels;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                pixels.push_back(turned[1064 + stride * (c.height - 1 - y) + x]);
        EXPECT_EQ(c.pixels, pixels);
    }
    std::vector<uint8_t> turned;
    std::string reason;
    EXPECT_FALSE(viewer::TurnPackedDib(dib.data(), dib.size(), 6, &turned, &reason));
    EXPECT_FALSE(viewer::TurnPackedDib(dib.data(), dib.size() - 1, 1, &turned, &reason));
}

} // namespace
} // namespace viewertest

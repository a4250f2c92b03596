#include "view/image_brander.h"

#include <cstring>
#include "settings/tool_defaults_packed_dib.h"

namespace {

constexpr uint64_t kLargestBlock = 0x7FFFFFFF;
// The entries of a palette file start after its RIFF, PAL and data headers.
constexpr DWORD kPaletteFileEntries = 24;

RGBQUAD FromEntry(const PALETTEENTRY& entry)
{
    RGBQUAD quad = {};
    quad.rgbRed = entry.peRed;
    quad.rgbGreen = entry.peGreen;
    quad.rgbBlue = entry.peBlue;
    return quad;
}

// Where a packed DIB's pixels start, for a block already checked whole.
size_t PixelOffset(const BITMAPINFOHEADER& header)
{
    size_t offset = header.biSize;
    if (header.biSize == sizeof(BITMAPINFOHEADER)) {
        if (header.biCompression == BI_BITFIELDS)
            offset += 12;
        else if (header.biCompression == 6)  // alpha bit fields
            offset += 16;
    }
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8)
        colours = 1u << header.biBitCount;
    return offset + size_t(colours) * 4;
}

// The source's own colour table, when it has one for this depth.
bool SourceTable(const BYTE* block, int depth, int entries, RGBQUAD* table)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof(header));
    if (header.biBitCount != depth)
        return false;
    DWORD colours = header.biClrUsed;
    if (colours == 0)
        colours = 1u << header.biBitCount;
    if (colours > DWORD(entries))
        colours = entries;
    const BYTE* start = block + header.biSize;
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS)
        start += 12;
    std::memcpy(table, start, colours * sizeof(RGBQUAD));
    return true;
}

} // namespace

uint64_t ImageBrander::RowBytes(int depth, int width)
{
    if (width < 1)
        return 0;
    const uint64_t w = static_cast<uint64_t>(width);
    uint64_t bytes = 0;
    switch (depth) {
    case 1: bytes = (w + 7) / 8; break;
    case 4: bytes = (w + 1) / 2; break;
    case 8: bytes = w; break;
    case 16: bytes = 2 * w; break;
    case 24: bytes = 3 * w; break;
    case 32: bytes = 4 * w; break;
    default: return 0;
    }
    return (bytes + 3) / 4 * 4;
}

uint64_t ImageBrander::BlockBytes(int depth, int width, int height)
{
    const uint64_t row = RowBytes(depth, width);
    const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    if (row == 0 || rows == 0)
        return 0;
    const uint64_t total = sizeof(BITMAPINFOHEADER) + uint64_t(TableEntries(depth)) * 4 + row * rows;
    return total > kLargestBlock ? 0 : total;
}

int ImageBrander::TableEntries(int depth)
{
    switch (depth) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

void ImageBrander::StandardTable16(RGBQUAD* table)
{
    static const BYTE colours[16][3] = {
        {0, 0, 0},       {128, 0, 0},   {255, 0, 0},   {0, 128, 0},
        {128, 128, 0},   {0, 255, 0},   {255, 255, 0}, {0, 0, 128},
        {128, 0, 128},   {0, 128, 128}, {128, 128, 128}, {192, 192, 192},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    for (int i = 0; i < 16; ++i) {
        table[i] = {};
        table[i].rgbRed = colours[i][0];
        table[i].rgbGreen = colours[i][1];
        table[i].rgbBlue = colours[i][2];
    }
}

void ImageBrander::ScreenTable(HINSTANCE module, RGBQUAD* table)
{
    PALETTEENTRY entries[256] = {};
    bool found = false;
    HDC screen = GetDC(nullptr);
    if (screen) {
        if ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0)
            found = GetSystemPaletteEntries(screen, 0, 256, entries) == 256;
        ReleaseDC(nullptr, screen);
    }
    if (!found) {
        HRSRC info = FindResourceA(module, "STOCKPAL", "PALETTE");
        HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
        const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
        if (data && SizeofResource(module, info) >= kPaletteFileEntries + sizeof(entries))
            std::memcpy(entries, data + kPaletteFileEntries, sizeof(entries));
    }
    for (int i = 0; i < 256; ++i)
        table[i] = FromEntry(entries[i]);  // the flags byte stays 0
}

HGLOBAL ImageBrander::Render(HINSTANCE module, HWND hostWindow, int depth, HGLOBAL source,
                             const PaintFn& paint)
{
    if (!source)
        return nullptr;
    const SIZE_T sourceSize = GlobalSize(source);
    const BYTE* sourceBlock = static_cast<const BYTE*>(GlobalLock(source));
    if (!sourceBlock)
        return nullptr;
    HGLOBAL result = nullptr;
    HDC memory = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ previous = nullptr;
    BYTE* target = nullptr;
    do {
        if (PackedDib::SizeOf(sourceBlock, sourceSize) == 0)
            break;
        BITMAPINFOHEADER header;
        std::memcpy(&header, sourceBlock, sizeof(header));
        const int width = header.biWidth;
        const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
        const uint64_t rowBytes = RowBytes(depth, width);
        const int entries = TableEntries(depth);
        if (rowBytes == 0)
            break;
        const uint64_t total = BlockBytes(depth, width, height);
        if (total == 0)
            break;
        const uint64_t imageBytes = rowBytes * uint64_t(height);

        result = GlobalAlloc(GHND, static_cast<SIZE_T>(total));
        target = result ? static_cast<BYTE*>(GlobalLock(result)) : nullptr;
        if (!target)
            break;
        BITMAPINFOHEADER made = {};
        made.biSize = sizeof(BITMAPINFOHEADER);
        made.biWidth = header.biWidth;
        made.biHeight = header.biHeight;
        made.biPlanes = 1;
        made.biBitCount = static_cast<WORD>(depth);
        made.biSizeImage = static_cast<DWORD>(imageBytes);
        std::memcpy(target, &made, sizeof(made));
        RGBQUAD* table = reinterpret_cast<RGBQUAD*>(target + sizeof(made));
        if (entries == 2) {
            if (!SourceTable(sourceBlock, depth, entries, table)) {
                table[1].rgbRed = table[1].rgbGreen = table[1].rgbBlue = 255;
            }
        } else if (entries == 16) {
            if (!SourceTable(sourceBlock, depth, entries, table))
                StandardTable16(table);
        } else if (entries == 256) {
            if (!SourceTable(sourceBlock, depth, entries, table))
                ScreenTable(module, table);
        }

        HDC windowDc = GetDC(hostWindow);
        memory = CreateCompatibleDC(windowDc);
        if (windowDc)
            ReleaseDC(hostWindow, windowDc);
        if (!memory)
            break;
        SetMapMode(memory, MM_TEXT);
        void* bits = nullptr;
        section = CreateDIBSection(memory, reinterpret_cast<BITMAPINFO*>(target), DIB_RGB_COLORS,
                                   &bits, nullptr, 0);
        if (!section || !bits)
            break;
        previous = SelectObject(memory, section);
        SetDIBitsToDevice(memory, 0, 0, width, height, 0, 0, 0, height,
                          sourceBlock + PixelOffset(header),
                          reinterpret_cast<const BITMAPINFO*>(sourceBlock), DIB_RGB_COLORS);
        const RECT view = {0, 0, width, height};
        paint(memory, view);
        GdiFlush();
        std::memcpy(target + sizeof(made) + entries * 4, bits, static_cast<size_t>(imageBytes));
        SelectObject(memory, previous);
        previous = nullptr;
        GlobalUnlock(result);
        target = nullptr;
        DeleteObject(section);
        section = nullptr;
        DeleteDC(memory);
        memory = nullptr;
        GlobalUnlock(source);
        return result;
    } while (false);

    if (previous)
        SelectObject(memory, previous);
    if (section)
        DeleteObject(section);
    if (memory)
        DeleteDC(memory);
    if (target)
        GlobalUnlock(result);
    if (result)
        GlobalFree(result);
    GlobalUnlock(source);
    return nullptr;
}

#pragma once
// Host images for the burning-in tests: a white bottom-up 24-bit packed DIB
// in a movable block, as a host hands out its image, and its pixels.
#include <windows.h>

#include <cstring>

namespace engine_test {

inline HGLOBAL WhiteImage(int width, int height)
{
    const int row = ((width * 24 + 31) / 32) * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + row * height);
    BYTE* p = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = row * height;
    std::memcpy(p, &header, sizeof(header));
    std::memset(p + sizeof(header), 0xFF, row * height);
    GlobalUnlock(block);
    return block;
}

// A pixel of a bottom-up 24-bit packed DIB.
inline COLORREF PixelOf24(HGLOBAL dib, int x, int y)
{
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(dib));
    BITMAPINFOHEADER header;
    std::memcpy(&header, p, sizeof(header));
    const int row = ((header.biWidth * 24 + 31) / 32) * 4;
    const BYTE* pixel = p + header.biSize + (header.biHeight - 1 - y) * row + x * 3;
    COLORREF colour = RGB(pixel[2], pixel[1], pixel[0]);
    GlobalUnlock(dib);
    return colour;
}

} // namespace engine_test

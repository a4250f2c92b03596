#include "packed_dib.h"

#include <cstring>

namespace testkit {

HGLOBAL CountingPackedDib(WORD bits, LONG width, LONG height, size_t rest, DWORD compression,
                          DWORD coloursUsed)
{
    const size_t size = sizeof(BITMAPINFOHEADER) + rest;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    BYTE* p = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    if (!p)
        return block;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biClrUsed = coloursUsed;
    std::memcpy(p, &header, sizeof(header));
    for (size_t i = sizeof(header); i < size; ++i)
        p[i] = static_cast<BYTE>(i);
    GlobalUnlock(block);
    return block;
}

std::vector<BYTE> BlockBytes(HGLOBAL block, size_t size)
{
    std::vector<BYTE> bytes;
    if (!block || GlobalSize(block) < size)
        return bytes;
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
    if (!p)
        return bytes;
    bytes.assign(p, p + size);
    GlobalUnlock(block);
    return bytes;
}

} // namespace testkit

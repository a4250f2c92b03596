#include "settings/tool_defaults_packed_dib.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint64_t kLargestImage = 0x7FFFFFFF;

uint64_t ColourTableEntries(const BITMAPINFOHEADER& header) {
    if (header.biClrUsed != 0) return header.biClrUsed;
    if (header.biBitCount <= 8) return uint64_t(1) << header.biBitCount;
    return 0;
}

uint64_t MaskBytes(const BITMAPINFOHEADER& header) {
    // Only the plain 40-byte header keeps its masks outside the header.
    if (header.biSize != sizeof(BITMAPINFOHEADER)) return 0;
    if (header.biCompression == BI_BITFIELDS) return 12;
    if (header.biCompression == 6 /* BI_ALPHABITFIELDS */) return 16;
    return 0;
}

} // namespace

size_t PackedDib::SizeOf(const void* block, size_t blockSize) {
    if (!block || blockSize < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof(header));
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > blockSize) return 0;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return 0;
    switch (header.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return 0;
    }
    if (header.biBitCount > 8 && header.biCompression != BI_RGB &&
        header.biCompression != BI_BITFIELDS && header.biCompression != 6)
        return 0;

    const uint64_t width = static_cast<uint64_t>(header.biWidth);
    const int64_t signedHeight = header.biHeight;
    const uint64_t height = static_cast<uint64_t>(signedHeight < 0 ? -signedHeight : signedHeight);
    const uint64_t rowBytes = ((width * header.biBitCount + 31) / 32) * 4;
    uint64_t imageBytes = rowBytes * height;
    if (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) {
        if (header.biSizeImage == 0) return 0;
        imageBytes = header.biSizeImage;
    }
    if (imageBytes > kLargestImage) return 0;

    const uint64_t total =
        uint64_t(header.biSize) + MaskBytes(header) + ColourTableEntries(header) * 4 + imageBytes;
    if (total > blockSize) return 0;
    return static_cast<size_t>(total);
}

HGLOBAL PackedDib::Copy(HGLOBAL source) {
    if (!source) return nullptr;
    const SIZE_T sourceSize = GlobalSize(source);
    const void* bits = GlobalLock(source);
    if (!bits) return nullptr;
    HGLOBAL copy = nullptr;
    const size_t size = SizeOf(bits, sourceSize);
    if (size != 0) {
        copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        if (copy) {
            void* target = GlobalLock(copy);
            if (target) {
                std::memcpy(target, bits, size);
                GlobalUnlock(copy);
            } else {
                GlobalFree(copy);
                copy = nullptr;
            }
        }
    }
    GlobalUnlock(source);
    return copy;
}

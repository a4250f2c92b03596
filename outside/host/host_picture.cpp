#include "host_picture.h"

#include <cstring>
#include <vector>

namespace host {
namespace {

// Bitmap files larger than this are not read.
constexpr DWORD kLargestFile = 64 * 1024 * 1024;

HGLOBAL BlockOf(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    return block;
}

} // namespace

HGLOBAL DefaultPicture() {
    constexpr int kRowBytes = (kDefaultPictureWidth * 3 + 3) / 4 * 4;
    std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + kRowBytes * kDefaultPictureHeight);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = kDefaultPictureWidth;
    header.biHeight = kDefaultPictureHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::memcpy(dib.data(), &header, sizeof(header));
    // White with a dark blue frame and a folded corner at the top right
    // (rows are stored bottom up).
    for (int y = 0; y < kDefaultPictureHeight; ++y) {
        BYTE* row = dib.data() + sizeof(header) + (kDefaultPictureHeight - 1 - y) * kRowBytes;
        for (int x = 0; x < kDefaultPictureWidth; ++x) {
            const bool frame = x == 0 || y == 0 || x == kDefaultPictureWidth - 1 ||
                               y == kDefaultPictureHeight - 1;
            const int fromCorner = (kDefaultPictureWidth - 1 - x) + y;
            const bool fold = fromCorner == 8;
            const bool cut = fromCorner < 8;
            const COLORREF colour = cut ? RGB(192, 192, 192)
                                    : frame || fold ? RGB(0, 0, 128)
                                                    : RGB(255, 255, 255);
            row[x * 3] = GetBValue(colour);
            row[x * 3 + 1] = GetGValue(colour);
            row[x * 3 + 2] = GetRValue(colour);
        }
    }
    return BlockOf(dib.data(), dib.size());
}

HGLOBAL ReadBitmapFile(const std::wstring& path, std::wstring* error) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = L"cannot be opened";
        return nullptr;
    }
    LARGE_INTEGER size = {};
    std::vector<BYTE> bytes;
    bool read = GetFileSizeEx(file, &size) && size.QuadPart <= kLargestFile;
    if (read) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        read = bytes.empty() ||
               (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                got == bytes.size());
    }
    CloseHandle(file);
    if (!read) {
        if (error) *error = L"cannot be read";
        return nullptr;
    }
    // A file header, then a bitmap header of at least 40 bytes.
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' ||
        bytes[1] != 'M') {
        if (error) *error = L"is not a BMP picture";
        return nullptr;
    }
    HGLOBAL block = BlockOf(bytes.data() + sizeof(BITMAPFILEHEADER),
                            bytes.size() - sizeof(BITMAPFILEHEADER));
    if (!block && error) *error = L"does not fit in memory";
    return block;
}

} // namespace host

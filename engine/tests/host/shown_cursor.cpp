#include "shown_cursor.h"

#include <vector>

namespace engine_test {

namespace {

// The cursor resources the engine library carries.
const int kEngineCursors[] = {11001, 12001, 13001, 14001, 15001, 16001, 17000, 17001,
                              18000, 18001, 19001, 20000, 20001, 21001, 114};
const int kSystemCursors[] = {32512, 32513, 32642, 32643, 32644, 32645, 32646};

void AppendBits(HBITMAP bitmap, std::vector<BYTE>& out)
{
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info))
        return;
    const LONG size = info.bmWidthBytes * info.bmHeight;
    if (size <= 0 || size > (1 << 20))
        return;
    const size_t at = out.size();
    out.resize(at + size);
    GetBitmapBits(bitmap, size, out.data() + at);
}

// The hot spot and the pixels of the mask and the colour bitmaps.
std::vector<BYTE> Picture(HCURSOR cursor)
{
    std::vector<BYTE> picture;
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info))
        return picture;
    picture.push_back(static_cast<BYTE>(info.xHotspot));
    picture.push_back(static_cast<BYTE>(info.yHotspot));
    AppendBits(info.hbmMask, picture);
    AppendBits(info.hbmColor, picture);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return picture;
}

} // namespace

int ShownCursor(HMODULE engine)
{
    HCURSOR shown = GetCursor();
    if (!shown)
        return 0;
    for (int number : kSystemCursors)
        if (LoadCursorA(nullptr, MAKEINTRESOURCEA(number)) == shown)
            return number;
    const std::vector<BYTE> picture = Picture(shown);
    if (picture.size() <= 2)
        return -1;
    for (int number : kEngineCursors) {
        // Loaded as the engine loads its own.
        HCURSOR own = static_cast<HCURSOR>(
            LoadImageA(engine, MAKEINTRESOURCEA(number), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
        if (!own)
            continue;
        const bool same = Picture(own) == picture;
        DestroyCursor(own);
        if (same)
            return number;
    }
    return -1;
}

} // namespace engine_test

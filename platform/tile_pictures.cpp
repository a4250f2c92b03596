#include "tile_pictures.h"

namespace platform {

namespace {

// A white picture of the given size, drawn on by draw(dc).
template <class Draw>
HBITMAP Picture(int width, int height, Draw draw)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!picture) {
        DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, picture);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    draw(dc);
    SelectObject(dc, old);
    DeleteDC(dc);
    return picture;
}

void Line(HDC dc, COLORREF colour, int width, const POINT* points, int count)
{
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, points, count);
    SelectObject(dc, old);
    DeleteObject(pen);
}

} // namespace

HBITMAP MakeConnectorPicture(bool split)
{
    return Picture(12, 24, [split](HDC dc) {
        const int rows[2] = {split ? 7 : 12, 16};
        for (int i = 0; i < (split ? 2 : 1); ++i) {
            const int y = rows[i];
            const POINT shaft[] = {{0, y}, {10, y}};
            const POINT head[] = {{6, y - 4}, {10, y}, {6, y + 4}};
            Line(dc, RGB(0, 0, 0), 2, shaft, 2);
            Line(dc, RGB(0, 0, 0), 2, head, 3);
        }
    });
}

HBITMAP MakeStatusPicture(bool ok)
{
    return Picture(16, 16, [ok](HDC dc) {
        if (ok) {
            const POINT tick[] = {{3, 8}, {7, 12}, {13, 3}};
            Line(dc, RGB(0, 160, 0), 3, tick, 3);
        } else {
            const POINT a[] = {{3, 3}, {13, 13}};
            const POINT b[] = {{13, 3}, {3, 13}};
            Line(dc, RGB(200, 0, 0), 3, a, 2);
            Line(dc, RGB(200, 0, 0), 3, b, 2);
        }
    });
}

} // namespace platform

#include "viewer_glyphs.h"

namespace platform {

namespace {

constexpr int kSize = 16;

void Magnifier(HDC dc)
{
    Ellipse(dc, 1, 1, 11, 11);
    MoveToEx(dc, 9, 9, nullptr);
    LineTo(dc, 14, 14);
    MoveToEx(dc, 10, 9, nullptr);
    LineTo(dc, 15, 14);
}

void Draw(HDC dc, ViewerGlyph glyph)
{
    switch (glyph) {
    case ViewerGlyph::ZoomIn:
        Magnifier(dc);
        MoveToEx(dc, 3, 6, nullptr);
        LineTo(dc, 9, 6);
        MoveToEx(dc, 6, 3, nullptr);
        LineTo(dc, 6, 9);
        break;
    case ViewerGlyph::ZoomOut:
        Magnifier(dc);
        MoveToEx(dc, 3, 6, nullptr);
        LineTo(dc, 9, 6);
        break;
    case ViewerGlyph::ActualSize: {
        // "1:1"
        const POINT strokes[][2] = {{{3, 3}, {3, 13}}, {{2, 4}, {3, 3}}, {{12, 3}, {12, 13}},
                                    {{11, 4}, {12, 3}}, {{7, 6}, {7, 7}}, {{7, 10}, {7, 11}}};
        for (const auto& s : strokes) {
            MoveToEx(dc, s[0].x, s[0].y, nullptr);
            LineTo(dc, s[1].x, s[1].y);
        }
        break;
    }
    case ViewerGlyph::Fit: {
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, 1, 1, 15, 14);
        SelectObject(dc, oldBrush);
        const POINT arrows[][2] = {{{4, 4}, {11, 10}}, {{4, 4}, {7, 4}}, {{4, 4}, {4, 7}},
                                   {{11, 10}, {8, 10}}, {{11, 10}, {11, 7}}};
        for (const auto& a : arrows) {
            MoveToEx(dc, a[0].x, a[0].y, nullptr);
            LineTo(dc, a[1].x, a[1].y);
        }
        break;
    }
    case ViewerGlyph::Previous: {
        const POINT p[] = {{11, 2}, {11, 13}, {4, 7}};
        Polygon(dc, p, 3);
        break;
    }
    case ViewerGlyph::Next: {
        const POINT p[] = {{4, 2}, {4, 13}, {11, 7}};
        Polygon(dc, p, 3);
        break;
    }
    }
}

} // namespace

HBITMAP MakeViewerGlyph(ViewerGlyph glyph)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bitmap || !dc) {
        if (dc)
            DeleteDC(dc);
        return bitmap;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all = {0, 0, kSize, kSize};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &all, face);
    DeleteObject(face);

    const COLORREF ink = RGB(0, 0, 128);
    HPEN pen = CreatePen(PS_SOLID, 1, ink);
    HBRUSH fill = CreateSolidBrush(ink);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, glyph == ViewerGlyph::Previous || glyph == ViewerGlyph::Next
                                            ? static_cast<HGDIOBJ>(fill)
                                            : GetStockObject(NULL_BRUSH));
    Draw(dc, glyph);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    DeleteObject(pen);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    return bitmap;
}

} // namespace platform

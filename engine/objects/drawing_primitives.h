#pragma once
// The drawing and hit-testing operations every annotation class goes through.
// Coordinates come in layer units; each operation maps them to window pixels
// with the engine's view mapping and then makes one GDI call, so an item draws
// at any zoom and scroll position without knowing the view. Pens and brushes
// are made here from attribute values, the same way for every class.
#include <windows.h>

#include "view/view_mapping.h"

class DrawingPrimitives {
public:
    explicit DrawingPrimitives(ViewMapping& mapping) : mapping_(mapping) {}

    // --- coordinate-taking operations (results are the GDI call's) ----------
    // TextOutW at (bounds' left + x, bounds' top + y).
    BOOL TextAt(HDC dc, const RECT& bounds, int x, int y, const wchar_t* text, int length);
    // DrawTextA into the mapped rectangle with the text alignment 0 for the
    // call. When rect.right is 0 the rectangle DrawTextA computes is mapped
    // back to layer units and stored in rect.
    int TextInRect(HDC dc, const char* text, int length, RECT& rect, UINT format);
    // Regions are made in window pixels.
    HRGN EllipseRegion(const RECT& rect);
    HRGN RectRegion(const RECT& rect);
    BOOL PointInRegion(HRGN region, POINT point);
    BOOL MoveToPoint(HDC dc, POINT point, POINT* previous = nullptr);
    BOOL LineToPoint(HDC dc, POINT point);
    BOOL DrawRectangle(HDC dc, const RECT& rect);
    BOOL DrawEllipse(HDC dc, const RECT& rect);

    // --- object makers ---------------------------------------------------------
    // With a palette the PALETTEINDEX form of its nearest entry, else the colour.
    static COLORREF PaletteColor(HPALETTE palette, COLORREF color);
    // backStyle 3001 gives a hollow brush; otherwise hatch style 5999 a solid
    // brush in the fill colour, any other hatch style a hatched one (index
    // style - 6000) in the hatch colour. The caller deletes the brush.
    static HBRUSH MakeBrush(HPALETTE palette, int backStyle, COLORREF fill, int hatchStyle,
                            COLORREF hatchColor);
    // A pen for a width in image pixels: colour -1 or width 0 give a null pen;
    // width -1 a pen 1 wide; any other width is scaled to the view (the
    // horizontal factor, rounded). Styles from 5000 count from 5000. The
    // caller deletes the pen.
    HPEN MakePen(int width, COLORREF color, int style);
    // The device width of a pen width in image pixels, the one rule of every
    // class and of the engine's paint: 0 stays 0 (a null pen), -1 is one
    // pixel, any other width is scaled to the view along x and is at least
    // one pixel; without a mapping the width itself.
    static int DevicePenWidth(ViewMapping* mapping, int width);
    int DevicePenWidth(int width) { return DevicePenWidth(&mapping_, width); }

    // --- hit helpers -------------------------------------------------------------
    // The index of the first point whose handle square (the screen unit wide,
    // centred on the mapped point) holds the mapped (x, y); -1 when none.
    int HandleAt(const POINT* points, int count, POINT point);
    // False for a negative coordinate; otherwise whether the window's client
    // area, in layer units, reaches the point.
    bool PointInWindow(HWND window, POINT point);
    // Whether a device prints PostScript: it passes PostScript through, or its
    // technology string names PostScript.
    static bool IsPostScriptDevice(HDC dc);

private:
    ViewMapping& mapping_;
};

#pragma once
// Burns the annotations into a copy of a page image: the source packed DIB is
// drawn into a memory bitmap of the requested depth, the layers are painted
// over it and the result comes back as a new packed DIB.
#include <windows.h>

#include <cstdint>
#include <functional>

class ImageBrander {
public:
    // Paints the layers into the device, whose view is the whole image at
    // scale 1: (0, 0, width, |height|).
    using PaintFn = std::function<void(HDC dc, const RECT& view)>;

    // module: the library holding the stock palette. Returns a new movable
    // packed DIB of depth bits a pixel (1, 4, 8, 16, 24 or 32), or null when
    // the source is not a whole packed DIB, the depth is not one of those, the
    // size does not fit or GDI fails. The source stays the caller's.
    static HGLOBAL Render(HINSTANCE module, HWND hostWindow, int depth, HGLOBAL source,
                          const PaintFn& paint);

    // Bytes of one pixel row, padded to 4 bytes, for the depths Render knows;
    // 0 for any other depth or a width below 1.
    static uint64_t RowBytes(int depth, int width);
    // Bytes of the whole new packed DIB (header, table, rows) of width x
    // |height| at depth, or 0 when the depth is unknown or it would pass 2 GB.
    static uint64_t BlockBytes(int depth, int width, int height);
    // Colour-table entries of a target depth: 2, 16, 256, else 0.
    static int TableEntries(int depth);
    // The 16 colours of the standard 4-bit table, in table order.
    static void StandardTable16(RGBQUAD* table);
    // The 256 colours of the screen: the system palette on a palette
    // display, else the library's stock palette (zeros when that is missing).
    static void ScreenTable(HINSTANCE module, RGBQUAD* table);
};

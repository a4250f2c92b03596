#include "dib_canvas.h"

namespace testkit {

DibCanvas::DibCanvas(int width, int height) : width_(width), height_(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    Fill(RGB(255, 255, 255));
}

DibCanvas::~DibCanvas()
{
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

void DibCanvas::Fill(COLORREF color)
{
    GdiFlush();
    const uint32_t pixel = GetRValue(color) << 16 | GetGValue(color) << 8 | GetBValue(color);
    for (int i = 0; i < width_ * height_; ++i)
        bits_[i] = pixel;
}

COLORREF DibCanvas::At(int x, int y) const
{
    GdiFlush();
    const uint32_t pixel = bits_[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

} // namespace testkit

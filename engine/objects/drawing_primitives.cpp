#include "objects/drawing_primitives.h"

#include <cctype>
#include <cstring>

#include "engine_codes.h"

namespace {

constexpr COLORREF kNoColor = static_cast<COLORREF>(-1);
// Device escapes of the PostScript test.
constexpr int kQueryEscSupport = 8;
constexpr int kGetTechnology = 20;
constexpr int kPostScriptPassthrough = 4115;
constexpr int kTechnologySize = 260;

} // namespace

BOOL DrawingPrimitives::TextAt(HDC dc, const RECT& bounds, int x, int y, const wchar_t* text,
                               int length) {
    const POINT at = mapping_.LayerToWindow(POINT{bounds.left + x, bounds.top + y});
    return TextOutW(dc, at.x, at.y, text, length);
}

int DrawingPrimitives::TextInRect(HDC dc, const char* text, int length, RECT& rect, UINT format) {
    const bool measure = rect.right == 0;
    RECT window = mapping_.LayerToWindow(rect);
    const UINT oldAlign = SetTextAlign(dc, 0);
    const int result = DrawTextA(dc, text, length, &window, format);
    if (oldAlign != GDI_ERROR) SetTextAlign(dc, oldAlign);
    if (measure) rect = mapping_.WindowToLayer(window);
    return result;
}

HRGN DrawingPrimitives::EllipseRegion(const RECT& rect) {
    const RECT window = mapping_.LayerToWindow(rect);
    return CreateEllipticRgn(window.left, window.top, window.right, window.bottom);
}

HRGN DrawingPrimitives::RectRegion(const RECT& rect) {
    const RECT window = mapping_.LayerToWindow(rect);
    return CreateRectRgn(window.left, window.top, window.right, window.bottom);
}

BOOL DrawingPrimitives::PointInRegion(HRGN region, POINT point) {
    const POINT window = mapping_.LayerToWindow(point);
    return PtInRegion(region, window.x, window.y);
}

BOOL DrawingPrimitives::MoveToPoint(HDC dc, POINT point, POINT* previous) {
    const POINT window = mapping_.LayerToWindow(point);
    return MoveToEx(dc, window.x, window.y, previous);
}

BOOL DrawingPrimitives::LineToPoint(HDC dc, POINT point) {
    const POINT window = mapping_.LayerToWindow(point);
    return LineTo(dc, window.x, window.y);
}

BOOL DrawingPrimitives::DrawRectangle(HDC dc, const RECT& rect) {
    const RECT window = mapping_.LayerToWindow(rect);
    return Rectangle(dc, window.left, window.top, window.right, window.bottom);
}

BOOL DrawingPrimitives::DrawEllipse(HDC dc, const RECT& rect) {
    const RECT window = mapping_.LayerToWindow(rect);
    return Ellipse(dc, window.left, window.top, window.right, window.bottom);
}

COLORREF DrawingPrimitives::PaletteColor(HPALETTE palette, COLORREF color) {
    if (!palette) return color;
    const UINT index = GetNearestPaletteIndex(palette, color);
    if (index == CLR_INVALID) return color;
    return PALETTEINDEX(static_cast<WORD>(index));
}

HBRUSH DrawingPrimitives::MakeBrush(HPALETTE palette, int backStyle, COLORREF fill,
                                    int hatchStyle, COLORREF hatchColor) {
    LOGBRUSH brush = {};
    if (backStyle == BackStyle_Transparent) {
        brush.lbStyle = BS_NULL;
    } else if (hatchStyle == HatchStyle_None) {
        brush.lbStyle = BS_SOLID;
        brush.lbColor = PaletteColor(palette, fill);
    } else {
        brush.lbStyle = BS_HATCHED;
        brush.lbColor = PaletteColor(palette, hatchColor);
        brush.lbHatch = static_cast<ULONG_PTR>(hatchStyle - HatchStyle_Horizontal);
    }
    return CreateBrushIndirect(&brush);
}

int DrawingPrimitives::DevicePenWidth(ViewMapping* mapping, int width) {
    if (width == 0) return 0;
    if (width == -1) return 1;
    if (!mapping) return width;
    const int scaled = mapping->ScaledPenWidth(width).cx;
    return scaled < 1 ? 1 : scaled;
}

HPEN DrawingPrimitives::MakePen(int width, COLORREF color, int style) {
    LOGPEN pen = {};
    pen.lopnColor = color == kNoColor ? 0 : color;
    if (color == kNoColor || width == 0) {
        pen.lopnStyle = PS_NULL;
    } else {
        pen.lopnStyle = static_cast<UINT>(style >= LinePenStyle_Solid ? style - LinePenStyle_Solid
                                                                      : style);
        pen.lopnWidth.x = DevicePenWidth(width);
    }
    return CreatePenIndirect(&pen);
}

int DrawingPrimitives::HandleAt(const POINT* points, int count, POINT point) {
    const POINT at = mapping_.LayerToWindow(point);
    const int half = mapping_.ScreenUnit() >> 1;
    for (int i = 0; i < count; ++i) {
        const POINT centre = mapping_.LayerToWindow(points[i]);
        const RECT square = {centre.x - half, centre.y - half, centre.x + half, centre.y + half};
        if (PtInRect(&square, at)) return i;
    }
    return -1;
}

bool DrawingPrimitives::PointInWindow(HWND window, POINT point) {
    if (point.x < 0 || point.y < 0) return false;
    RECT client = {};
    if (!window || !GetClientRect(window, &client)) return false;
    const POINT corner = mapping_.WindowToLayer(POINT{client.right, client.bottom});
    return corner.x >= point.x && corner.y >= point.y;
}

bool DrawingPrimitives::IsPostScriptDevice(HDC dc) {
    int escape = kPostScriptPassthrough;
    if (Escape(dc, kQueryEscSupport, sizeof(escape), reinterpret_cast<LPCSTR>(&escape), nullptr) > 0)
        return true;
    escape = kGetTechnology;
    if (Escape(dc, kQueryEscSupport, sizeof(escape), reinterpret_cast<LPCSTR>(&escape), nullptr) <= 0)
        return false;
    char technology[kTechnologySize + 1] = {};
    if (Escape(dc, kGetTechnology, 0, nullptr, technology) <= 0) return false;
    technology[kTechnologySize] = 0;
    for (char* c = technology; *c; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    return std::strstr(technology, "POSTSCRIPT") != nullptr;
}

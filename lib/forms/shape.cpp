#include "forms/shape.h"

namespace forms {

namespace {
const char kShapeClass[] = "FormsShape";
}

Shape::Shape(Control& parent, const std::string& name, const Rect& bounds) : Component(parent, name)
{
    RegisterOwnClass(kShapeClass, IDC_ARROW, CS_HREDRAW | CS_VREDRAW);
    CreateOwn(kShapeClass, WS_VISIBLE, 0, bounds);
}

void Shape::SetBrushColor(COLORREF colour)
{
    brush_ = colour;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Shape::SetPenColor(COLORREF colour)
{
    pen_ = colour;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Shape::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    HBRUSH brush = CreateSolidBrush(brush_);
    HPEN pen = CreatePen(PS_SOLID, 1, pen_);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

LRESULT Shape::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    }
    return Component::WindowProc(message, wParam, lParam);
}

} // namespace forms

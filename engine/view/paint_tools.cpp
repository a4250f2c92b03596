#include "view/paint_tools.h"

#include "engine_codes.h"
#include "objects/drawing_primitives.h"
#include "view/view_mapping.h"

int PaintTools::DeviceWidth(ViewMapping* mapping, int width)
{
    return DrawingPrimitives::DevicePenWidth(mapping, width);
}

void PaintTools::Begin(HDC device)
{
    End();
    device_ = device;
}

void PaintTools::End()
{
    if (brush_)
        DeleteObject(brush_);
    if (pen_)
        DeleteObject(pen_);
    brush_ = nullptr;
    pen_ = nullptr;
    device_ = nullptr;
}

LOGBRUSH PaintTools::WantedBrush(COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor)
{
    LOGBRUSH wanted = {};
    if (hollow) {
        wanted.lbStyle = BS_HOLLOW;
    } else if (hatchStyle == HatchStyle_None) {
        wanted.lbStyle = BS_SOLID;
        wanted.lbColor = fill;
    } else {
        wanted.lbStyle = BS_HATCHED;
        wanted.lbColor = hatchColor;
        wanted.lbHatch = static_cast<ULONG_PTR>(hatchStyle - HatchStyle_Horizontal);
    }
    return wanted;
}

void PaintTools::SelectBrush(COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor)
{
    if (!device_)
        return;
    LOGBRUSH wanted = WantedBrush(fill, hollow, hatchStyle, hatchColor);
    LOGBRUSH current = {};
    HGDIOBJ selected = GetCurrentObject(device_, OBJ_BRUSH);
    if (selected && GetObjectA(selected, sizeof(current), &current) == sizeof(current) &&
        current.lbStyle == wanted.lbStyle &&
        (wanted.lbStyle == BS_HOLLOW ||
         (current.lbColor == wanted.lbColor &&
          (wanted.lbStyle != BS_HATCHED || current.lbHatch == wanted.lbHatch))))
        return;
    HBRUSH brush = CreateBrushIndirect(&wanted);
    if (!brush)
        return;
    SelectObject(device_, brush);
    if (brush_)
        DeleteObject(brush_);
    brush_ = brush;
}

void PaintTools::SelectPen(int deviceWidth, COLORREF color, int style)
{
    if (!device_)
        return;
    int penStyle = style >= LinePenStyle_Solid ? style - LinePenStyle_Solid : style;
    if (color == static_cast<COLORREF>(-1) || deviceWidth == 0)
        penStyle = PS_NULL;
    HPEN pen = CreatePen(penStyle, deviceWidth, color == static_cast<COLORREF>(-1) ? 0 : color);
    if (!pen)
        return;
    SelectObject(device_, pen);
    if (pen_)
        DeleteObject(pen_);
    pen_ = pen;
}

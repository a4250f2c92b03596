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
    for (const KeptBrush& kept : brushes_)
        DeleteObject(kept.brush);
    for (const KeptPen& kept : pens_)
        DeleteObject(kept.pen);
    brushes_.clear();
    pens_.clear();
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

namespace {

bool SameBrush(const LOGBRUSH& a, const LOGBRUSH& b)
{
    return a.lbStyle == b.lbStyle &&
           (a.lbStyle == BS_HOLLOW ||
            (a.lbColor == b.lbColor && (a.lbStyle != BS_HATCHED || a.lbHatch == b.lbHatch)));
}

} // namespace

void PaintTools::SelectBrush(COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor)
{
    if (!device_)
        return;
    const LOGBRUSH wanted = WantedBrush(fill, hollow, hatchStyle, hatchColor);
    HGDIOBJ selected = GetCurrentObject(device_, OBJ_BRUSH);
    for (const KeptBrush& kept : brushes_) {
        if (SameBrush(kept.wanted, wanted)) {
            if (selected != kept.brush)
                SelectObject(device_, kept.brush);
            return;
        }
    }
    LOGBRUSH current = {};
    if (selected && GetObjectA(selected, sizeof(current), &current) == sizeof(current) &&
        SameBrush(current, wanted))
        return;
    HBRUSH brush = CreateBrushIndirect(&wanted);
    if (!brush)
        return;
    SelectObject(device_, brush);
    if (brushes_.size() < kKept) {
        brushes_.push_back({wanted, brush});
        return;
    }
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
    const COLORREF penColor = color == static_cast<COLORREF>(-1) ? 0 : color;
    for (const KeptPen& kept : pens_) {
        if (kept.style == penStyle && kept.width == deviceWidth && kept.color == penColor) {
            if (GetCurrentObject(device_, OBJ_PEN) != kept.pen)
                SelectObject(device_, kept.pen);
            return;
        }
    }
    HPEN pen = CreatePen(penStyle, deviceWidth, penColor);
    if (!pen)
        return;
    SelectObject(device_, pen);
    if (pens_.size() < kKept) {
        pens_.push_back({penStyle, deviceWidth, penColor, pen});
        return;
    }
    if (pen_)
        DeleteObject(pen_);
    pen_ = pen;
}

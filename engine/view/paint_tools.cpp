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
    Forget();
}

void PaintTools::Forget()
{
    selectedPen_ = nullptr;
    selectedBrush_ = nullptr;
    selectedStyleKnown_ = false;
}

HGDIOBJ PaintTools::SelectedPen()
{
    if (!selectedPen_)
        selectedPen_ = GetCurrentObject(device_, OBJ_PEN);
    return selectedPen_;
}

HGDIOBJ PaintTools::SelectedBrush()
{
    if (!selectedBrush_) {
        selectedBrush_ = GetCurrentObject(device_, OBJ_BRUSH);
        selectedStyleKnown_ = false;
    }
    return selectedBrush_;
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
    const HGDIOBJ selected = SelectedBrush();
    for (const KeptBrush& kept : brushes_) {
        if (SameBrush(kept.wanted, wanted)) {
            if (selected != kept.brush)
                PutBrush(kept.brush, kept.wanted);
            return;
        }
    }
    // The device's brush (its own, or the last one past the kept ones) may
    // be the one asked for already.
    if (selected && !selectedStyleKnown_)
        selectedStyleKnown_ = GetObjectA(selected, sizeof(selectedStyle_), &selectedStyle_) == sizeof(selectedStyle_);
    if (selected && selectedStyleKnown_ && SameBrush(selectedStyle_, wanted))
        return;
    HBRUSH brush = CreateBrushIndirect(&wanted);
    if (!brush)
        return;
    if (!PutBrush(brush, wanted)) {
        DeleteObject(brush);
        return;
    }
    if (brushes_.size() < kKept) {
        brushes_.push_back({wanted, brush});
        return;
    }
    if (brush_)
        DeleteObject(brush_);
    brush_ = brush;
}

bool PaintTools::PutBrush(HBRUSH brush, const LOGBRUSH& style)
{
    if (!SelectObject(device_, brush)) {
        Forget();
        return false;
    }
    selectedBrush_ = brush;
    selectedStyle_ = style;
    selectedStyleKnown_ = true;
    return true;
}

bool PaintTools::PutPen(HGDIOBJ pen)
{
    if (!SelectObject(device_, pen)) {
        selectedPen_ = nullptr;
        return false;
    }
    selectedPen_ = pen;
    return true;
}

void PaintTools::SelectPen(int deviceWidth, COLORREF color, int style)
{
    if (!device_)
        return;
    int penStyle = style >= LinePenStyle_Solid ? style - LinePenStyle_Solid : style;
    if (color == static_cast<COLORREF>(-1) || deviceWidth == 0)
        penStyle = PS_NULL;
    const HGDIOBJ selected = SelectedPen();
    if (penStyle == PS_NULL) {
        // Every null pen draws nothing: the stock one serves them all.
        const HGDIOBJ none = GetStockObject(NULL_PEN);
        if (selected != none)
            PutPen(none);
        return;
    }
    const COLORREF penColor = color;
    for (const KeptPen& kept : pens_) {
        if (kept.style == penStyle && kept.width == deviceWidth && kept.color == penColor) {
            if (selected != kept.pen)
                PutPen(kept.pen);
            return;
        }
    }
    HPEN pen = CreatePen(penStyle, deviceWidth, penColor);
    if (!pen)
        return;
    if (!PutPen(pen)) {
        DeleteObject(pen);
        return;
    }
    if (pens_.size() < kKept) {
        pens_.push_back({penStyle, deviceWidth, penColor, pen});
        return;
    }
    if (pen_)
        DeleteObject(pen_);
    pen_ = pen;
}

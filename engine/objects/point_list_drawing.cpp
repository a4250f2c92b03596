// Point-list items: drawing with the pen, the fill styles, arrows and handles.
#include "objects/point_list_annotation.h"

#include <algorithm>

#include "view/paint_tools.h"
#include "view/view_mapping.h"

namespace {

// The raster operation of a pen fill style (5500 + the operation), copying
// for a value that names none.
int RasterOperation(int penFillStyle)
{
    const int rop = penFillStyle - 5500;
    return rop >= R2_BLACK && rop <= R2_WHITE ? rop : R2_COPYPEN;
}

} // namespace

int PointListAnnotation::Draw(HDC dc, const PaintArguments&)
{
    if (points_.empty() || !Mapping()) return -1;
    ConvertPendingGeometry();
    if (Type() == RulerTool) RegisterFont();
    ViewMapping& mapping = *Mapping();
    const int penWidth = MapNumber(QMK_PenWidth);
    const int backStyle = MapNumber(QMK_BackStyle);
    const bool handles = IsCommitted() && IsSelected() && MapNumber(QMK_ShowHandles) != 0;
    if (Type() == PolygonTool && penWidth == 0 && backStyle == BackStyle_Transparent) {
        if (handles) DrawPointHandles(dc);
        return -1;
    }

    // An item of a layer draws with the engine's pen and brush, which stay
    // selected until the paint puts the device back; one being built, or on
    // its own, selects its own and puts back what it found.
    PaintTools ownTools;
    HGDIOBJ oldPen = nullptr;
    HGDIOBJ oldBrush = nullptr;
    const bool creating = !IsCommitted() && trackPen_;
    const int style = Type() == PolygonTool ? 0 : MapNumber(QMK_PenStyle);
    const COLORREF penColor = static_cast<COLORREF>(MapNumber(QMK_PenColor));
    const int deviceWidth = PaintTools::DeviceWidth(Mapping(), penWidth);
    if (creating) {
        oldBrush = GetCurrentObject(dc, OBJ_BRUSH);
        oldPen = SelectObject(dc, trackPen_);
    } else if (Owner()) {
        Owner()->SelectPen(dc, penWidth, penColor, style);
    } else {
        oldPen = GetCurrentObject(dc, OBJ_PEN);
        oldBrush = GetCurrentObject(dc, OBJ_BRUSH);
        ownTools.Begin(dc);
        ownTools.SelectPen(deviceWidth, penColor, style);
    }
    const bool highlight = Type() == PolygonTool && (MapNumber(QMK_HighlightFill) != 0 ||
                                                     backStyle == BackStyle_Translucent);
    const int rop = Type() == PolygonTool ? (highlight ? R2_MASKPEN : R2_COPYPEN)
                                          : RasterOperation(MapNumber(QMK_PenFillStyle, 5513));
    const int oldRop = SetROP2(dc, rop);

    // The points mapped to the window, in one buffer reused by every item
    // (drawing calls nothing that could draw again meanwhile).
    static std::vector<POINT> view;
    view.resize(points_.size());
    mapping.LayerToWindow(points_.data(), points_.size(), view.data());
    // Scaled down, neighbouring points often land on one pixel. With a pen
    // one pixel wide (or none) a step that stays on its pixel draws nothing
    // and a fill ignores it, so the repeats go; a wider pen's joins could
    // depend on them, so they stay there. Lines and rulers draw their first
    // two points by index and keep all.
    const bool pointList = Type() == PolyLineTool || Type() == FreehandTool || Type() == PolygonTool;
    if (pointList && !creating && deviceWidth <= 1)
        view.erase(std::unique(view.begin(), view.end(),
                               [](const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }),
                   view.end());

    switch (Type()) {
    case PolyLineTool:
    case FreehandTool:
        Polyline(dc, view.data(), static_cast<int>(view.size()));
        break;
    case PolygonTool: {
        const int oldFill = SetPolyFillMode(dc, WINDING);
        const int fillCode = MapNumber(QMK_FillColor, -1);
        const COLORREF fill = static_cast<COLORREF>(fillCode);
        const int hatch = MapNumber(QMK_HatchStyle, HatchStyle_None);
        const COLORREF oldBack = hatch != HatchStyle_None ? SetBkColor(dc, fill) : CLR_INVALID;
        const bool hollow = backStyle == BackStyle_Transparent || fillCode == -1;
        const COLORREF hatchColor = static_cast<COLORREF>(MapNumber(QMK_HatchColor));
        if (Owner())
            Owner()->SelectBrush(dc, fill, hollow, hatch, hatchColor);
        else {
            if (!ownTools.Device()) ownTools.Begin(dc);
            ownTools.SelectBrush(fill, hollow, hatch, hatchColor);
        }
        Polygon(dc, view.data(), static_cast<int>(view.size()));
        if (oldBack != CLR_INVALID) SetBkColor(dc, oldBack);
        if (oldFill != WINDING) SetPolyFillMode(dc, oldFill);
        break;
    }
    case LineTool:
        if (view.size() >= 2) {
            MoveToEx(dc, view[0].x, view[0].y, nullptr);
            LineTo(dc, view[1].x, view[1].y);
            if (MapNumber(QMK_EndPtStyle) == LineStyle_Arrow) DrawArrow(dc);
        } else {
            Polyline(dc, view.data(), static_cast<int>(view.size()));
        }
        break;
    case RulerTool:
        if (view.size() >= 2) {
            MoveToEx(dc, view[0].x, view[0].y, nullptr);
            LineTo(dc, view[1].x, view[1].y);
            DrawRuler(dc);
        }
        break;
    default: break;
    }

    if (oldRop != rop) SetROP2(dc, oldRop);
    // The item's own pen and brush go before they are deleted.
    if (oldPen) {
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
    }
    ownTools.End();
    if (handles) DrawPointHandles(dc);
    return 1;
}

void PointListAnnotation::DrawArrow(HDC dc)
{
    POINT left, right;
    if (!ArrowEnds(points_[0], points_[1], left, right)) return;
    DrawingPrimitives primitives = Primitives();
    primitives.MoveToPoint(dc, points_[1]);
    primitives.LineToPoint(dc, left);
    primitives.MoveToPoint(dc, points_[1]);
    primitives.LineToPoint(dc, right);
}

void PointListAnnotation::DrawRuler(HDC dc)
{
    DrawingPrimitives primitives = Primitives();
    POINT ticks[4];
    if (MapNumber(QMK_ShowGauge) != 0 && RulerTicks(ticks)) {
        for (int i = 0; i < 4; i += 2) {
            primitives.MoveToPoint(dc, ticks[i]);
            primitives.LineToPoint(dc, ticks[i + 1]);
        }
    }
    if (MapNumber(QMK_ShowLength) != 0) {
        DrawRulerLabel(dc);
    } else {
        labelSize_ = {};
        label_.clear();
    }
    RecomputeBounds();
}

void PointListAnnotation::DrawPointHandles(HDC dc)
{
    ViewMapping& mapping = *Mapping();
    std::vector<POINT> centres(points_);
    if (Type() == LineTool || Type() == RulerTool) centres.resize(centres.size() < 2 ? centres.size() : 2);
    POINT ticks[4];
    if (Type() == RulerTool && MapNumber(QMK_ShowGauge) != 0 && RulerTicks(ticks))
        centres.insert(centres.end(), ticks, ticks + 4);
    const int half = mapping.ScreenUnit() >> 1;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    const int oldRop = SetROP2(dc, R2_COPYPEN);
    for (const POINT& point : centres) {
        const POINT c = mapping.LayerToWindow(point);
        Rectangle(dc, c.x - half, c.y - half, c.x + half, c.y + half);
    }
    SetROP2(dc, oldRop);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

#include "objects/shape_annotation.h"

#include <cstdint>
#include <cstring>

#include "view/paint_tools.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;

// The edges each handle drags: left, right, top, bottom.
struct HandleEdges {
    bool left, right, top, bottom;
};
const HandleEdges kHandleEdges[8] = {
    {true, false, true, false},   // 0 top-left
    {false, true, true, false},   // 1 top-right
    {true, false, false, true},   // 2 bottom-left
    {false, true, false, true},   // 3 bottom-right
    {true, false, false, false},  // 4 left
    {false, true, false, false},  // 5 right
    {false, false, true, false},  // 6 top
    {false, false, false, true},  // 7 bottom
};
// The handle a drag continues with once an edge passed its opposite.
const int kMirroredAcrossX[8] = {1, 0, 3, 2, 5, 4, 6, 7};
const int kMirroredAcrossY[8] = {2, 3, 0, 1, 4, 5, 7, 6};

RECT UnionOf(const RECT& a, const RECT& b) {
    RECT result;
    UnionRect(&result, &a, &b);
    return result;
}

// The offset that keeps [low, high] within [0, kFull] when moved by delta.
int Clamped(int low, int high, int delta) {
    int64_t d = delta;
    if (low + d < 0) d = -static_cast<int64_t>(low);
    if (high + d > kFull) d = static_cast<int64_t>(kFull) - high;
    return static_cast<int>(d);
}

} // namespace

ShapeAnnotation::ShapeAnnotation() = default;

ShapeAnnotation::ShapeAnnotation(int type, const AttributeMap& toolAttributes) {
    TakeToolAttributes(type, toolAttributes);
}

ShapeAnnotation::~ShapeAnnotation() {
    if (tracking_ && captureWindow_ && GetCapture() == captureWindow_) ReleaseCapture();
    DeleteTrackingTools();
}

int ShapeAnnotation::FillColorCode() const {
    const int type = Type();
    return type == RectangleTool || type == EllipseTool || type == ImageTool ? QMK_FillColor
                                                                              : QMK_BackColor;
}

int ShapeAnnotation::HighlightCode() const {
    return FillColorCode() == QMK_FillColor ? QMK_HighlightFill : QMK_HighlightBack;
}

RECT ShapeAnnotation::NormalizedAnchor() const {
    RECT rect = {x1_, y1_, x2_, y2_};
    ViewMapping::NormalizeRect(rect);
    return rect;
}

RECT ShapeAnnotation::DirtyArea(const RECT& rect, int handleTimes) const {
    return IsSelected() ? InflatedByHandle(rect, handleTimes) : rect;
}

void ShapeAnnotation::KeepAnchorWithBounds() {
    if (x1_ == -1) return;
    x1_ = Bounds().left;
    y1_ = Bounds().top;
    x2_ = Bounds().right;
    y2_ = Bounds().bottom;
}

void ShapeAnnotation::ResetAnchor(int) {
    x1_ = -1;
    y1_ = -1;
}

void ShapeAnnotation::RecomputeBounds() {
    // Without a creation under way the bounds are the item's own.
    if (x1_ == -1) return;
    SetBounds(NormalizedAnchor());
}

// ---- the mouse ----------------------------------------------------------------------

int ShapeAnnotation::HandleMouse(HWND window, UINT message, WPARAM, int x, int y, int* eventCode) {
    if (eventCode) *eventCode = 0;
    // Moves and resizes work on layer units.
    if (!ConvertPendingGeometry()) return -1;
    switch (message) {
    case WM_LBUTTONDOWN:
        if (!tracking_ && HitHandle(window, message, x, y) == -1) {
            dragHandle_ = pressHandle_ = -1;
            BeginTrack(window, x, y);
        }
        break;
    case WM_MOUSEMOVE:
        if (!tracking_) break;
        if (IsSelected()) {
            MoveOrResize(x, y);
            if (eventCode) *eventCode = QMK_AnnotationMoved;
        } else {
            TrackTo(window, x, y);
        }
        break;
    case WM_LBUTTONUP:
        if (tracking_) EndTrack(window, x, y);
        break;
    default: break;
    }
    return -1;
}

void ShapeAnnotation::BeginTrack(HWND window, int x, int y) {
    if (IsCommitted()) {
        moveStart_ = {x, y};
    } else {
        x1_ = x2_ = x;
        y1_ = y2_ = y;
    }
    if (window) SetCapture(window);
    captureWindow_ = window;
    tracking_ = true;
    DeleteTrackingTools();
    if (!Mapping()) return;
    trackingPen_ = Primitives().MakePen(MapNumber(QMK_PenWidth), static_cast<COLORREF>(MapNumber(QMK_PenColor)),
                                        PS_INSIDEFRAME);
    trackingBrush_ = DrawingPrimitives::MakeBrush(
        nullptr, MapNumber(QMK_BackStyle), static_cast<COLORREF>(MapNumber(FillColorCode())),
        MapNumber(QMK_HatchStyle, HatchStyle_None), static_cast<COLORREF>(MapNumber(QMK_HatchColor)));
}

void ShapeAnnotation::TrackTo(HWND, int x, int y) {
    const RECT before = DirtyArea(NormalizedAnchor(), 1);
    x2_ = x;
    y2_ = y;
    InvalidateRect(UnionOf(before, DirtyArea(NormalizedAnchor(), 1)));
}

void ShapeAnnotation::EndTracking(HWND window) {
    tracking_ = false;
    HWND captured = window ? window : captureWindow_;
    if (captured && GetCapture() == captured) ReleaseCapture();
    captureWindow_ = nullptr;
    DeleteTrackingTools();
}

void ShapeAnnotation::EndTrack(HWND window, int x, int y) {
    if (!tracking_) return;
    if (IsCommitted()) {
        EndTracking(window);
        dragHandle_ = pressHandle_ = -1;
        return;
    }
    AnnotationOwner* owner = Owner();
    bool drawn = false;
    if (owner) {
        RecomputeBounds();
        const RECT& b = Bounds();
        drawn = b.right != b.left && b.bottom != b.top && Mapping() &&
                Primitives().PointInWindow(window, POINT{x, y});
    }
    EndTracking(window);
    if (!owner) return;
    if (!drawn) {
        x1_ = -1;
        InvalidateRect(Bounds());
        return;
    }
    owner->ItemCompleted(*this, true, true);
}

void ShapeAnnotation::CancelTracking(int* out) {
    if (out) *out = 0;
    if (!tracking_) return;
    if (IsCommitted()) {
        EndTracking(nullptr);
        dragHandle_ = pressHandle_ = -1;
    } else {
        EndTrack(nullptr, -1, -1);
    }
}

void ShapeAnnotation::MoveOrResize(int x, int y) {
    const int dx = x - moveStart_.x;
    const int dy = y - moveStart_.y;
    const RECT before = Bounds();
    RECT rect = before;
    if (dragHandle_ < 0 || dragHandle_ > 7) {
        OffsetRect(&rect, dx, dy);
    } else {
        const HandleEdges& edges = kHandleEdges[dragHandle_];
        bool passedX = false, passedY = false;
        if (edges.left) {
            rect.left += dx;
            passedX = rect.left > rect.right;
        }
        if (edges.right) {
            rect.right += dx;
            passedX = rect.right < rect.left;
        }
        if (edges.top) {
            rect.top += dy;
            passedY = rect.top > rect.bottom;
        }
        if (edges.bottom) {
            rect.bottom += dy;
            passedY = rect.bottom < rect.top;
        }
        if (passedX) dragHandle_ = kMirroredAcrossX[dragHandle_];
        if (passedY) dragHandle_ = kMirroredAcrossY[dragHandle_];
        ViewMapping::NormalizeRect(rect);
    }
    SetBounds(rect);
    KeepAnchorWithBounds();
    InvalidateRect(UnionOf(DirtyArea(before, 1), DirtyArea(rect, 1)));
    moveStart_ = {x, y};
}

void ShapeAnnotation::MoveBy(int dx, int dy, RECT& invalid) {
    if (!ConvertPendingGeometry()) {
        invalid = RECT{};
        return;
    }
    RECT rect = Bounds();
    dx = Clamped(rect.left, rect.right, dx);
    dy = Clamped(rect.top, rect.bottom, dy);
    OffsetRect(&rect, dx, dy);
    SetBounds(rect);
    KeepAnchorWithBounds();
    invalid = IsSelected() && MapNumber(QMK_ShowHandles) ? InflatedByHandle(rect) : rect;
}

// ---- hit testing ----------------------------------------------------------------------

bool ShapeAnnotation::HitTest(int x, int y) {
    if (!ConvertPendingGeometry()) return false;
    RECT r;
    if (IsCommitted()) {
        r = Bounds();
    } else {
        if (x1_ == -1) return false;
        r = NormalizedAnchor();
    }
    // Left and top edges inside, right and bottom outside.
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
    if (Type() != EllipseTool) return true;
    // The inscribed ellipse, tested analytically.
    const double rx = (static_cast<double>(r.right) - r.left) / 2.0;
    const double ry = (static_cast<double>(r.bottom) - r.top) / 2.0;
    const double nx = (x - (r.left + rx)) / rx;
    const double ny = (y - (r.top + ry)) / ry;
    return nx * nx + ny * ny <= 1.0;
}

int ShapeAnnotation::HitHandle(HWND window, UINT message, int x, int y) {
    if (!MapNumber(QMK_Sizeable)) return -1;
    if (tracking_ && pressHandle_ != -1) return dragHandle_;
    // Only an item in the list has handles; a pending one has no bounds yet.
    if (!IsCommitted() || !Mapping() || !ConvertPendingGeometry()) return -1;
    const int handle = Mapping()->HitTestHandle(Bounds(), POINT{x, y});
    if (handle != -1 && window) {
        pressHandle_ = dragHandle_ = handle;
        if (IsSelected() && Type() == TextTool) CancelTracking(nullptr);
        if (message == WM_LBUTTONDOWN) BeginTrack(window, x, y);
    }
    return handle;
}

// ---- attributes -------------------------------------------------------------------------

int ShapeAnnotation::SetAttribute(int code, EngineValue value, bool& changed) {
    if (code != QMK_BoundingRect) return Annotation::SetAttribute(code, value, changed);
    changed = false;
    if (!value) return QMK_ErrInvalidAttribute;
    const RECT before = Bounds();
    RECT rect;
    std::memcpy(&rect, reinterpret_cast<const void*>(value), sizeof(rect));
    SetBounds(rect);
    x1_ = rect.left;
    y1_ = rect.top;
    x2_ = rect.right;
    y2_ = rect.bottom;
    changed = true;
    if (IsAttached()) InvalidateRect(UnionOf(DirtyArea(before, 2), DirtyArea(rect, 2)));
    return QMK_NoError;
}

// ---- drawing ------------------------------------------------------------------------------

void ShapeAnnotation::DeleteTrackingTools() {
    if (trackingPen_) DeleteObject(trackingPen_);
    if (trackingBrush_) DeleteObject(trackingBrush_);
    trackingPen_ = nullptr;
    trackingBrush_ = nullptr;
}

int ShapeAnnotation::Draw(HDC dc, const PaintArguments&) {
    const bool beingDrawn = !IsCommitted();
    if (beingDrawn && x1_ == -1) return -1;
    if (!Mapping()) return -1;
    ConvertPendingGeometry();
    ViewMapping& mapping = *Mapping();
    const bool handles = IsSelected() && MapNumber(QMK_ShowHandles) != 0;

    if (Type() == RectangleTool && MapNumber(QMK_UserDraw) != 0) {
        const RECT device = mapping.LayerToWindow(Bounds());
        if (Owner() &&
            !Owner()->UserDraw(dc, device.left, device.top, device.right - device.left,
                               device.bottom - device.top, SequenceNumber(),
                               MapNumber(QMK_UserLong)))
            return 0;  // deleted by the host while it drew
        if (!beingDrawn && handles) mapping.DrawHandles(Bounds(), dc);
        return 0;
    }

    int backStyle = MapNumber(QMK_BackStyle);
    if (backStyle == BackStyle_Translucent && DrawingPrimitives::IsPostScriptDevice(dc))
        backStyle = BackStyle_Transparent;
    const int penWidth = MapNumber(QMK_PenWidth);
    if (backStyle == BackStyle_Transparent && penWidth == 0) {
        if (!beingDrawn && handles) mapping.DrawHandles(Bounds(), dc);
        return -1;
    }
    const COLORREF penColor = penWidth != 0 ? static_cast<COLORREF>(MapNumber(QMK_PenColor)) : 0;
    const COLORREF fill = static_cast<COLORREF>(MapNumber(FillColorCode()));
    const bool highlight = MapNumber(HighlightCode()) != 0 || backStyle == BackStyle_Translucent;
    const int hatch = MapNumber(QMK_HatchStyle, HatchStyle_None);
    const bool hatched = hatch != HatchStyle_None;

    // What the drawing changes in the device is put back afterwards; the
    // engine's pen and brush stay selected until the paint puts the device
    // back, the item's own go before they are deleted.
    const bool ownObjects = (beingDrawn && trackingPen_ && trackingBrush_) || !Owner();
    const HGDIOBJ oldPen = ownObjects ? GetCurrentObject(dc, OBJ_PEN) : nullptr;
    const HGDIOBJ oldBrush = ownObjects ? GetCurrentObject(dc, OBJ_BRUSH) : nullptr;
    COLORREF oldBack = CLR_INVALID;
    int oldBackMode = 0;
    if (hatched) {
        oldBack = SetBkColor(dc, fill);
        if (backStyle == BackStyle_Opaque) oldBackMode = SetBkMode(dc, OPAQUE);
    }
    DrawingPrimitives primitives = Primitives();
    // An item of a layer draws with the engine's pen and brush; one on its
    // own makes them the same way for this drawing.
    PaintTools ownTools;
    if (beingDrawn && trackingPen_ && trackingBrush_) {
        SelectObject(dc, trackingPen_);
        SelectObject(dc, trackingBrush_);
    } else {
        const COLORREF hatchColor = hatched ? static_cast<COLORREF>(MapNumber(QMK_HatchColor)) : 0;
        const bool hollow = backStyle == BackStyle_Transparent;
        if (Owner()) {
            Owner()->SelectBrush(dc, fill, hollow, hatch, hatchColor);
        } else {
            ownTools.Begin(dc);
            ownTools.SelectBrush(fill, hollow, hatch, hatchColor);
        }
        if (highlight && penWidth == 0) {
            SelectObject(dc, GetStockObject(NULL_PEN));
            if (Owner()) Owner()->DeviceToolsChanged(dc);
        } else if (Owner()) {
            Owner()->SelectPen(dc, penWidth, penColor, PS_INSIDEFRAME);
        } else {
            ownTools.SelectPen(PaintTools::DeviceWidth(Mapping(), penWidth), penColor, PS_INSIDEFRAME);
        }
    }
    const int oldRop = highlight ? SetROP2(dc, R2_MASKPEN) : 0;

    const RECT shape = beingDrawn ? NormalizedAnchor() : Bounds();
    if (Type() == EllipseTool)
        primitives.DrawEllipse(dc, shape);
    else
        primitives.DrawRectangle(dc, shape);

    if (oldRop) SetROP2(dc, oldRop);
    if (oldBackMode) SetBkMode(dc, oldBackMode);
    if (oldBack != CLR_INVALID) SetBkColor(dc, oldBack);
    if (ownObjects) {
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
    }
    ownTools.End();

    if (handles) mapping.DrawHandles(Bounds(), dc);
    return 1;
}

// Point-list items: building by the mouse, dragging, attributes, moving and
// the mirror, flip and rotate transforms.
#include "objects/point_list_annotation.h"

#include <cstdint>
#include <cstring>

#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;
constexpr int kSizeAllCursor = 32646;

RECT UnionOf(const RECT& a, const RECT& b)
{
    RECT result;
    UnionRect(&result, &a, &b);
    return result;
}

// value * numerator / denominator in 64 bits, rounded half away from zero
// like MulDiv, held to the 32-bit range.
int Scaled(int64_t value, int64_t numerator, int64_t denominator)
{
    if (denominator == 0) return 0;
    int64_t product = value * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    int64_t magnitude = (product < 0 ? -product : product);
    const int64_t d = denominator < 0 ? -denominator : denominator;
    int64_t quotient = (magnitude + d / 2) / d;
    if (negative) quotient = -quotient;
    if (quotient > INT32_MAX) return INT32_MAX;
    if (quotient < INT32_MIN) return INT32_MIN;
    return static_cast<int>(quotient);
}

// The offset that keeps [low, high] within [0, kFull] when moved by delta.
int Clamped(int low, int high, int delta)
{
    int64_t d = delta;
    if (low + d < 0) d = -static_cast<int64_t>(low);
    if (high + d > kFull) d = static_cast<int64_t>(kFull) - high;
    return static_cast<int>(d);
}

} // namespace

PointListAnnotation::PointListAnnotation(int type, const AttributeMap& toolAttributes)
{
    TakeToolAttributes(type, toolAttributes);
    if (AttributeValue* font = FindAttribute(QMK_Logfont)) {
        if (font->kind() == AttributeValue::Kind::Font) {
            LOGFONTA flat = font->Font();
            flat.lfEscapement = 0;
            flat.lfOrientation = 0;
            font->Assign(reinterpret_cast<EngineValue>(&flat));
        }
    }
}

PointListAnnotation::~PointListAnnotation()
{
    if (tracking_ && trackWindow_ && GetCapture() == trackWindow_) ReleaseCapture();
    if (trackPen_) DeleteObject(trackPen_);
}

// ---- the mouse ------------------------------------------------------------------------

int PointListAnnotation::ReportCursor(int kind)
{
    if (kind == -1) return -1;
    AnnotationOwner* owner = Owner();
    return owner && owner->SetItemCursor(Type(), kind) ? 0 : -1;
}

int PointListAnnotation::HandleMouse(HWND window, UINT message, WPARAM, int x, int y,
                                     int* eventCode)
{
    if (eventCode) *eventCode = 0;
    if (!ConvertPendingGeometry()) return -1;
    switch (message) {
    case WM_MOUSEMOVE: {
        int kind = 0;
        if (tracking_ && IsCommitted()) {
            if (dragHandle_ == -1) kind = -1;
            else if (MapNumber(QMK_Sizeable)) kind = kSizeAllCursor;
            else if (MapNumber(QMK_Moveable)) kind = Cursor_Moving;
            else kind = -1;
            DragStep(x, y);
            if (eventCode) *eventCode = QMK_AnnotationMoved;
        } else if (tracking_) {
            if (Type() == FreehandTool) AddPoint(window, x, y);
            else MoveRubberPoint(x, y);
        }
        return ReportCursor(kind);
    }
    case WM_LBUTTONDOWN: {
        if (!tracking_) {
            if (HitHandle(window, message, x, y) != -1) return -1;
            BeginTracking(window, x, y);
            ReportCursor(Cursor_Creating);
            return 0;
        }
        POINT cursor = {};
        GetCursorPos(&cursor);
        if (WindowFromPoint(cursor) != trackWindow_) {
            Finish(window, x, y, false);
        } else {
            AddPoint(window, x, y);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        if (!tracking_) return -1;
        if (BuiltByClicks() && !IsCommitted()) return 0;
        POINT cursor = {};
        GetCursorPos(&cursor);
        Finish(window, x, y, WindowFromPoint(cursor) == window);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (!tracking_ || IsCommitted() || IsSelected() || !FinishesOnDoubleClick()) return -1;
        Finish(window, x, y, true);
        return 0;
    default:
        return -1;
    }
}

void PointListAnnotation::BeginTracking(HWND window, int x, int y)
{
    if (IsCommitted()) {
        dragPoint_ = {x, y};
    } else {
        points_.push_back(POINT{x, y});
        hasRubberPoint_ = false;
        if (Type() == FreehandTool) lastFreehandPoint_ = {x, y};
        RecomputeBounds();
    }
    if (window) SetCapture(window);
    trackWindow_ = window;
    tracking_ = true;
    if (trackPen_) DeleteObject(trackPen_);
    trackPen_ = nullptr;
    if (Mapping() && (!IsCommitted() || MapNumber(QMK_Sizeable))) {
        const int style = Type() == PolygonTool ? PS_SOLID : MapNumber(QMK_PenStyle);
        trackPen_ = Primitives().MakePen(MapNumber(QMK_PenWidth),
                                         static_cast<COLORREF>(MapNumber(QMK_PenColor)), style);
    }
}

RECT PointListAnnotation::DirtyArea(const RECT& bounds) const
{
    RECT area = InflatedByHandle(bounds);
    const SIZE pen = PenInLayerUnits();
    InflateRect(&area, pen.cx, pen.cy);
    return area;
}

void PointListAnnotation::AddPoint(HWND window, int x, int y)
{
    const RECT before = Bounds();
    points_.push_back(POINT{x, y});
    RecomputeBounds();
    if (Type() == FreehandTool) {
        DrawFreehandSegment(window, POINT{x, y});
        lastFreehandPoint_ = {x, y};
    } else {
        InvalidateRect(DirtyArea(UnionOf(before, Bounds())));
    }
}

void PointListAnnotation::DrawFreehandSegment(HWND window, POINT to)
{
    if (!window || !Mapping() || !trackPen_) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    DrawingPrimitives primitives = Primitives();
    const RECT clip = Mapping()->LayerToWindow(DirtyArea(Bounds()));
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    HGDIOBJ oldPen = SelectObject(dc, trackPen_);
    const int rop = MapNumber(QMK_PenFillStyle, LinePenFillStyle_Opaque) - 5500;
    const int oldRop = SetROP2(dc, rop);
    primitives.MoveToPoint(dc, lastFreehandPoint_);
    primitives.LineToPoint(dc, to);
    SetROP2(dc, oldRop);
    SelectObject(dc, oldPen);
    ReleaseDC(window, dc);
}

void PointListAnnotation::MoveRubberPoint(int x, int y)
{
    const RECT before = Bounds();
    if (!hasRubberPoint_) {
        points_.push_back(POINT{x, y});
        hasRubberPoint_ = true;
    } else {
        points_.back() = POINT{x, y};
    }
    RecomputeBounds();
    InvalidateRect(DirtyArea(UnionOf(before, Bounds())));
}

void PointListAnnotation::DragStep(int x, int y)
{
    const int dx = x - dragPoint_.x;
    const int dy = y - dragPoint_.y;
    const RECT before = Bounds();
    // The points stay on the image, as in a move by the layer.
    if (dragHandle_ >= 0 && static_cast<size_t>(dragHandle_) < points_.size() &&
        MapNumber(QMK_Sizeable)) {
        POINT& point = points_[dragHandle_];
        point.x += Clamped(point.x, point.x, dx);
        point.y += Clamped(point.y, point.y, dy);
    } else {
        ShiftWithinImage(dx, dy);
    }
    dragPoint_ = {x, y};
    RecomputeBounds();
    InvalidateRect(DirtyArea(UnionOf(before, Bounds())));
}

void PointListAnnotation::EndTracking()
{
    tracking_ = false;
    if (trackWindow_ && GetCapture() == trackWindow_) ReleaseCapture();
    trackWindow_ = nullptr;
    if (trackPen_) DeleteObject(trackPen_);
    trackPen_ = nullptr;
}

void PointListAnnotation::Finish(HWND window, int x, int y, bool hasPoint)
{
    if (!tracking_) return;
    AnnotationOwner* owner = Owner();
    if (IsCommitted() || !owner) {
        EndTracking();
        dragHandle_ = pressHandle_ = -1;
        return;
    }
    bool complete = false;
    if (hasPoint && points_.size() > 1 && Mapping() &&
        Primitives().PointInWindow(window, POINT{x, y})) {
        // A drawing made by clicks ends with the rubber point that followed
        // the mouse, which goes; every point of a freehand stroke was drawn.
        if (!BuiltByClicks()) {
            complete = true;
        } else if (points_.size() > 2) {
            points_.pop_back();
            complete = true;
        }
    }
    EndTracking();
    hasRubberPoint_ = false;
    if (!complete) {
        const RECT area = DirtyArea(Bounds());
        std::vector<POINT>().swap(points_);
        SetBounds(RECT{});
        InvalidateRect(area);
        return;
    }
    RecomputeBounds();
    owner->ItemCompleted(*this, true, true);  // this item may be gone now
}

void PointListAnnotation::CancelTracking(int* out)
{
    if (out) *out = 0;
    if (!tracking_) return;
    Finish(trackWindow_, -1, -1, false);
}

// ---- attributes ---------------------------------------------------------------------------

void PointListAnnotation::Attach()
{
    Annotation::Attach();
    // From now on the pen counts in layer units of the view.
    if (!points_.empty()) RecomputeBounds();
    RegisterFont();
}

void PointListAnnotation::RegisterFont()
{
    const AttributeValue* font = FindAttribute(QMK_Logfont);
    if (!font || font->kind() != AttributeValue::Kind::Font || !Owner()) return;
    UnitNames* settings = Owner()->TextSettings();
    if (settings) font_.Register(&settings->Fonts(), font->Font());
}

int PointListAnnotation::SetAttribute(int code, EngineValue value, bool& changed)
{
    changed = false;
    if (code == QMK_BoundingRect && IsAttached()) {
        // The points follow the rectangle: moved and stretched from the
        // item's bounds into the one given.
        if (!value) return QMK_ErrInvalidAttribute;
        if (!ConvertPendingGeometry()) return QMK_ErrInvalidContext;
        RECT to;
        std::memcpy(&to, reinterpret_cast<const void*>(value), sizeof(to));
        ViewMapping::NormalizeRect(to);
        const RECT from = Bounds();
        const int64_t fromWidth = from.right - from.left;
        const int64_t fromHeight = from.bottom - from.top;
        const RECT before = DirtyArea(from);
        for (POINT& point : points_) {
            point.x = fromWidth == 0 ? to.left
                                     : to.left + Scaled(point.x - from.left, to.right - to.left, fromWidth);
            point.y = fromHeight == 0 ? to.top
                                      : to.top + Scaled(point.y - from.top, to.bottom - to.top, fromHeight);
        }
        RecomputeBounds();
        changed = true;
        InvalidateRect(UnionOf(before, DirtyArea(Bounds())));
        return QMK_NoError;
    }
    if (code == QMK_Logfont) {
        AttributeValue* entry = FindAttribute(code);
        if (!entry) return QMK_ErrInvalidAttribute;
        if (!value) return QMK_NoError;
        LOGFONTA flat;
        std::memcpy(&flat, reinterpret_cast<const void*>(value), sizeof(flat));
        flat.lfEscapement = 0;
        flat.lfOrientation = 0;
        flat.lfFaceName[LF_FACESIZE - 1] = 0;
        entry->Assign(reinterpret_cast<EngineValue>(&flat));
        changed = true;
        if (IsAttached()) {
            RegisterFont();
            InvalidateRect(DirtyArea(Bounds()));
        }
        return QMK_NoError;
    }
    return Annotation::SetAttribute(code, value, changed);
}

void PointListAnnotation::SetPoints(int count, const POINT* points)
{
    if (count < 0 || (count > 0 && !points)) return;
    points_.assign(points, points + count);
    RecomputeBounds();
}

// ---- moving and transforms --------------------------------------------------------------

void PointListAnnotation::MoveBy(int dx, int dy, RECT& invalid)
{
    if (!ConvertPendingGeometry() || points_.empty()) {
        invalid = RECT{};
        return;
    }
    ShiftWithinImage(dx, dy);
    RecomputeBounds();
    invalid = IsSelected() && MapNumber(QMK_ShowHandles) ? InflatedByHandle(Bounds()) : Bounds();
    const SIZE pen = PenInLayerUnits();
    InflateRect(&invalid, pen.cx, pen.cy);
}

void PointListAnnotation::ShiftWithinImage(int dx, int dy)
{
    if (points_.empty()) return;
    RECT extent = {points_[0].x, points_[0].y, points_[0].x, points_[0].y};
    for (const POINT& point : points_) {
        if (point.x < extent.left) extent.left = point.x;
        if (point.x > extent.right) extent.right = point.x;
        if (point.y < extent.top) extent.top = point.y;
        if (point.y > extent.bottom) extent.bottom = point.y;
    }
    dx = Clamped(extent.left, extent.right, dx);
    dy = Clamped(extent.top, extent.bottom, dy);
    for (POINT& point : points_) {
        point.x += dx;
        point.y += dy;
    }
}

// Every point through displayed pixels (scaled width and height of the
// view), in 64 bits so that no product overflows.
template <typename Map> void PointListAnnotation::MapDisplayed(Map map)
{
    if (!ConvertPendingGeometry() || !HasView()) return;
    const int64_t width = Mapping()->ScaledWidth();
    const int64_t height = Mapping()->ScaledHeight();
    if (width <= 0 || height <= 0) return;
    for (POINT& point : points_) {
        int64_t x = Scaled(point.x, width, kFull);
        int64_t y = Scaled(point.y, height, kFull);
        map(x, y, width, height);
        point = {Scaled(x, kFull, width), Scaled(y, kFull, height)};
    }
    RecomputeBounds();
}

void PointListAnnotation::MirrorInImage()
{
    MapDisplayed([](int64_t& x, int64_t&, int64_t width, int64_t) { x = width - 1 - x; });
}

void PointListAnnotation::FlipInImage()
{
    MapDisplayed([](int64_t&, int64_t& y, int64_t, int64_t height) { y = height - 1 - y; });
}

void PointListAnnotation::RotateInImage(int angle)
{
    if (!ConvertPendingGeometry()) return;
    // A quarter turn is exact in layer units: a fraction of the width
    // becomes the same fraction of the height.
    if (angle == 90 || angle == -270) {
        for (POINT& point : points_) point = {point.y, kFull - point.x};
    } else if (angle == 270 || angle == -90) {
        for (POINT& point : points_) point = {kFull - point.y, point.x};
    } else if (angle == 180 || angle == -180) {
        MapDisplayed([](int64_t& x, int64_t& y, int64_t width, int64_t height) {
            x = width - 1 - x;
            y = height - 1 - y;
        });
        return;
    } else {
        return;
    }
    RecomputeBounds();
}

void PointListAnnotation::MirrorInRect(const RECT& frame)
{
    if (!ConvertPendingGeometry() || !HasView()) return;
    RECT f = frame;
    ViewMapping::NormalizeRect(f);
    for (POINT& point : points_) point.x = MirroredX(point.x, f.left, f.right);
    RecomputeBounds();
}

void PointListAnnotation::FlipInRect(const RECT& frame)
{
    if (!ConvertPendingGeometry() || !HasView()) return;
    RECT f = frame;
    ViewMapping::NormalizeRect(f);
    for (POINT& point : points_) point.y = FlippedY(point.y, f.top, f.bottom);
    RecomputeBounds();
}

// Point-list items: bounds, hit testing and handles.
#include "objects/point_list_annotation.h"

#include <cmath>
#include <cstdint>

#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;
constexpr double kDegree = 0.017453292519444445;
// The label starts this many view pixels right of and below the ruler's end.
constexpr int kLabelOffset = 10;

void Include(RECT& rect, POINT point)
{
    if (point.x < rect.left) rect.left = point.x;
    if (point.x > rect.right) rect.right = point.x;
    if (point.y < rect.top) rect.top = point.y;
    if (point.y > rect.bottom) rect.bottom = point.y;
}

int Rounded(double value)
{
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int>(std::lround(value));
}

struct Point2 {
    double x, y;
};

// Whether p lies within tolerance of the segment a-b (all in view pixels).
bool NearSegment(Point2 p, Point2 a, Point2 b, double tolerance)
{
    const double t2 = tolerance * tolerance;
    const double ax = p.x - a.x, ay = p.y - a.y;
    if (ax * ax + ay * ay <= t2) return true;
    const double bx = p.x - b.x, by = p.y - b.y;
    if (bx * bx + by * by <= t2) return true;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    if (length2 == 0) return false;
    const double along = ax * dx + ay * dy;
    if (along < 0 || along > length2) return false;
    const double cross = ax * dy - ay * dx;
    return cross * cross <= t2 * length2;
}

} // namespace

const int PointListAnnotation::kArrowLength = MulDiv(10, kFull, 400);

bool PointListAnnotation::ArrowEnds(POINT from, POINT to, POINT& left, POINT& right)
{
    const double dx = static_cast<double>(to.x) - from.x;
    const double dy = static_cast<double>(to.y) - from.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return false;
    const double ux = dx / length, uy = dy / length;
    const double back = kArrowLength * std::cos(kArrowHalfAngle * kDegree);
    const double side = kArrowLength * std::sin(kArrowHalfAngle * kDegree);
    left = {Rounded(to.x - back * ux - side * uy), Rounded(to.y - back * uy + side * ux)};
    right = {Rounded(to.x - back * ux + side * uy), Rounded(to.y - back * uy - side * ux)};
    return true;
}

SIZE PointListAnnotation::PenInLayerUnits() const
{
    const int width = MapNumber(QMK_PenWidth);
    if (width <= 0) return {width == -1 ? 1 : 0, width == -1 ? 1 : 0};
    if (!IsAttached() || !HasView()) return {width, width};
    return Mapping()->LengthToLayer(width);
}

bool PointListAnnotation::RulerTicks(POINT ticks[4]) const
{
    if (points_.size() < 2 || !HasView()) return false;
    ViewMapping& mapping = *Mapping();
    const double width = mapping.ScaledWidth();
    const double height = mapping.ScaledHeight();
    if (width <= 0 || height <= 0) return false;
    // Perpendicular on the displayed image: worked out in displayed pixels.
    const POINT a = points_[0], b = points_[1];
    const double dx = (static_cast<double>(b.x) - a.x) * width / kFull;
    const double dy = (static_cast<double>(b.y) - a.y) * height / kFull;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0) return false;
    const double half = MapNumber(QMK_GaugeLength) * mapping.ScaleX() / 2.0;
    const double px = -dy / length * half * kFull / width;
    const double py = dx / length * half * kFull / height;
    const POINT ends[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        ticks[2 * i] = {Rounded(ends[i].x + px), Rounded(ends[i].y + py)};
        ticks[2 * i + 1] = {Rounded(ends[i].x - px), Rounded(ends[i].y - py)};
    }
    return true;
}

RECT PointListAnnotation::LabelRect() const
{
    if (points_.size() < 2 || !HasView() || (labelSize_.cx == 0 && labelSize_.cy == 0))
        return RECT{};
    ViewMapping& mapping = *Mapping();
    const POINT end = points_[0].x > points_[1].x ? points_[0] : points_[1];
    const double offset = kLabelOffset * mapping.ScaleX();
    const double width = mapping.ScaledWidth();
    const double height = mapping.ScaledHeight();
    RECT rect;
    rect.left = Rounded(end.x + offset * kFull / width);
    rect.top = Rounded(end.y + offset * kFull / height);
    rect.right = Rounded(rect.left + labelSize_.cx * static_cast<double>(kFull) / width);
    rect.bottom = Rounded(rect.top + labelSize_.cy * static_cast<double>(kFull) / height);
    return rect;
}

void PointListAnnotation::RecomputeBounds()
{
    if (points_.empty()) return;
    RECT rect = {points_[0].x, points_[0].y, points_[0].x, points_[0].y};
    for (const POINT& point : points_) Include(rect, point);
    if (points_.size() == 1) {
        rect.right += 1;
        rect.bottom += 1;
    }
    const bool twoPoints = points_.size() == 2;
    if (Type() == LineTool && twoPoints && MapNumber(QMK_EndPtStyle) == LineStyle_Arrow) {
        // The arrow's strokes belong to the line's area.
        POINT left, right;
        if (ArrowEnds(points_[0], points_[1], left, right)) {
            Include(rect, left);
            Include(rect, right);
        }
    }
    if (Type() == RulerTool && twoPoints) {
        POINT ticks[4];
        if (RulerTicks(ticks))
            for (const POINT& tick : ticks) Include(rect, tick);
        const RECT label = LabelRect();
        if (label.right > label.left) UnionRect(&rect, &rect, &label);
    }
    const SIZE pen = PenInLayerUnits();
    InflateRect(&rect, pen.cx, pen.cy);
    SetBounds(rect);
}

double PointListAnnotation::HitTolerance() const
{
    if (!Mapping()) return 0;
    const int pen = MapNumber(QMK_PenWidth);
    const int c = Primitives().DevicePenWidth(pen);
    const int even = (c + 1) & ~1;
    if (even == 0) return 0;
    double tolerance = even / 2;
    if (tolerance < 1) tolerance = 1;
    if (Mapping()->ScaleX() < 1.0f && c < 3) tolerance = even;
    return tolerance;
}

bool PointListAnnotation::HitTest(int x, int y)
{
    if (!ConvertPendingGeometry() || points_.empty() || !HasView()) return false;
    ViewMapping& mapping = *Mapping();
    if (mapping.ScaledWidth() <= 0 || mapping.ScaledHeight() <= 0) return false;
    const double tolerance = HitTolerance();
    {
        // Most points miss most items: their bounds, widened by the
        // tolerance, turn them away before anything is mapped.
        const RECT& b = Bounds();
        const int64_t marginX = static_cast<int64_t>((tolerance + 1) * kFull / mapping.ScaledWidth());
        const int64_t marginY = static_cast<int64_t>((tolerance + 1) * kFull / mapping.ScaledHeight());
        if (x < b.left - marginX || x > b.right + marginX || y < b.top - marginY || y > b.bottom + marginY)
            return false;
    }
    const POINT at = mapping.LayerToWindow(POINT{x, y});
    const Point2 p = {static_cast<double>(at.x), static_cast<double>(at.y)};
    auto view = [&mapping](POINT layer) {
        const POINT w = mapping.LayerToWindow(layer);
        return Point2{static_cast<double>(w.x), static_cast<double>(w.y)};
    };

    std::vector<Point2> mapped;
    mapped.reserve(points_.size());
    for (const POINT& point : points_) mapped.push_back(view(point));

    if (Type() == PolygonTool && MapNumber(QMK_FillColor, -1) != -1 && points_.size() > 2) {
        RECT bounds = Bounds();
        if (x >= bounds.left && x <= bounds.right && y >= bounds.top && y <= bounds.bottom) {
            std::vector<POINT> device;
            device.reserve(mapped.size());
            for (const Point2& point : mapped)
                device.push_back({static_cast<LONG>(point.x), static_cast<LONG>(point.y)});
            HRGN region = CreatePolygonRgn(device.data(), static_cast<int>(device.size()), WINDING);
            const bool inside = region && PtInRegion(region, at.x, at.y);
            if (region) DeleteObject(region);
            if (inside) return true;
        }
        // The outline, closing edge included, belongs to a filled polygon.
        if (tolerance == 0) return false;
        if (NearSegment(p, mapped.back(), mapped.front(), tolerance)) return true;
    }
    if (tolerance == 0) return false;

    if (Type() == RulerTool && points_.size() == 2) {
        POINT ticks[4];
        if (RulerTicks(ticks) && (NearSegment(p, view(ticks[0]), view(ticks[1]), tolerance) ||
                                  NearSegment(p, view(ticks[2]), view(ticks[3]), tolerance)))
            return true;
    }
    const RECT area = mapping.LayerToWindow(Bounds());
    if (p.x < area.left - tolerance || p.x > area.right + tolerance || p.y < area.top - tolerance ||
        p.y > area.bottom + tolerance)
        return false;
    if (mapped.size() == 1) return NearSegment(p, mapped[0], mapped[0], tolerance);
    for (size_t i = 1; i < mapped.size(); ++i)
        if (NearSegment(p, mapped[i - 1], mapped[i], tolerance)) return true;
    if (Type() == LineTool && points_.size() == 2 && MapNumber(QMK_EndPtStyle) == LineStyle_Arrow) {
        POINT left, right;
        if (ArrowEnds(points_[0], points_[1], left, right) &&
            (NearSegment(p, view(points_[1]), view(left), tolerance) ||
             NearSegment(p, view(points_[1]), view(right), tolerance)))
            return true;
    }
    return false;
}

int PointListAnnotation::HitHandle(HWND window, UINT message, int x, int y)
{
    if (!MapNumber(QMK_Sizeable) && !MapNumber(QMK_Moveable)) return -1;
    if (tracking_ && pressHandle_ != -1) return dragHandle_;
    if (!IsCommitted() || !Mapping() || !ConvertPendingGeometry() || points_.empty()) return -1;
    const int handle =
        Primitives().HandleAt(points_.data(), static_cast<int>(points_.size()), POINT{x, y});
    if (handle != -1 && window) {
        pressHandle_ = dragHandle_ = handle;
        if (message == WM_LBUTTONDOWN) BeginTracking(window, x, y);
    }
    return handle;
}

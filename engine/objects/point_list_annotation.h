#pragma once
// Items whose geometry is a list of points: polygons (closed, optionally
// filled), polylines, lines (two points, an optional arrow at the end),
// freehand marks and rulers (two points, end ticks and a measured length).
//
// Polygons and polylines are built click by click and closed by a double
// click; lines, freehand marks and rulers by one drag. A placed item is
// dragged by a point's handle or as a whole. The type code decides how the
// item is built, bounded, hit-tested and drawn.
//
// The class is split by responsibility: building and editing by the mouse,
// attributes and transforms (point_list_annotation.cpp); bounds, hit testing
// and handles (point_list_geometry.cpp); drawing (point_list_drawing.cpp);
// the ruler's measure and label (point_list_ruler.cpp).
#include <string>
#include <vector>

#include "objects/annotation.h"
#include "objects/font_cache.h"

class PointListAnnotation : public Annotation {
public:
    // An item of a tool (4100 polygon, 4101 polyline, 4102 line, 4103
    // freehand, 4107 ruler) carrying a copy of the tool's attribute map.
    PointListAnnotation(int type, const AttributeMap& toolAttributes);
    ~PointListAnnotation() override;

    int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y, int* eventCode) override;
    int Draw(HDC dc, const PaintArguments& args) override;
    void CancelTracking(int* out) override;
    void RecomputeBounds() override;
    void MoveBy(int dx, int dy, RECT& invalid) override;
    void MirrorInImage() override;
    void FlipInImage() override;
    void RotateInImage(int angle) override;
    void MirrorInRect(const RECT& frame) override;
    void FlipInRect(const RECT& frame) override;
    void Attach() override;
    bool HitTest(int x, int y) override;
    int HitHandle(HWND window, UINT message, int x, int y) override;
    int SetAttribute(int code, EngineValue value, bool& changed) override;
    void SetPoints(int count, const POINT* points) override;

    // The ruler's label of the last paint.
    const std::wstring& Label() const { return label_; }

    // ---- the ruler's measure, open to the checks ------------------------------------
    // How many inches, or pixels for the unit 2061, a distance of (dx, dy)
    // image pixels measures at the given resolutions (dots per inch; 0 or
    // less counts as 72), expressed in a unit code (2049 inches .. 2062
    // twips; any other code measures inches).
    static double MeasureInUnit(double dx, double dy, double resolutionX, double resolutionY,
                                int unit);
    // The label text: the value with precision digits after the point (held
    // to 0..15), a blank and the unit text (at most kMaxUnitText characters).
    static std::wstring FormatLabel(double value, int precision, const std::wstring& unitText);
    static constexpr int kMaxPrecision = 15;
    static constexpr size_t kMaxUnitText = 64;

    // The arrow's strokes at the end of a line from `from` to `to` (layer
    // units): the two far ends of the strokes. False when the points coincide.
    static bool ArrowEnds(POINT from, POINT to, POINT& left, POINT& right);
    // Half the angle between the arrow's strokes, in degrees, and their length.
    static constexpr int kArrowHalfAngle = 25;
    static const int kArrowLength;

private:
    // ---- building and dragging (point_list_annotation.cpp) -------------------
    bool IsClosedKind() const { return Type() == PolygonTool; }
    bool BuiltByClicks() const { return Type() == PolygonTool || Type() == PolyLineTool; }
    // A double click ends a drawing of these kinds.
    bool FinishesOnDoubleClick() const { return BuiltByClicks() || Type() == FreehandTool; }
    void BeginTracking(HWND window, int x, int y);
    void AddPoint(HWND window, int x, int y);
    void MoveRubberPoint(int x, int y);
    void DragStep(int x, int y);
    // Moves every point by (dx, dy), the offset shortened so that none
    // leaves the image.
    void ShiftWithinImage(int dx, int dy);
    // Ends creation or a drag; hasPoint false when the mouse left the window.
    void Finish(HWND window, int x, int y, bool hasPoint);
    void EndTracking();
    void DrawFreehandSegment(HWND window, POINT to);
    int ReportCursor(int kind);
    // The area to repaint around bounds: the pen width and the handles.
    RECT DirtyArea(const RECT& bounds) const;
    // Points mapped through a function of displayed pixels, then bounds anew.
    template <typename Map> void MapDisplayed(Map map);

    // ---- geometry (point_list_geometry.cpp) ----------------------------------
    // The pen width in layer units along x and y.
    SIZE PenInLayerUnits() const;
    // The hit tolerance in view pixels for the pen (0: lines are not hit).
    double HitTolerance() const;
    // The ticks across the ruler's ends (layer units): each a pair of points.
    bool RulerTicks(POINT ticks[4]) const;
    // The ruler label's rectangle in layer units at its drawn place.
    RECT LabelRect() const;

    // ---- drawing (point_list_drawing.cpp, point_list_ruler.cpp) --------------
    void DrawShape(HDC dc, const std::vector<POINT>& view);
    void DrawArrow(HDC dc);
    void DrawRuler(HDC dc);
    void DrawRulerLabel(HDC dc);
    void DrawPointHandles(HDC dc);
    std::wstring UnitText(int unit) const;
    void RegisterFont();

    POINT dragPoint_ = {};
    POINT lastFreehandPoint_ = {};
    HPEN trackPen_ = nullptr;
    bool hasRubberPoint_ = false;
    HWND trackWindow_ = nullptr;
    SIZE labelSize_ = {};
    std::wstring label_;
    FontUse font_;
};

// Polygons, polylines, lines, freehand marks and rulers drawn with the mouse
// as a host forwards its messages (the screen cursor placed on each point
// first), hit by the pointer, saved, loaded, pasted and burnt in. These tests
// move the screen cursor and show a window, so they run alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dib_canvas.h"
#include "layer_in_window.h"
#include "shown_cursor.h"

using namespace engine_test;

namespace {

struct Step {
    UINT message;
    int x, y;
};
constexpr UINT kDown = WM_LBUTTONDOWN;
constexpr UINT kUp = WM_LBUTTONUP;
constexpr UINT kMove = WM_MOUSEMOVE;
constexpr UINT kDouble = WM_LBUTTONDBLCLK;

// Clicks at each point with a move to it first, then a double click at the
// last: how a user closes a polygon or a polyline.
std::vector<Step> Clicks(const std::vector<POINT>& points)
{
    std::vector<Step> steps;
    for (const POINT& p : points) {
        steps.push_back({kMove, p.x, p.y});
        steps.push_back({kDown, p.x, p.y});
        steps.push_back({kUp, p.x, p.y});
    }
    const POINT last = points.back();
    steps.push_back({kDouble, last.x, last.y});
    steps.push_back({kUp, last.x, last.y});
    return steps;
}

// One drag: press at the first point, a move to each further one, release
// at the last.
std::vector<Step> Drag(const std::vector<POINT>& points)
{
    std::vector<Step> steps = {{kDown, points[0].x, points[0].y}};
    for (size_t i = 1; i < points.size(); ++i) steps.push_back({kMove, points[i].x, points[i].y});
    steps.push_back({kUp, points.back().x, points.back().y});
    return steps;
}

class PointLists : public LayerInWindow {
protected:
    PointLists()
    {
        ReleaseCapture();
        host.ClearCalls();
    }

    void Run(const std::vector<Step>& steps)
    {
        for (const Step& step : steps)
            window.Send(host.Engine(), step.message,
                        step.message == kDown || step.message == kDouble ? MK_LBUTTON : 0, step.x,
                        step.y);
    }

    std::vector<POINT> PointsOf(int seq)
    {
        std::vector<POINT> points;
        POINT p = {};
        for (int i = 0; host->PrgGetItemPoint(layer, seq, i, &p) == 0 && i < 1000; ++i)
            points.push_back(p);
        return points;
    }
};

bool SamePoints(const std::vector<POINT>& a, const std::vector<POINT>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
}

std::string Text(const std::vector<POINT>& points)
{
    std::string text;
    for (const POINT& p : points) text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return text;
}

// ---- building -------------------------------------------------------------------------------

struct BuildCase {
    const char* name;
    int tool;
    std::vector<Step> steps;
    std::vector<POINT> points;  // of the item made, in pixels
};

TEST_F(PointLists, EachKindIsBuiltAsItsToolSays)
{
    const BuildCase cases[] = {
        {"polygon: three clicks closed by a double click", PolygonTool,
         Clicks({{100, 100}, {200, 100}, {150, 200}}), {{100, 100}, {200, 100}, {150, 200}}},
        {"polyline: four clicks", PolyLineTool, Clicks({{50, 50}, {90, 60}, {130, 50}, {170, 80}}),
         {{50, 50}, {90, 60}, {130, 50}, {170, 80}}},
        {"line: one drag", LineTool, Drag({{100, 100}, {150, 120}, {300, 150}}),
         {{100, 100}, {300, 150}}},
        {"freehand: one drag, every move a point, the last one kept", FreehandTool,
         Drag({{100, 100}, {120, 110}, {140, 130}, {160, 160}}),
         {{100, 100}, {120, 110}, {140, 130}, {160, 160}}},
        {"freehand: a mark of one move", FreehandTool, Drag({{100, 100}, {120, 120}}),
         {{100, 100}, {120, 120}}},
        {"ruler: one drag", RulerTool, Drag({{100, 300}, {200, 310}, {400, 300}}),
         {{100, 300}, {400, 300}}},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.name);
        host->PrgDeleteAll(layer);
        ASSERT_EQ(0, host->SetTool(layer, c.tool));
        host.ClearCalls();
        Run(c.steps);
        const std::vector<int> items = Order();
        ASSERT_EQ(1u, items.size());
        const int seq = items[0];
        const std::vector<ChannelCall> expected = {
            {Channel_AnnotateEvent, {QMK_AnnotationAdded, seq}},
            {Channel_AnnotateEvent, {QMK_ToolChange, c.tool}},
        };
        EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
        EXPECT_TRUE(SamePoints(c.points, PointsOf(seq))) << Text(PointsOf(seq));
        EngineValue type = 0, count = 0;
        host->PrgGetItemAttribute(layer, seq, QMK_ToolType, &type);
        EXPECT_EQ(c.tool, type);
        host->PrgGetItemAttribute(layer, seq, QMK_NumPoints, &count);
        EXPECT_EQ(c.tool == LineTool || c.tool == RulerTool ? 2 : static_cast<int>(c.points.size()),
                  count);
        EXPECT_EQ(nullptr, GetCapture()) << "the mouse is let go";
    }
}

TEST_F(PointLists, DrawingsThatEndTooEarlyOrOffTheWindowAreDropped)
{
    // The window covers 0..800 x 0..600 of the screen: (900, 700) is off it.
    const BuildCase cases[] = {
        {"a line pressed and released without a move", LineTool, {{kDown, 100, 100}, {kUp, 100, 100}}, {}},
        {"a line released off the window", LineTool,
         {{kDown, 100, 100}, {kMove, 300, 300}, {kUp, 900, 700}}, {}},
        {"a ruler released off the window", RulerTool,
         {{kDown, 100, 100}, {kMove, 300, 300}, {kUp, 900, 700}}, {}},
        {"a polygon double-clicked right after its first click", PolygonTool,
         {{kDown, 100, 100}, {kUp, 100, 100}, {kDouble, 100, 100}, {kUp, 100, 100}}, {}},
        {"a polyline double-clicked after one move", PolyLineTool,
         {{kDown, 100, 100}, {kUp, 100, 100}, {kMove, 150, 150}, {kDouble, 150, 150}, {kUp, 150, 150}},
         {}},
        {"a polygon clicked off the window while being built", PolygonTool,
         {{kDown, 100, 100}, {kUp, 100, 100}, {kMove, 200, 100}, {kDown, 200, 100}, {kUp, 200, 100},
          {kMove, 300, 200}, {kDown, 900, 700}, {kUp, 900, 700}},
         {}},
        {"a freehand press and release without a move", FreehandTool,
         {{kDown, 100, 100}, {kUp, 100, 100}}, {}},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0, host->SetTool(layer, c.tool));
        host.ClearCalls();
        Run(c.steps);
        EXPECT_EQ(0, Count());
        EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
        EXPECT_EQ(nullptr, GetCapture()) << "the mouse is let go";
        // The tool's object draws again afterwards.
        Run(c.tool == PolygonTool || c.tool == PolyLineTool ? Clicks({{10, 10}, {60, 10}, {60, 60}})
                                                            : Drag({{10, 10}, {40, 40}, {60, 60}}));
        EXPECT_EQ(1, Count());
        host->PrgDeleteAll(layer);
    }
}

TEST_F(PointLists, LosingTheFocusDropsAPolygonBeingBuilt)
{
    ASSERT_EQ(0, host->SetTool(layer, PolygonTool));
    host.ClearCalls();
    Run({{kDown, 100, 100}, {kUp, 100, 100}, {kMove, 200, 100}, {kDown, 200, 100}, {kUp, 200, 100}});
    EXPECT_EQ(window.hwnd(), GetCapture());
    host->FocusMessage(WM_KILLFOCUS);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(0, Count());
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
}

// ---- hit testing ---------------------------------------------------------------------------

struct HitCase {
    const char* name;
    int tool;
    std::vector<POINT> points;
    int fill;     // polygon fill colour, -1 none
    int endStyle; // line end style
    POINT probe;
    bool hit;
};

TEST_F(PointLists, ThePointerHitsWhatIsDrawn)
{
    const std::vector<POINT> triangle = {{100, 100}, {300, 100}, {200, 300}};
    const std::vector<POINT> line = {{100, 400}, {500, 400}};
    // The arrow's strokes run from (500, 400) back about 18 pixels and 6
    // across; (491, 403) lies on the lower one.
    const HitCase cases[] = {
        {"unfilled polygon, on an edge", PolygonTool, triangle, -1, 0, {200, 100}, true},
        {"unfilled polygon, inside", PolygonTool, triangle, -1, 0, {200, 150}, false},
        {"unfilled polygon, on the closing edge", PolygonTool, triangle, -1, 0, {150, 200}, false},
        {"filled polygon, inside", PolygonTool, triangle, 255, 0, {200, 150}, true},
        {"filled polygon, on the closing edge", PolygonTool, triangle, 255, 0, {150, 200}, true},
        {"filled polygon, outside", PolygonTool, triangle, 255, 0, {350, 150}, false},
        {"polyline, on its last segment", PolyLineTool, triangle, -1, 0, {250, 200}, true},
        {"polyline, beside it", PolyLineTool, triangle, -1, 0, {250, 205}, false},
        {"line, on it", LineTool, line, -1, 0, {300, 400}, true},
        {"line, three pixels off", LineTool, line, -1, 0, {300, 403}, false},
        {"line with an arrow, on the arrow", LineTool, line, -1, 1, {491, 403}, true},
        {"line without an arrow, there", LineTool, line, -1, 0, {491, 403}, false},
        {"ruler, on a tick", RulerTool, line, -1, 0, {100, 410}, true},
        {"ruler, past the tick", RulerTool, line, -1, 0, {100, 430}, false},
    };
    for (const HitCase& c : cases) {
        SCOPED_TRACE(c.name);
        host->PrgDeleteAll(layer);
        if (c.tool == PolygonTool) {
            ASSERT_EQ(0, host->SetToolAttribute(layer, c.tool, QMK_FillColor, c.fill));
        }
        if (c.tool == LineTool) {
            ASSERT_EQ(0, host->SetToolAttribute(layer, c.tool, QMK_EndPtStyle, c.endStyle));
        }
        ASSERT_EQ(0, host->SetTool(layer, c.tool));
        Run(c.tool == PolygonTool || c.tool == PolyLineTool ? Clicks(c.points) : Drag(c.points));
        ASSERT_EQ(1, Count());
        ASSERT_EQ(0, host->SetTool(layer, PointerTool));
        window.Click(host.Engine(), c.probe.x, c.probe.y);
        EXPECT_EQ(c.hit ? 1 : 0, host->IsSelection(layer));
    }
}

TEST_F(PointLists, AThinLineIsHitAtAQuarterOfItsSize)
{
    // The image shown at a quarter: a pen 1 pixel wide is still one on the
    // screen, and the pointer finds the line with the tolerance of a thin pen.
    host.Services().image = {0, 0, 200, 150};
    host.Services().view = {0, 0, 200, 150};
    ASSERT_EQ(0, host->SetToolAttribute(layer, LineTool, QMK_PenWidth, 1));
    ASSERT_EQ(0, host->SetTool(layer, LineTool));
    Run(Drag({{20, 50}, {100, 50}, {180, 50}}));
    ASSERT_EQ(1, Count());
    EXPECT_TRUE(SamePoints({{80, 200}, {720, 200}}, PointsOf(1))) << Text(PointsOf(1));
    ASSERT_EQ(0, host->SetTool(layer, PointerTool));
    window.Click(host.Engine(), 100, 51);
    EXPECT_EQ(1, host->IsSelection(layer));
}

// ---- the ruler's measure ------------------------------------------------------------------

float RulerLength(AnnotationEngine* engine, int layer, int seq)
{
    EngineValue bits = 0;
    engine->PrgGetItemAttribute(layer, seq, QMK_RulerLength, &bits);
    float value = 0;
    const int32_t raw = static_cast<int32_t>(bits);
    std::memcpy(&value, &raw, sizeof(value));
    return value;
}

TEST_F(PointLists, TheRulerMeasuresAtTheHostsResolution)
{
    // 100 pixels across at 100 pixels per inch: one inch.
    host.Services().resolutionX = 100.0;
    host.Services().resolutionY = 100.0;
    ASSERT_EQ(0, host->SetToolAttribute(layer, RulerTool, QMK_MeasureChoice, 2054));
    ASSERT_EQ(0, host->SetTool(layer, RulerTool));
    Run(Drag({{100, 100}, {150, 100}, {200, 100}}));
    ASSERT_EQ(1, Count());
    struct Case {
        const char* name;
        int unit;
        int recalibrated;  // property 140, -1 for none
        float value;
    };
    const Case cases[] = {
        {"millimetres", 2054, -1, 25.4f},
        {"inches", 2049, -1, 1.0f},
        {"twips", 2062, -1, 1440.0f},
        {"pixels, whatever the resolution", 2061, 50, 100.0f},
        {"inches recalibrated to 50 per inch", 2049, 50, 2.0f},
        {"a recalibration of 0 is no resolution: the host's holds", 2049, 0, 1.0f},
    };
    testkit::DibCanvas canvas(800, 600);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0, host->PrgSetItemAttribute(layer, 1, QMK_MeasureChoice, c.unit));
        ASSERT_EQ(0, host->SetProperty(140, c.recalibrated));
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        EXPECT_FLOAT_EQ(c.value, RulerLength(host.Engine(), layer, 1));
    }
}

// ---- moving and rectangles --------------------------------------------------------------------

TEST_F(PointLists, MovedItemsStayOnTheImageAndRectanglesMoveThePoints)
{
    ASSERT_EQ(0, host->SetTool(layer, PolyLineTool));
    Run(Clicks({{100, 100}, {200, 150}, {300, 120}}));
    ASSERT_EQ(1, Count());
    // Moved far to the left: the leftmost point stops at the image's edge.
    RECT rect = {};
    ASSERT_EQ(0, host->PrgGetItemRect(layer, 1, &rect));
    ASSERT_EQ(0, host->PrgMoveItem(layer, 1, -500, rect.top));
    EXPECT_TRUE(SamePoints({{0, 100}, {100, 150}, {200, 120}}, PointsOf(1))) << Text(PointsOf(1));

    // A rectangle set on the item moves (and stretches) its points into it.
    ASSERT_EQ(0, host->PrgGetItemRect(layer, 1, &rect));
    RECT moved = rect;
    OffsetRect(&moved, 100, 75);
    ASSERT_EQ(0, host->PrgSetItemRect(layer, 1, moved.left, moved.top, moved.right - moved.left,
                                      moved.bottom - moved.top));
    EXPECT_TRUE(SamePoints({{100, 175}, {200, 225}, {300, 195}}, PointsOf(1))) << Text(PointsOf(1));
    RECT now = {};
    ASSERT_EQ(0, host->PrgGetItemRect(layer, 1, &now));
    EXPECT_TRUE(EqualRect(&moved, &now));

    // A point set by number moves that point alone.
    const POINT point = {400, 400};
    ASSERT_EQ(0, host->PrgSetItemPoint(layer, 1, 2, &point));
    EXPECT_TRUE(SamePoints({{100, 175}, {200, 225}, {400, 400}}, PointsOf(1))) << Text(PointsOf(1));
    EXPECT_EQ(QMK_ErrInvalidPoint, host->PrgSetItemPoint(layer, 1, 3, &point));
}

// ---- handles and cursors ------------------------------------------------------------------

// The rectangle of points widened by a pen on every side.
RECT AroundPoints(const std::vector<POINT>& points, int pen)
{
    RECT rect = {points[0].x, points[0].y, points[0].x, points[0].y};
    for (const POINT& p : points) {
        rect.left = std::min(rect.left, p.x);
        rect.top = std::min(rect.top, p.y);
        rect.right = std::max(rect.right, p.x);
        rect.bottom = std::max(rect.bottom, p.y);
    }
    InflateRect(&rect, pen, pen);
    return rect;
}

struct HandleDrag {
    const char* name;
    int tool;
    std::vector<POINT> drawn;
    int sizeable, moveable;
    POINT from, to;             // pressed on a point, released here
    std::vector<POINT> after;   // the item's points after the drag
    int cursor;                 // shown while dragging (0: the host's own)
    float pixels;               // a ruler's measure afterwards
};

TEST_F(PointLists, DraggingAPointsHandleMovesThatPointAndTheBoundsFollow)
{
    const std::vector<POINT> triangle = {{100, 100}, {300, 100}, {200, 300}};
    const std::vector<POINT> chain = {{100, 100}, {200, 150}, {300, 100}, {400, 150}};
    const std::vector<POINT> line = {{100, 400}, {500, 400}};
    const HandleDrag drags[] = {
        {"polygon, its first corner", PolygonTool, triangle, 1, 1, {100, 100}, {60, 140},
         {{60, 140}, {300, 100}, {200, 300}}, 114, 0},
        {"polygon, its last corner", PolygonTool, triangle, 1, 1, {200, 300}, {250, 350},
         {{100, 100}, {300, 100}, {250, 350}}, 114, 0},
        {"polyline, an inner point", PolyLineTool, chain, 1, 1, {200, 150}, {220, 250},
         {{100, 100}, {220, 250}, {300, 100}, {400, 150}}, 114, 0},
        {"line, its end", LineTool, line, 1, 1, {500, 400}, {450, 300}, {{100, 400}, {450, 300}},
         114, 0},
        {"line, its start", LineTool, line, 1, 1, {100, 400}, {150, 500}, {{150, 500}, {500, 400}},
         114, 0},
        {"ruler, its end", RulerTool, line, 1, 1, {500, 400}, {280, 160}, {{100, 400}, {280, 160}},
         114, 300.0f},
        {"ruler, its start", RulerTool, line, 1, 1, {100, 400}, {200, 400}, {{200, 400}, {500, 400}},
         114, 300.0f},
        {"a line that may be moved but not sized moves whole", LineTool, line, 0, 1, {500, 400},
         {520, 430}, {{120, 430}, {520, 430}}, 0, 0},
        {"moved whole, it stops at the image's edge", LineTool, line, 0, 1, {500, 400}, {50, 420},
         {{0, 420}, {400, 420}}, 0, 0},
    };
    ASSERT_EQ(0, host->SetToolAttribute(layer, RulerTool, QMK_MeasureChoice, 2061));
    for (const HandleDrag& d : drags) {
        SCOPED_TRACE(d.name);
        host->PrgDeleteAll(layer);
        ASSERT_EQ(0, host->SetToolAttribute(layer, d.tool, QMK_Sizeable, d.sizeable));
        ASSERT_EQ(0, host->SetToolAttribute(layer, d.tool, QMK_Moveable, d.moveable));
        ASSERT_EQ(0, host->SetTool(layer, d.tool));
        Run(d.tool == PolygonTool || d.tool == PolyLineTool ? Clicks(d.drawn) : Drag(d.drawn));
        ASSERT_EQ(1, Count());
        const int seq = Order()[0];
        ASSERT_EQ(0, host->SetTool(layer, PointerTool));
        window.Click(host.Engine(), d.from.x, d.from.y);
        ASSERT_EQ((std::vector<int>{seq}), Selection());

        host.ClearCalls();
        EXPECT_EQ(0, Press(d.from.x, d.from.y));
        MoveTo((d.from.x + d.to.x) / 2, (d.from.y + d.to.y) / 2);
        SetCursor(nullptr);
        MoveTo(d.to.x, d.to.y);
        EXPECT_EQ(d.cursor, ShownCursor(library.Module()));
        Release(d.to.x, d.to.y);
        EXPECT_EQ(nullptr, GetCapture());
        const std::vector<ChannelCall> expected = {
            Event(QMK_AnnotationEndSelected, 0),
            Event(QMK_AnnotationSelected, seq),
            Event(QMK_AnnotationMoved, seq),
            Event(QMK_AnnotationMoved, seq),
        };
        EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
        EXPECT_TRUE(SamePoints(d.after, PointsOf(seq))) << Text(PointsOf(seq));

        const RECT rect = ItemRect(seq);
        if (d.tool != RulerTool) {
            EngineValue pen = 0;
            ASSERT_EQ(0, host->PrgGetItemAttribute(layer, seq, QMK_PenWidth, &pen));
            ExpectRect(AroundPoints(d.after, static_cast<int>(pen)), rect, 1);
        } else {
            for (const POINT& p : d.after)
                EXPECT_TRUE(PtInRect(&rect, p)) << p.x << "," << p.y;
            testkit::DibCanvas canvas(800, 600);
            host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
            EXPECT_FLOAT_EQ(d.pixels, RulerLength(host.Engine(), layer, seq));
        }
        // The handle is let go: a press on the body selects and drags no point.
        host.ClearCalls();
        const POINT body = {(d.after[0].x + d.after[1].x) / 2, (d.after[0].y + d.after[1].y) / 2};
        Press(body.x, body.y);
        MoveTo(body.x, body.y + 5);
        Release(body.x, body.y + 5);
        const std::vector<POINT> moved = PointsOf(seq);
        ASSERT_EQ(d.after.size(), moved.size());
        for (size_t i = 0; i < moved.size(); ++i) {
            EXPECT_EQ(d.after[i].x, moved[i].x) << i;
            EXPECT_EQ(d.after[i].y + 5, moved[i].y) << i;
        }
    }
}

TEST_F(PointLists, APointOfAnItemThatMayNeitherMoveNorSizeIsNoHandle)
{
    ASSERT_EQ(0, host->SetToolAttribute(layer, LineTool, QMK_Sizeable, 0));
    ASSERT_EQ(0, host->SetToolAttribute(layer, LineTool, QMK_Moveable, 0));
    ASSERT_EQ(0, host->SetTool(layer, LineTool));
    Run(Drag({{100, 400}, {300, 400}, {500, 400}}));
    ASSERT_EQ(0, host->SetTool(layer, PointerTool));
    window.Click(host.Engine(), 500, 400);
    ASSERT_EQ((std::vector<int>{1}), Selection());
    host.ClearCalls();
    EXPECT_EQ(0, Press(500, 400));
    MoveTo(510, 420);
    MoveTo(520, 430);
    Release(520, 430);
    EXPECT_TRUE(SamePoints({{100, 400}, {500, 400}}, PointsOf(1))) << Text(PointsOf(1));
    EXPECT_EQ((std::vector<ChannelCall>{Event(QMK_AnnotationEndSelected, 0),
                                        Event(QMK_AnnotationSelected, 1)}),
              host.Calls())
        << Describe(host.Calls());
}

struct CursorRow {
    const char* what;
    POINT at;
    int result;
    int cursor;  // 0: the host's own stays
};

TEST_F(PointLists, TheCursorShowsWhatLiesUnderThePointer)
{
    ASSERT_EQ(0, host->SetTool(layer, PolygonTool));
    Run(Clicks({{100, 100}, {300, 100}, {200, 300}}));
    ASSERT_EQ(0, host->SetTool(layer, PolyLineTool));
    Run(Clicks({{100, 400}, {200, 450}, {300, 400}}));
    ASSERT_EQ(0, host->SetTool(layer, LineTool));
    Run(Drag({{400, 100}, {550, 100}, {700, 100}}));
    ASSERT_EQ(0, host->SetTool(layer, FreehandTool));
    Run(Drag({{400, 300}, {450, 300}, {500, 300}, {550, 300}, {600, 300}}));
    ASSERT_EQ(0, host->SetTool(layer, RulerTool));
    Run(Drag({{400, 500}, {550, 500}, {700, 500}}));
    ASSERT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Order());
    ASSERT_EQ(0, host->PrgSetItemAttribute(layer, 3, QMK_Sizeable, 0));
    ASSERT_EQ(0, host->SetTool(layer, PointerTool));
    window.Click(host.Engine(), 200, 100);
    window.Click(host.Engine(), 550, 100, MK_SHIFT);
    ASSERT_EQ((std::vector<int>{1, 3}), Selection());

    auto check = [&](const CursorRow& row, UINT message, int result) {
        SCOPED_TRACE(row.what);
        SetCursor(nullptr);
        EXPECT_EQ(result, window.Send(host.Engine(), message, 0, row.at.x, row.at.y));
        EXPECT_EQ(row.cursor, ShownCursor(library.Module()));
    };
    const CursorRow pointer[] = {
        {"a corner of the selected polygon: the engine's move cursor", {100, 100}, 0, 114},
        {"the selected polygon's edge: the polygon's selecting cursor", {200, 100}, 0, 14001},
        {"inside the polygon, filled as the tool has it: its body", {200, 150}, 0, 14001},
        {"a point of the polyline, not selected: its body", {200, 450}, 0, 15001},
        {"an end of the selected line that may only be moved: no cursor of its own", {700, 100}, -1, 0},
        {"the line's body", {550, 100}, 0, 16001},
        {"the freehand mark", {450, 300}, 0, 17001},
        {"the ruler", {550, 500}, 0, 21001},
        {"empty space", {750, 580}, -1, 0},
    };
    // A move sets the same cursor and leaves the message to the host.
    for (const CursorRow& row : pointer) {
        check(row, WM_SETCURSOR, row.result);
        check(row, WM_MOUSEMOVE, -1);
    }
    // Without the selecting cursors a body keeps the host's cursor; the
    // handles' system cursors stay.
    ASSERT_EQ(0, host->SetUseCursorType(Cursor_Selecting, 0));
    check({"the edge, selecting cursors off", {200, 100}, -1, 0}, WM_SETCURSOR, -1);
    check({"the corner, selecting cursors off", {100, 100}, 0, 114}, WM_SETCURSOR, 0);

    // A drawing tool over the image shows its creating cursor, where it has one.
    const struct {
        int tool;
        int creating;
        CursorRow row;
    } drawing[] = {
        {FreehandTool, 1, {"freehand", {750, 580}, 0, 17000}},
        {PolygonTool, 1, {"polygon: none of its own", {750, 580}, -1, 0}},
        {FreehandTool, 0, {"freehand, creating cursors off", {750, 580}, -1, 0}},
    };
    for (const auto& d : drawing) {
        ASSERT_EQ(0, host->SetUseCursorType(Cursor_Creating, d.creating));
        ASSERT_EQ(0, host->SetTool(layer, d.tool));
        check(d.row, WM_MOUSEMOVE, d.row.result);
    }
}

// ---- saving, loading, pasting, burning in ---------------------------------------------------

class FiveKinds : public PointLists {
protected:
    void DrawAll()
    {
        ASSERT_EQ(0, host->SetToolAttribute(layer, PolygonTool, QMK_FillColor, RGB(255, 0, 0)));
        ASSERT_EQ(0, host->SetToolAttribute(layer, PolygonTool, QMK_PenColor, RGB(0, 0, 255)));
        ASSERT_EQ(0, host->SetToolAttribute(layer, LineTool, QMK_EndPtStyle, 1));
        ASSERT_EQ(0, host->SetToolAttribute(layer, LineTool, QMK_PenWidth, 3));
        ASSERT_EQ(0, host->SetToolAttribute(layer, LineTool, QMK_PenColor, RGB(0, 128, 0)));
        ASSERT_EQ(0, host->SetTool(layer, PolygonTool));
        Run(Clicks({{100, 100}, {300, 100}, {200, 250}}));
        ASSERT_EQ(0, host->SetTool(layer, PolyLineTool));
        Run(Clicks({{400, 100}, {500, 150}, {600, 100}}));
        ASSERT_EQ(0, host->SetTool(layer, LineTool));
        Run(Drag({{100, 400}, {300, 400}, {500, 400}}));
        ASSERT_EQ(0, host->SetTool(layer, FreehandTool));
        Run(Drag({{100, 500}, {150, 520}, {200, 500}, {250, 530}, {250, 530}}));
        ASSERT_EQ(0, host->SetTool(layer, RulerTool));
        Run(Drag({{600, 300}, {650, 300}, {700, 350}}));
        ASSERT_EQ(0, host->SetTool(layer, PointerTool));
        ASSERT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Order());
        for (int seq = 1; seq <= 5; ++seq) drawn.push_back(PointsOf(seq));
    }

    std::vector<std::vector<POINT>> drawn;
};

const int kKinds[] = {PolygonTool, PolyLineTool, LineTool, FreehandTool, RulerTool};

TEST_F(FiveKinds, EveryKindComesBackFromASavedSet)
{
    DrawAll();
    void* block = nullptr;
    const int size = host->SaveAnnotationsToMemory(&block);
    ASSERT_GT(size, 0);
    std::vector<unsigned char> saved(size);
    std::memcpy(saved.data(), GlobalLock(block), size);
    GlobalUnlock(block);
    GlobalFree(block);

    TestHost other(library);
    ASSERT_EQ(0, other->LoadAnnotationsFromMemory(saved.data(), size, 0, 0));
    const int loaded = other->GetFirstLayer();
    ASSERT_NE(0, loaded);
    for (int seq = 1; seq <= 5; ++seq) {
        SCOPED_TRACE(seq);
        EngineValue type = 0;
        ASSERT_EQ(0, other->PrgGetItemAttribute(loaded, seq, QMK_ToolType, &type));
        EXPECT_EQ(kKinds[seq - 1], type);
        std::vector<POINT> points;
        POINT p = {};
        for (int i = 0; other->PrgGetItemPoint(loaded, seq, i, &p) == 0; ++i) points.push_back(p);
        EXPECT_TRUE(SamePoints(drawn[seq - 1], points)) << Text(points);
    }
    EngineValue style = 0;
    other->PrgGetItemAttribute(loaded, 3, QMK_EndPtStyle, &style);
    EXPECT_EQ(1, style);
}

TEST_F(FiveKinds, EveryKindIsPastedWithItsPoints)
{
    DrawAll();
    ASSERT_EQ(0, host->CopyToClipboard(layer, 0));
    const int target = host->CreateLayer(1);
    ASSERT_EQ(0, host->Paste(target));
    int seq = 0;
    int index = 0;
    for (host->PrgGetFirstItem(target, &seq); seq != 0 && index < 5; host->PrgGetNextItem(target, &seq), ++index) {
        SCOPED_TRACE(index);
        EngineValue type = 0;
        host->PrgGetItemAttribute(target, seq, QMK_ToolType, &type);
        EXPECT_EQ(kKinds[index], type);
        std::vector<POINT> points;
        POINT p = {};
        for (int i = 0; host->PrgGetItemPoint(target, seq, i, &p) == 0; ++i) points.push_back(p);
        EXPECT_TRUE(SamePoints(drawn[index], points)) << Text(points);
    }
    EXPECT_EQ(5, index);
}

TEST_F(FiveKinds, EveryKindIsPaintedAndBurntIn)
{
    DrawAll();
    ExpectPaintedAndBurnt(host, {
        {"inside the filled polygon", 200, 150, RGB(255, 0, 0)},
        {"the polygon's top edge", 200, 100, RGB(0, 0, 255)},
        {"outside the polygon", 120, 200, RGB(255, 255, 255)},
        {"the polyline (pen 0x8020FF)", 450, 125, RGB(0xFF, 0x20, 0x80)},
        {"the line, 3 wide", 300, 401, RGB(0, 128, 0)},
        {"the arrow's stroke", 491, 403, RGB(0, 128, 0)},
        {"below the line", 300, 405, RGB(255, 255, 255)},
        {"the freehand mark (pen 0xFF00FF)", 100, 500, RGB(255, 0, 255)},
        {"the ruler (pen 0xFF0000)", 650, 325, RGB(0, 0, 255)},
    });
}

} // namespace

// Items drawn with the mouse as a host forwards its messages (the screen
// cursor placed on each point first), and the item operations on them
// through the interface. These tests move the screen cursor and show a
// window, so they run alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dib_canvas.h"
#include "layer_in_window.h"
#include "packed_images.h"

using namespace engine_test;

namespace {

class DrawnItems : public LayerInWindow {
protected:
    DrawnItems() { host.ClearCalls(); }
};

TEST_F(DrawnItems, DrawingWithTheMouseAddsItemsAndReportsThem)
{
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    window.Drag(host.Engine(), 100, 100, 200, 150);
    ASSERT_EQ(0, host->SetTool(layer, EllipseTool));
    window.Drag(host.Engine(), 300, 120, 380, 220);
    const std::vector<ChannelCall> expected = {
        {Channel_AnnotateEvent, {QMK_ToolChange, RectangleTool}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 1}},
        {Channel_AnnotateEvent, {QMK_ToolChange, RectangleTool}},
        {Channel_AnnotateEvent, {QMK_ToolChange, EllipseTool}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 2}},
        {Channel_AnnotateEvent, {QMK_ToolChange, EllipseTool}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
    EXPECT_EQ((std::vector<int>{1, 2}), Order());
    RECT first = ItemRect(1);
    EXPECT_EQ(100, first.left);
    EXPECT_EQ(100, first.top);
    EXPECT_EQ(200, first.right);
    EXPECT_EQ(150, first.bottom);
    EngineValue type = 0;
    EXPECT_EQ(0, host->PrgGetItemAttribute(layer, 2, QMK_ToolType, &type));
    EXPECT_EQ(EllipseTool, type);
}

// A host that deletes every item it is told of, from inside the report.
AnnotationEngine* g_deletingEngine = nullptr;
int g_deletingLayer = 0;
std::vector<int> g_deletingEvents;
int __stdcall DeleteOnAdded(HostCookie, int code, int data)
{
    g_deletingEvents.push_back(code);
    if (code == QMK_AnnotationAdded || code == QMK_AnnotationSelected)
        g_deletingEvents.push_back(g_deletingEngine->PrgDeleteItem(g_deletingLayer, data));
    return 0;
}

TEST_F(DrawnItems, AHostMayDeleteAnItemWhileBeingToldOfIt)
{
    g_deletingEngine = host.Engine();
    g_deletingLayer = layer;
    g_deletingEvents.clear();
    host->RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&DeleteOnAdded));
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    window.Drag(host.Engine(), 100, 100, 200, 150);
    EXPECT_TRUE(Order().empty());
    EXPECT_EQ((std::vector<int>{QMK_ToolChange, QMK_AnnotationAdded, QMK_AnnotationDeleted, 0,
                                QMK_ToolChange}),
              g_deletingEvents);
    int tool = 0;
    host->GetTool(layer, &tool);
    EXPECT_EQ(RectangleTool, tool) << "a fresh rectangle is pending";
}

TEST_F(DrawnItems, DrawingAndDeletingLeaveNoWindowOrGdiObjects)
{
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    window.Drag(host.Engine(), 10, 10, 20, 20);  // the first drawing may load cursors
    host->PrgDeleteAll(layer);
    ASSERT_EQ(0, host->SetTool(layer, EllipseTool));
    GuiCounts before = CurrentGuiCounts();
    for (int i = 0; i < 5; ++i)
        window.Drag(host.Engine(), 100 + i, 100, 200 + i, 150);
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));  // lets the pending ellipse go
    host->PrgDeleteAll(layer);
    ASSERT_EQ(0, host->SetTool(layer, EllipseTool));
    GuiCounts after = CurrentGuiCounts();
    EXPECT_EQ(before.gdi, after.gdi);
    EXPECT_EQ(before.user, after.user);
}

TEST_F(DrawnItems, LosingTheFocusDropsAnUnfinishedDrawing)
{
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    host.ClearCalls();
    window.Send(host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    window.Send(host.Engine(), WM_MOUSEMOVE, MK_LBUTTON, 150, 150);
    EXPECT_EQ(window.hwnd(), GetCapture()) << "the drawing holds the mouse";
    host->FocusMessage(WM_KILLFOCUS);
    EXPECT_EQ(nullptr, GetCapture());
    window.Send(host.Engine(), WM_LBUTTONUP, 0, 150, 150);
    EXPECT_TRUE(Order().empty());
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
    // The tool's pending object still draws.
    window.Drag(host.Engine(), 100, 100, 200, 150);
    EXPECT_EQ((std::vector<int>{1}), Order());
}

TEST_F(DrawnItems, NothingIsDrawnWhileTheCursorIsOffTheWindow)
{
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    SetCursorPos(900, 700);  // beyond the window
    EXPECT_EQ(-1, host->MouseMessage(window.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)));
    EXPECT_EQ(-1, host->MouseMessage(window.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50)));
    int count = -1;
    host->PrgGetItemCount(layer, &count);
    EXPECT_EQ(0, count);
    // An empty drag adds nothing either.
    window.Drag(host.Engine(), 100, 100, 100, 100);
    host->PrgGetItemCount(layer, &count);
    EXPECT_EQ(0, count);
}

TEST_F(DrawnItems, ItemOperationsOnDrawnItems)
{
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    for (int i = 0; i < 3; ++i)
        window.Drag(host.Engine(), 50 + 10 * i, 50, 150 + 10 * i, 120);
    ASSERT_EQ((std::vector<int>{1, 2, 3}), Order());
    host.ClearCalls();

    EXPECT_EQ(0, host->PrgMoveItem(layer, 2, 400, 300));
    RECT moved = ItemRect(2);
    EXPECT_EQ(400, moved.left);
    EXPECT_EQ(300, moved.top);
    EXPECT_EQ(500, moved.right);

    EXPECT_EQ(0, host->PrgSetItemAttribute(layer, 3, QMK_Selected, 1));
    EXPECT_EQ(1, host->IsSelection(layer));
    EXPECT_EQ(0, host->NudgeDn(layer, 3));
    EXPECT_EQ((std::vector<int>{1, 3, 2}), Order());
    EXPECT_EQ(0, host->BringItemToFront(layer, 1));
    EXPECT_EQ((std::vector<int>{3, 2, 1}), Order());
    EXPECT_EQ(QMK_ErrInvalidAttribute, host->PrgSetItemAttribute(layer, 3, QMK_SequenceNumber, 1));
    EXPECT_EQ(0, host->PrgSetItemAttribute(layer, 3, QMK_SequenceNumber, 9));
    host->DeleteSelected();
    EXPECT_EQ((std::vector<int>{2, 1}), Order());
    EXPECT_EQ(0, host->PrgDeleteAll(layer));
    EXPECT_TRUE(Order().empty());

    const std::vector<ChannelCall> expected = {
        {Channel_AnnotateEvent, {QMK_AnnotationSelected, 3}},
        {Channel_ItemChanged, {layer, 3, QMK_Selected}},
        {Channel_AnnotateEvent, {QMK_AnnotationDeleted, 9}},
        {Channel_AnnotateEvent, {QMK_AnnotationDeleted, 2}},
        {Channel_AnnotateEvent, {QMK_AnnotationDeleted, 1}},
        {Channel_AnnotateEvent, {QMK_ToolChange, PointerTool}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
}

TEST_F(DrawnItems, DrawnItemsArePaintedAndBurntIntoTheImage)
{
    ASSERT_EQ(0, host->SetToolAttribute(layer, RectangleTool, QMK_PenWidth, 3));
    ASSERT_EQ(0, host->SetToolAttribute(layer, RectangleTool, QMK_PenColor, RGB(0, 0, 255)));
    ASSERT_EQ(0, host->SetToolAttribute(layer, RectangleTool, QMK_FillColor, RGB(255, 0, 0)));
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    window.Drag(host.Engine(), 100, 100, 200, 150);
    ASSERT_EQ(0, host->SetToolAttribute(layer, EllipseTool, QMK_FillColor, RGB(0, 128, 0)));
    ASSERT_EQ(0, host->SetTool(layer, EllipseTool));
    window.Drag(host.Engine(), 300, 100, 400, 200);

    ExpectPaintedAndBurnt(host, {
        {"inside the filled rectangle", 150, 125, RGB(255, 0, 0)},
        {"the rectangle's pen, 3 wide", 102, 125, RGB(0, 0, 255)},
        {"past the pen", 103, 125, RGB(255, 0, 0)},
        {"outside the rectangle", 99, 125, RGB(255, 255, 255)},
        {"inside the ellipse", 350, 150, RGB(0, 128, 0)},
        {"outside the ellipse's corner", 303, 103, RGB(255, 255, 255)},
    });
    EXPECT_EQ(RGB(255, 255, 255), PixelOf24(host.Services().picture, 150, 125))
        << "the host's own image stays as it was";
}

// The points of an item in pixels, as the interface gives them.
std::vector<POINT> PointsOf(AnnotationEngine* engine, int layer, int seq)
{
    std::vector<POINT> points;
    POINT p = {};
    for (int i = 0; i < 1000 && engine->PrgGetItemPoint(layer, seq, i, &p) == 0; ++i)
        points.push_back(p);
    return points;
}

std::string Text(const std::vector<POINT>& points)
{
    std::string text;
    for (const POINT& p : points)
        text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return text;
}

TEST_F(DrawnItems, AFreehandStrokeKeepsEveryPointItWasDrawnThroughWhileAPolylineDropsItsRubberPoint)
{
    struct Case {
        const char* name;
        int tool;
        std::vector<POINT> points;  // of the item made
    };
    const Case cases[] = {
        {"freehand", FreehandTool, {{100, 100}, {140, 110}, {180, 150}, {220, 200}}},
        {"polyline", PolyLineTool, {{300, 100}, {350, 140}, {420, 120}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host->PrgDeleteAll(layer);
        ASSERT_EQ(0, host->SetToolAttribute(layer, c.tool, QMK_PenWidth, 3));
        ASSERT_EQ(0, host->SetToolAttribute(layer, c.tool, QMK_PenColor, RGB(0, 0, 255)));
        ASSERT_EQ(0, host->SetTool(layer, c.tool));
        const POINT first = c.points.front();
        const POINT last = c.points.back();
        if (c.tool == FreehandTool) {
            // Pressed at the first point, moved through the others, let go at the last.
            Press(first.x, first.y);
            for (size_t i = 1; i < c.points.size(); ++i)
                MoveTo(c.points[i].x, c.points[i].y);
            Release(last.x, last.y);
        } else {
            // A click at each point, the mouse moved to it first (the
            // rubber point follows it), and a double click at the last.
            for (const POINT& p : c.points) {
                MoveTo(p.x, p.y, 0);
                Press(p.x, p.y);
                Release(p.x, p.y);
            }
            window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, last.x, last.y);
            Release(last.x, last.y);
        }
        const std::vector<int> items = Order();
        ASSERT_EQ(1u, items.size());
        const std::vector<POINT> read = PointsOf(host.Engine(), layer, items[0]);
        ASSERT_EQ(c.points.size(), read.size()) << Text(read);
        for (size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(c.points[i].x, read[i].x) << i << ": " << Text(read);
            EXPECT_EQ(c.points[i].y, read[i].y) << i << ": " << Text(read);
        }

        // The last segment is still there at the next repaint.
        const POINT before = c.points[c.points.size() - 2];
        const int mx = (before.x + last.x) / 2, my = (before.y + last.y) / 2;
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        bool inked = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                inked = inked || canvas.At(mx + dx, my + dy) == RGB(0, 0, 255);
        EXPECT_TRUE(inked) << "the last segment, about (" << mx << "," << my << ")";
    }
}

} // namespace

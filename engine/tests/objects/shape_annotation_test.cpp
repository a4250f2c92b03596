// Rectangles and ellipses: painted into a DIB section and read back, hit
// tested, drawn out, moved and resized with the mouse, clamped by the layer.
#include <gtest/gtest.h>

#include "object_test_support.h"

namespace {

using namespace objects_test;

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

void Set(Annotation& item, int code, int value) {
    bool changed = false;
    ASSERT_EQ(item.SetAttribute(code, value, changed), 0) << code;
}

// ---- painting ------------------------------------------------------------------------

TEST(ShapeDrawing, AFilledRectangleAndItsOutline) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 10, 50, 40));
    Set(*item, QMK_PenWidth, 2);
    DibCanvas canvas(100, 100);
    EXPECT_EQ(item->Draw(canvas.dc(), PaintArguments()), 1);
    EXPECT_EQ(canvas.At(30, 25), RGB(0, 255, 0)) << "fill colour inside";
    EXPECT_EQ(canvas.At(10, 25), RGB(0, 0, 255)) << "pen 0xFF0000 is blue";
    EXPECT_EQ(canvas.At(11, 25), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(12, 25), RGB(0, 255, 0)) << "the pen lies inside the frame";
    EXPECT_EQ(canvas.At(49, 25), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(50, 25), RGB(255, 255, 255)) << "right edge outside";
    EXPECT_EQ(canvas.At(9, 25), RGB(255, 255, 255));
}

TEST(ShapeDrawing, APenOfWidthThreeAtZoomTwo) {
    TestView view(2);
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 10, 50, 40));
    Set(*item, QMK_PenWidth, 3);
    DibCanvas canvas(120, 100);
    EXPECT_EQ(item->Draw(canvas.dc(), PaintArguments()), 1);
    // The frame is at window 20..100; the pen is 6 pixels wide inside it.
    for (int x = 20; x < 26; ++x) EXPECT_EQ(canvas.At(x, 50), RGB(0, 0, 255)) << x;
    EXPECT_EQ(canvas.At(26, 50), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(19, 50), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(94, 50), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(93, 50), RGB(0, 255, 0));
}

TEST(ShapeDrawing, AnEllipseLeavesTheCornersOfItsRectangle) {
    TestView view;
    auto item = MakeShape(EllipseTool, view, nullptr, LayerRect(10, 10, 70, 50));
    Set(*item, QMK_PenWidth, 0);
    DibCanvas canvas(100, 100);
    EXPECT_EQ(item->Draw(canvas.dc(), PaintArguments()), 1);
    EXPECT_EQ(canvas.At(40, 30), RGB(0, 255, 255)) << "ellipse fill 0xFFFF00 (cyan)";
    EXPECT_EQ(canvas.At(12, 12), RGB(255, 255, 255)) << "corner outside the ellipse";
    EXPECT_EQ(canvas.At(67, 47), RGB(255, 255, 255));
}

TEST(ShapeDrawing, BackStylesHatchesAndHighlight) {
    TestView view;
    DibCanvas canvas(100, 100);

    // Transparent without a pen draws nothing.
    auto none = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 10, 50, 50));
    Set(*none, QMK_BackStyle, 3001);
    Set(*none, QMK_PenWidth, 0);
    EXPECT_EQ(none->Draw(canvas.dc(), PaintArguments()), -1);
    EXPECT_EQ(canvas.At(30, 30), RGB(255, 255, 255));

    // Transparent with a pen draws the outline only.
    Set(*none, QMK_PenWidth, 1);
    EXPECT_EQ(none->Draw(canvas.dc(), PaintArguments()), 1);
    EXPECT_EQ(canvas.At(30, 30), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(10, 30), RGB(0, 0, 255));

    // A hatch on an opaque item: hatch lines over the fill colour.
    canvas.Fill(RGB(255, 255, 255));
    auto hatched = MakeShape(RectangleTool, view, nullptr, LayerRect(0, 0, 64, 64));
    Set(*hatched, QMK_HatchStyle, 6005);
    Set(*hatched, QMK_HatchColor, RGB(255, 0, 0));
    Set(*hatched, QMK_PenWidth, 0);
    EXPECT_EQ(hatched->Draw(canvas.dc(), PaintArguments()), 1);
    int red = 0, green = 0, other = 0;
    for (int y = 8; y < 56; ++y)
        for (int x = 8; x < 56; ++x) {
            const COLORREF c = canvas.At(x, y);
            if (c == RGB(255, 0, 0)) ++red;
            else if (c == RGB(0, 255, 0)) ++green;
            else ++other;
        }
    EXPECT_GT(red, 0);
    EXPECT_GT(green, red);
    EXPECT_EQ(other, 0);

    // A highlight tints what lies beneath: destination AND fill.
    canvas.Fill(RGB(0, 128, 255));
    auto highlight = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 10, 50, 50));
    Set(*highlight, QMK_HighlightFill, 1);
    Set(*highlight, QMK_FillColor, RGB(255, 255, 0));
    Set(*highlight, QMK_PenWidth, 0);
    EXPECT_EQ(highlight->Draw(canvas.dc(), PaintArguments()), 1);
    EXPECT_EQ(canvas.At(30, 30), RGB(0, 128, 0));
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 128, 255));
    EXPECT_EQ(GetROP2(canvas.dc()), R2_COPYPEN) << "the device's mix mode is restored";
}

TEST(ShapeDrawing, TheHostDrawsAUserDrawnRectangle) {
    TestView view(2);
    RecordingOwner owner;
    auto item = MakeShape(RectangleTool, view, &owner, LayerRect(10, 5, 30, 25));
    item->SetSequenceNumber(4);
    Set(*item, QMK_UserDraw, 1);
    Set(*item, QMK_UserLong, 77);
    DibCanvas canvas(100, 100);
    EXPECT_EQ(item->Draw(canvas.dc(), PaintArguments()), 0);
    ASSERT_EQ(owner.userDraws.size(), 1u);
    const RecordingOwner::UserDrawCall& call = owner.userDraws[0];
    EXPECT_EQ(call.x, 20);
    EXPECT_EQ(call.y, 10);
    EXPECT_EQ(call.width, 40);
    EXPECT_EQ(call.height, 40);
    EXPECT_EQ(call.seq, 4);
    EXPECT_EQ(call.userLong, 77);
    EXPECT_EQ(canvas.At(40, 30), RGB(255, 255, 255)) << "the engine draws nothing itself";
}

TEST(ShapeDrawing, ASelectedItemShowsItsHandles) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(20, 20, 60, 60));
    Set(*item, QMK_Selected, 1);
    DibCanvas canvas(100, 100);
    item->Draw(canvas.dc(), PaintArguments());
    EXPECT_EQ(canvas.At(17, 17), RGB(0, 0, 0)) << "top-left handle square";
    EXPECT_EQ(canvas.At(40, 17), RGB(0, 0, 0)) << "top-middle handle square";
    Set(*item, QMK_ShowHandles, 0);
    canvas.Fill(RGB(255, 255, 255));
    item->Draw(canvas.dc(), PaintArguments());
    EXPECT_EQ(canvas.At(17, 17), RGB(255, 255, 255));
}

// ---- hit testing -----------------------------------------------------------------------

TEST(ShapeHitTest, EdgesCornersAndTheInscribedEllipse) {
    TestView view;
    const RECT bounds = LayerRect(100, 100, 200, 160);
    auto rectangle = MakeShape(RectangleTool, view, nullptr, bounds);
    auto ellipse = MakeShape(EllipseTool, view, nullptr, bounds);
    struct Case {
        const char* name;
        POINT point;
        bool rectangle, ellipse;
    };
    const Case cases[] = {
        {"centre", {LX(150), LY(130)}, true, true},
        {"left edge", {LX(100), LY(130)}, true, true},
        {"top edge", {LX(150), LY(100)}, true, true},
        {"right edge", {LX(200), LY(130)}, false, false},
        {"bottom edge", {LX(150), LY(160)}, false, false},
        {"just inside the right edge", {LX(200) - 1, LY(130)}, true, true},
        {"top-left corner", {LX(101), LY(101)}, true, false},
        {"bottom-right corner", {LX(199), LY(159)}, true, false},
        {"outside", {LX(99), LY(130)}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rectangle->HitTest(c.point.x, c.point.y), c.rectangle);
        EXPECT_EQ(ellipse->HitTest(c.point.x, c.point.y), c.ellipse);
    }
}

TEST(ShapeHitTest, AnEllipseSpanningTheWholeImageAnswersAnalytically) {
    TestView view;
    constexpr int N = Annotation::kLayerUnitsFull;
    auto ellipse = MakeShape(EllipseTool, view, nullptr, RECT{0, 0, N, N});
    EXPECT_TRUE(ellipse->HitTest(N / 2, N / 2));
    EXPECT_FALSE(ellipse->HitTest(N / 20, N / 20));
    EXPECT_TRUE(ellipse->HitTest(1, N / 2));
}

TEST(ShapeHitTest, HandlesOfASizeableItem) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(100, 100, 200, 160));
    const POINT handles[8] = {{100, 100}, {200, 100}, {100, 160}, {200, 160},
                              {100, 130}, {200, 130}, {150, 100}, {150, 160}};
    for (int h = 0; h < 8; ++h)
        EXPECT_EQ(item->HitHandle(nullptr, WM_MOUSEMOVE, LX(handles[h].x + 1), LY(handles[h].y - 1)), h);
    EXPECT_EQ(item->HitHandle(nullptr, WM_MOUSEMOVE, LX(150), LY(130)), -1);
    Set(*item, QMK_Sizeable, 0);
    EXPECT_EQ(item->HitHandle(nullptr, WM_MOUSEMOVE, LX(100), LY(100)), -1);
}

// ---- the mouse -------------------------------------------------------------------------

void Press(ShapeAnnotation& item, HWND window, int x, int y) {
    item.HandleMouse(window, WM_LBUTTONDOWN, MK_LBUTTON, LX(x), LY(y), nullptr);
}

int MoveTo(ShapeAnnotation& item, HWND window, int x, int y) {
    int code = -7;
    item.HandleMouse(window, WM_MOUSEMOVE, MK_LBUTTON, LX(x), LY(y), &code);
    return code;
}

void Release(ShapeAnnotation& item, HWND window, int x, int y) {
    item.HandleMouse(window, WM_LBUTTONUP, 0, LX(x), LY(y), nullptr);
}

TEST(ShapeMouse, ResizeByEachOfTheEightHandles) {
    struct Case {
        int handle;
        POINT grab;
        POINT drop;
        RECT expected;  // pixels
        int handleAfter;
    };
    // The item is (100, 100, 200, 160).
    const Case cases[] = {
        {0, {100, 100}, {90, 80}, {90, 80, 200, 160}, 0},
        {1, {200, 100}, {230, 110}, {100, 110, 230, 160}, 1},
        {2, {100, 160}, {120, 170}, {120, 100, 200, 170}, 2},
        {3, {200, 160}, {250, 200}, {100, 100, 250, 200}, 3},
        {4, {100, 130}, {80, 150}, {80, 100, 200, 160}, 4},
        {5, {200, 130}, {210, 10}, {100, 100, 210, 160}, 5},
        {6, {150, 100}, {0, 90}, {100, 90, 200, 160}, 6},
        {7, {150, 160}, {150, 165}, {100, 100, 200, 165}, 7},
        // Past the opposite edges: the drag goes on with the mirrored handle.
        {0, {100, 100}, {250, 190}, {200, 160, 250, 190}, 3},
        {1, {200, 100}, {50, 100}, {50, 100, 100, 160}, 0},
        {2, {100, 160}, {100, 50}, {100, 50, 200, 100}, 0},
        {4, {100, 130}, {260, 130}, {200, 100, 260, 160}, 5},
        {6, {150, 100}, {150, 300}, {100, 160, 200, 300}, 7},
    };
    TestView view;
    TestWindow window(1024, 512);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "handle " << c.handle << " to " << c.drop.x << "," << c.drop.y);
        RecordingOwner owner;
        auto item = MakeShape(RectangleTool, view, &owner, LayerRect(100, 100, 200, 160));
        Set(*item, QMK_Selected, 1);
        Press(*item, window.hwnd(), c.grab.x, c.grab.y);
        ASSERT_TRUE(item->IsTracking());
        ASSERT_EQ(item->DragHandle(), c.handle);
        EXPECT_EQ(MoveTo(*item, window.hwnd(), c.drop.x, c.drop.y), QMK_AnnotationMoved);
        EXPECT_TRUE(Same(item->Bounds(), LayerRect(c.expected.left, c.expected.top, c.expected.right,
                                                   c.expected.bottom)));
        EXPECT_EQ(item->DragHandle(), c.handleAfter);
        EXPECT_FALSE(owner.invalidated.empty());
        Release(*item, window.hwnd(), c.drop.x, c.drop.y);
        EXPECT_FALSE(item->IsTracking());
        EXPECT_TRUE(owner.completions.empty());
    }
}

TEST(ShapeMouse, DraggingTheTopLeftHandlePastTheBottomRightKeepsGoing) {
    TestView view;
    TestWindow window(1024, 512);
    RecordingOwner owner;
    auto item = MakeShape(RectangleTool, view, &owner, LayerRect(100, 100, 200, 160));
    Set(*item, QMK_Selected, 1);
    Press(*item, window.hwnd(), 100, 100);
    MoveTo(*item, window.hwnd(), 250, 200);
    EXPECT_EQ(item->DragHandle(), 3);
    MoveTo(*item, window.hwnd(), 300, 220);
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(200, 160, 300, 220)));
    Release(*item, window.hwnd(), 300, 220);
}

TEST(ShapeMouse, MovingTheBodyOfASelectedItem) {
    TestView view;
    TestWindow window(1024, 512);
    RecordingOwner owner;
    auto item = MakeShape(EllipseTool, view, &owner, LayerRect(100, 100, 200, 160));
    Set(*item, QMK_Selected, 1);
    Press(*item, window.hwnd(), 150, 130);
    EXPECT_EQ(item->DragHandle(), -1);
    MoveTo(*item, window.hwnd(), 160, 120);
    MoveTo(*item, window.hwnd(), 170, 125);
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(120, 95, 220, 155)));
    Release(*item, window.hwnd(), 170, 125);
    EXPECT_FALSE(item->IsTracking());
}

TEST(ShapeMouse, DrawingANewItemWithTheMouse) {
    TestView view;
    TestWindow window(600, 400);
    struct Case {
        const char* name;
        POINT press, release;
        bool created;
    };
    const Case cases[] = {
        {"a drag", {10, 20}, {110, 80}, true},
        {"a drag up and left", {110, 80}, {10, 20}, true},
        {"a click without a drag", {10, 20}, {10, 20}, false},
        {"no height", {10, 20}, {110, 20}, false},
        {"released outside the client area", {10, 20}, {700, 80}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingOwner owner;
        auto item = std::make_unique<ShapeAnnotation>(RectangleTool, ToolMap(RectangleTool));
        item->Link(&owner, &view.mapping);
        Press(*item, window.hwnd(), c.press.x, c.press.y);
        ASSERT_TRUE(item->IsTracking());
        EXPECT_EQ(MoveTo(*item, window.hwnd(), c.release.x, c.release.y), 0);
        EXPECT_TRUE(item->HitTest(LX((c.press.x + c.release.x) / 2), LY((c.press.y + c.release.y) / 2)) ||
                    !c.created);
        Release(*item, window.hwnd(), c.release.x, c.release.y);
        EXPECT_FALSE(item->IsTracking());
        if (c.created) {
            ASSERT_EQ(owner.completions.size(), 1u);
            EXPECT_EQ(owner.completions[0].item, item.get());
            EXPECT_TRUE(owner.completions[0].recreate);
            EXPECT_TRUE(owner.completions[0].notify);
            EXPECT_TRUE(Same(item->Bounds(), LayerRect(10, 20, 110, 80)));
        } else {
            EXPECT_TRUE(owner.completions.empty());
            EXPECT_FALSE(item->CreationUnderway()) << "the pending object is ready again";
            DibCanvas canvas(8, 8);
            EXPECT_EQ(item->Draw(canvas.dc(), PaintArguments()), -1);
        }
    }
}

TEST(ShapeMouse, TheRubberBandIsDrawnAndCancelled) {
    TestView view;
    TestWindow window(600, 400);
    RecordingOwner owner;
    auto item = std::make_unique<ShapeAnnotation>(EllipseTool, ToolMap(EllipseTool));
    item->Link(&owner, &view.mapping);
    Press(*item, window.hwnd(), 10, 10);
    MoveTo(*item, window.hwnd(), 70, 50);
    DibCanvas canvas(100, 100);
    EXPECT_EQ(item->Draw(canvas.dc(), PaintArguments()), 1);
    EXPECT_EQ(canvas.At(40, 30), RGB(0, 255, 255));
    EXPECT_EQ(canvas.At(12, 12), RGB(255, 255, 255));
    int code = -1;
    item->CancelTracking(&code);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(item->IsTracking());
    EXPECT_FALSE(item->CreationUnderway());
    EXPECT_TRUE(owner.completions.empty());
}

// ---- moves by the layer and the image ---------------------------------------------

TEST(ShapeMoves, MoveByIsClampedToTheImage) {
    constexpr int N = Annotation::kLayerUnitsFull;
    struct Case {
        const char* name;
        RECT start;
        int dx, dy;
        RECT expected;
    };
    const Case cases[] = {
        {"free move", {LX(10), LY(10), LX(20), LY(20)}, LX(5), LY(-5), {LX(15), LY(5), LX(25), LY(15)}},
        {"at the right edge", {N - LX(10), LY(10), N, LY(20)}, LX(5), 0, {N - LX(10), LY(10), N, LY(20)}},
        {"into the left edge", {LX(3), LY(10), LX(13), LY(20)}, LX(-5), 0, {0, LY(10), LX(10), LY(20)}},
        {"past the bottom", {LX(3), N - LY(12), LX(13), N - LY(2)}, 0, LY(5), {LX(3), N - LY(10), LX(13), N}},
    };
    TestView view;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto item = MakeShape(RectangleTool, view, nullptr, c.start);
        RECT invalid = {};
        item->MoveBy(c.dx, c.dy, invalid);
        EXPECT_TRUE(Same(item->Bounds(), c.expected));
        EXPECT_TRUE(Same(invalid, c.expected));
    }
    auto selected = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 10, 20, 20));
    Set(*selected, QMK_Selected, 1);
    RECT invalid = {};
    selected->MoveBy(0, 0, invalid);
    EXPECT_LT(invalid.left, LX(10)) << "the handles are part of the dirty area";
}

TEST(ShapeMoves, RotatingAndMirroringTheImageMovesTheItem) {
    TestView view;
    DibCanvas canvas(1024, 512);
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 20, 60, 50));
    Set(*item, QMK_PenWidth, 0);
    item->MirrorInImage();
    item->Draw(canvas.dc(), PaintArguments());
    EXPECT_EQ(canvas.At(1024 - 30, 35), RGB(0, 255, 0)) << "now on the right";
    EXPECT_EQ(canvas.At(30, 35), RGB(255, 255, 255));
    item->MirrorInImage();
    item->FlipInImage();
    canvas.Fill(RGB(255, 255, 255));
    item->Draw(canvas.dc(), PaintArguments());
    EXPECT_EQ(canvas.At(30, 512 - 35), RGB(0, 255, 0)) << "now at the bottom";

    // Set through the bounds attribute, the anchor follows: a later
    // recomputation keeps the item where it was moved.
    bool changed = false;
    const RECT moved = LayerRect(300, 100, 400, 200);
    item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&moved), changed);
    item->RotateInImage(90);
    RECT expected = {moved.top, Annotation::kLayerUnitsFull - moved.right, moved.bottom,
                     Annotation::kLayerUnitsFull - moved.left};
    EXPECT_TRUE(Same(item->Bounds(), expected));
}

TEST(ShapeAttributes, SettingTheBoundsMovesTheAnchorAndInvalidatesBothPlaces) {
    TestView view;
    RecordingOwner owner;
    auto item = MakeShape(RectangleTool, view, &owner, LayerRect(10, 10, 20, 20));
    item->Attach();
    const RECT moved = LayerRect(40, 40, 50, 50);
    bool changed = false;
    EXPECT_EQ(item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&moved), changed), 0);
    EXPECT_TRUE(changed);
    EXPECT_TRUE(Same(item->Anchor(), moved));
    ASSERT_EQ(owner.invalidated.size(), 1u);
    const RECT both = LayerRect(10, 10, 50, 50);
    EXPECT_TRUE(Same(owner.invalidated[0], both));
    item->RecomputeBounds();
    EXPECT_TRUE(Same(item->Bounds(), moved));
    EXPECT_EQ(item->SetAttribute(QMK_BoundingRect, 0, changed), QMK_ErrInvalidAttribute);
}

} // namespace

// The shared drawing operations: layer units mapped to the view, and pens and
// brushes made from attribute values.
#include <gtest/gtest.h>

#include "objects/drawing_primitives.h"
#include "object_test_support.h"

namespace {

using namespace objects_test;

LOGPEN PenOf(HPEN pen) {
    LOGPEN info = {};
    EXPECT_EQ(GetObjectA(pen, sizeof(info), &info), static_cast<int>(sizeof(info)));
    DeleteObject(pen);
    return info;
}

TEST(DrawingPrimitives, PensFromAttributeValues) {
    struct Case {
        const char* name;
        int zoom;
        int width;
        COLORREF color;
        int style;
        UINT expectedStyle;
        int expectedWidth;
    };
    const Case cases[] = {
        {"width 0 is a null pen", 1, 0, RGB(1, 2, 3), 5000, PS_NULL, 0},
        {"no colour is a null pen", 1, 3, static_cast<COLORREF>(-1), 5001, PS_NULL, 0},
        {"width -1 is one pixel", 2, -1, RGB(1, 2, 3), 5000, PS_SOLID, 1},
        {"plain width", 1, 3, RGB(1, 2, 3), 5000, PS_SOLID, 3},
        {"width 3 at zoom 2", 2, 3, RGB(1, 2, 3), 6, PS_INSIDEFRAME, 6},
        {"dash", 1, 1, RGB(1, 2, 3), 5001, PS_DASH, 1},
        {"dash dot dot", 1, 1, RGB(1, 2, 3), 5004, PS_DASHDOTDOT, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestView view(c.zoom);
        DrawingPrimitives primitives(view.mapping);
        const LOGPEN pen = PenOf(primitives.MakePen(c.width, c.color, c.style));
        EXPECT_EQ(pen.lopnStyle, c.expectedStyle);
        if (c.expectedStyle != PS_NULL) {
            EXPECT_EQ(pen.lopnWidth.x, c.expectedWidth);
            EXPECT_EQ(pen.lopnColor, c.color);
        }
    }
}

TEST(DrawingPrimitives, BrushesFromAttributeValues) {
    struct Case {
        const char* name;
        int backStyle;
        int hatch;
        UINT style;
        COLORREF color;
        ULONG_PTR hatchIndex;
    };
    const Case cases[] = {
        {"transparent is hollow", 3001, 6002, BS_NULL, 0, 0},
        {"solid in the fill colour", 3002, 5999, BS_SOLID, RGB(10, 20, 30), 0},
        {"translucent fills too", 3003, 5999, BS_SOLID, RGB(10, 20, 30), 0},
        {"hatched in the hatch colour", 3002, 6005, BS_HATCHED, RGB(200, 0, 9), HS_DIAGCROSS},
        {"horizontal hatch", 3002, 6000, BS_HATCHED, RGB(200, 0, 9), HS_HORIZONTAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HBRUSH brush = DrawingPrimitives::MakeBrush(nullptr, c.backStyle, RGB(10, 20, 30), c.hatch,
                                                    RGB(200, 0, 9));
        LOGBRUSH info = {};
        ASSERT_EQ(GetObjectA(brush, sizeof(info), &info), static_cast<int>(sizeof(info)));
        EXPECT_EQ(info.lbStyle, c.style);
        if (c.style != BS_NULL) {
            EXPECT_EQ(info.lbColor, c.color);
        }
        if (c.style == BS_HATCHED) {
            EXPECT_EQ(info.lbHatch, c.hatchIndex);
        }
        DeleteObject(brush);
    }
}

TEST(DrawingPrimitives, PaletteColoursArePaletteRelative) {
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[2];
    } palette = {};
    palette.header.palVersion = 0x300;
    palette.header.palNumEntries = 3;
    palette.header.palPalEntry[0] = {0, 0, 0, 0};
    palette.more[0] = {250, 0, 0, 0};
    palette.more[1] = {0, 0, 250, 0};
    HPALETTE handle = CreatePalette(&palette.header);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(DrawingPrimitives::PaletteColor(handle, RGB(255, 0, 0)), PALETTEINDEX(1));
    EXPECT_EQ(DrawingPrimitives::PaletteColor(handle, RGB(0, 0, 240)), PALETTEINDEX(2));
    EXPECT_EQ(DrawingPrimitives::PaletteColor(nullptr, RGB(0, 0, 240)), RGB(0, 0, 240));
    HBRUSH brush = DrawingPrimitives::MakeBrush(handle, 3002, RGB(255, 0, 0), 5999, 0);
    LOGBRUSH info = {};
    GetObjectA(brush, sizeof(info), &info);
    EXPECT_EQ(info.lbColor, PALETTEINDEX(1));
    DeleteObject(brush);
    DeleteObject(handle);
}

TEST(DrawingPrimitives, ShapesAreDrawnWhereTheViewShowsThem) {
    TestView view(2);
    DrawingPrimitives primitives(view.mapping);
    DibCanvas canvas(120, 120);
    SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
    // Image pixels 10..20 at zoom 2 are window pixels 20..40.
    primitives.DrawRectangle(canvas.dc(), LayerRect(10, 10, 20, 20));
    EXPECT_EQ(canvas.At(25, 25), RGB(0, 0, 0));
    EXPECT_EQ(canvas.At(15, 25), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(45, 25), RGB(255, 255, 255));

    primitives.DrawEllipse(canvas.dc(), LayerRect(30, 10, 50, 30));
    EXPECT_EQ(canvas.At(80, 40), RGB(0, 0, 0)) << "centre";
    EXPECT_EQ(canvas.At(62, 22), RGB(255, 255, 255)) << "corner outside the ellipse";

    SelectObject(canvas.dc(), GetStockObject(BLACK_PEN));
    primitives.MoveToPoint(canvas.dc(), POINT{LX(5), LY(55)});
    primitives.LineToPoint(canvas.dc(), POINT{LX(50), LY(55)});
    EXPECT_EQ(canvas.At(50, 110), RGB(0, 0, 0));
}

TEST(DrawingPrimitives, RegionsAreInWindowPixels) {
    TestView view(2);
    DrawingPrimitives primitives(view.mapping);
    HRGN ellipse = primitives.EllipseRegion(LayerRect(0, 0, 100, 50));
    RECT box = {};
    GetRgnBox(ellipse, &box);
    EXPECT_LE(box.right, 200);
    EXPECT_GE(box.right, 198);
    EXPECT_TRUE(primitives.PointInRegion(ellipse, POINT{LX(50), LY(25)}));
    EXPECT_FALSE(primitives.PointInRegion(ellipse, POINT{LX(2), LY(2)}));
    DeleteObject(ellipse);
    HRGN rect = primitives.RectRegion(LayerRect(0, 0, 100, 50));
    EXPECT_TRUE(primitives.PointInRegion(rect, POINT{LX(2), LY(2)}));
    EXPECT_FALSE(primitives.PointInRegion(rect, POINT{LX(100), LY(2)}));
    DeleteObject(rect);
}

TEST(DrawingPrimitives, HandleSquaresAroundPoints) {
    TestView view;
    DrawingPrimitives primitives(view.mapping);
    const POINT points[] = {{LX(10), LY(10)}, {LX(100), LY(100)}, {LX(102), LY(100)}};
    EXPECT_EQ(primitives.HandleAt(points, 3, POINT{LX(12), LY(8)}), 0);
    EXPECT_EQ(primitives.HandleAt(points, 3, POINT{LX(101), LY(101)}), 1) << "the first that holds it";
    EXPECT_EQ(primitives.HandleAt(points, 3, POINT{LX(105), LY(100)}), 2);
    EXPECT_EQ(primitives.HandleAt(points, 3, POINT{LX(14), LY(10)}), -1) << "right edge is outside";
    EXPECT_EQ(primitives.HandleAt(points, 0, POINT{LX(10), LY(10)}), -1);
}

TEST(DrawingPrimitives, PointsInTheWindowsClientArea) {
    TestView view;
    DrawingPrimitives primitives(view.mapping);
    TestWindow window(200, 100);
    ASSERT_NE(window.hwnd(), nullptr);
    EXPECT_TRUE(primitives.PointInWindow(window.hwnd(), POINT{LX(200), LY(100)}));
    EXPECT_TRUE(primitives.PointInWindow(window.hwnd(), POINT{0, 0}));
    EXPECT_FALSE(primitives.PointInWindow(window.hwnd(), POINT{LX(201), LY(50)}));
    EXPECT_FALSE(primitives.PointInWindow(window.hwnd(), POINT{-1, LY(50)}));
    EXPECT_FALSE(primitives.PointInWindow(nullptr, POINT{0, 0}));
}

TEST(DrawingPrimitives, TextInARectangleMeasuresWhenTheRightEdgeIsZero) {
    TestView view;
    DrawingPrimitives primitives(view.mapping);
    DibCanvas canvas(200, 100);
    RECT rect = {LX(10), LY(10), 0, 0};
    const int height = primitives.TextInRect(canvas.dc(), "Hello", 5, rect, DT_CALCRECT);
    EXPECT_GT(height, 0);
    EXPECT_GT(rect.right, LX(10));
    EXPECT_GT(rect.bottom, LY(10));
    EXPECT_EQ(GetTextAlign(canvas.dc()), 0u);
    SetTextAlign(canvas.dc(), TA_UPDATECP);
    RECT fixed = LayerRect(10, 10, 100, 50);
    primitives.TextInRect(canvas.dc(), "Hello", 5, fixed, DT_CALCRECT);
    EXPECT_EQ(GetTextAlign(canvas.dc()), static_cast<UINT>(TA_UPDATECP)) << "alignment restored";
    const RECT unchanged = LayerRect(10, 10, 100, 50);
    EXPECT_TRUE(EqualRect(&fixed, &unchanged));
}

TEST(DrawingPrimitives, AMemoryDeviceIsNotPostScript) {
    DibCanvas canvas(4, 4);
    EXPECT_FALSE(DrawingPrimitives::IsPostScriptDevice(canvas.dc()));
}

} // namespace

// Painting the layers through the engine's paint operation and burning them
// into the host's image. The engine object is made in-process so that the
// test can put items into its layers; every operation is called through the
// AnnotationEngine vtable, as a host calls it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine_object.h"
#include "view/image_brander.h"
#include "object_test_support.h"
#include "objects/point_list_annotation.h"
#include "objects/shape_annotation.h"
#include "settings/tool_defaults.h"

namespace {

using objects_test::DibCanvas;

constexpr int kFull = ViewMapping::kLayerUnitsFull;

// The host's view: the image of imageWidth x imageHeight shown from the
// window's origin at a whole-number zoom.
struct HostView {
    int imageWidth = 1024;
    int imageHeight = 512;
    int zoom = 1;
    SIZE shown = {};  // when set, the whole image shown at this size
    bool broken = false;  // a geometry without size
    RECT fixedViewTwips = {0, 0, 1024 * 15 / 2, 512 * 15 / 2};
    int fixedCalls = 0;
    HGLOBAL image = nullptr;
    BOOL mustFree = FALSE;
    std::vector<HGLOBAL> received;
};
HostView* g_host = nullptr;

int __stdcall GetView(HostCookie, int* kind, RECT* view, RECT* image, int* width, int* height)
{
    *kind = 0;
    *width = g_host->broken ? 0 : g_host->imageWidth;
    *height = g_host->imageHeight;
    *view = {0, 0, g_host->imageWidth * g_host->zoom, g_host->imageHeight * g_host->zoom};
    if (g_host->shown.cx)
        *view = {0, 0, g_host->shown.cx, g_host->shown.cy};
    *image = *view;
    return 0;
}

int __stdcall GetFixedView(HostCookie, int* kind, RECT* view, RECT*, int* width, int* height)
{
    ++g_host->fixedCalls;
    *kind = 0;
    *view = g_host->fixedViewTwips;
    *width = g_host->imageWidth;
    *height = g_host->imageHeight;
    return 0;
}

int __stdcall GetImage(HostCookie, HGLOBAL* image, BOOL* mustFree)
{
    *image = g_host->image;
    *mustFree = g_host->mustFree;
    return 0;
}

int __stdcall SetImage(HostCookie, HGLOBAL image)
{
    g_host->received.push_back(image);
    return 0;
}

// Layer rectangle of pixels (l, t, r, b) of a w x h image.
RECT PixelRect(int w, int h, int l, int t, int r, int b)
{
    return {MulDiv(l, kFull, w), MulDiv(t, kFull, h), MulDiv(r, kFull, w), MulDiv(b, kFull, h)};
}

class EnginePaint : public ::testing::Test {
protected:
    EnginePaint() : object(1, nullptr)
    {
        g_host = &host;
        object.LoadDefaults();
        engine()->SetHostGetViewGeometry(2, &GetView);
        engine()->SetHostGetFixedViewGeometry(2, &GetFixedView);
        defaults.LoadDefaults();
    }
    ~EnginePaint() override
    {
        for (HGLOBAL block : host.received)
            GlobalFree(block);
        if (host.image && !host.mustFree)
            GlobalFree(host.image);
        g_host = nullptr;
    }

    AnnotationEngine* engine() { return &object; }

    int Add(int layer, int tool, const RECT& bounds, int penWidth)
    {
        auto item = std::make_unique<ShapeAnnotation>(tool, *defaults.MapOf(tool));
        RECT copy = bounds;
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&copy), changed);
        item->SetAttribute(QMK_PenWidth, penWidth, changed);
        return object.FindLayer(layer)->AddItem(std::move(item), false, false);
    }
    // A rectangle at pixels of the 1024 x 512 image.
    int AddPixels(int layer, int tool, int l, int t, int r, int b, int penWidth)
    {
        return Add(layer, tool, PixelRect(1024, 512, l, t, r, b), penWidth);
    }

    HostView host;
    EngineObject object;
    ToolDefaults defaults;
};

// ---- painting through the engine --------------------------------------------------------

TEST_F(EnginePaint, EveryLayerIsPaintedOldestFirst)
{
    const int older = engine()->CreateLayer(1);
    const int newer = engine()->CreateLayer(1);
    AddPixels(older, RectangleTool, 10, 10, 50, 40, 0);  // green
    AddPixels(newer, EllipseTool, 10, 10, 50, 40, 0);    // cyan, over it
    AddPixels(older, RectangleTool, 60, 10, 90, 40, 0);
    DibCanvas canvas(120, 60);
    EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(canvas.At(30, 25), RGB(0, 255, 255)) << "the newer layer lies on top";
    EXPECT_EQ(canvas.At(11, 11), RGB(0, 255, 0)) << "the older layer shows at the corner";
    EXPECT_EQ(canvas.At(75, 25), RGB(0, 255, 0));
    EXPECT_EQ(canvas.At(100, 25), RGB(255, 255, 255));
}

TEST_F(EnginePaint, PixelsOfShapesAtZoomOneAndTwo)
{
    const int layer = engine()->CreateLayer(1);
    AddPixels(layer, RectangleTool, 10, 10, 50, 40, 3);
    AddPixels(layer, EllipseTool, 60, 10, 120, 50, 0);
    struct Probe {
        const char* name;
        int zoom;
        int x, y;
        COLORREF colour;
    };
    const Probe probes[] = {
        {"inside the filled rectangle", 1, 30, 25, RGB(0, 255, 0)},
        {"the rectangle's pen", 1, 10, 25, RGB(0, 0, 255)},
        {"outside the rectangle", 1, 9, 25, RGB(255, 255, 255)},
        {"inside the ellipse", 1, 90, 30, RGB(0, 255, 255)},
        {"outside the ellipse's corner", 1, 62, 12, RGB(255, 255, 255)},
        {"outside the ellipse's far corner", 1, 117, 47, RGB(255, 255, 255)},
        {"a pen of width 3 at zoom 2 is 6 wide", 2, 25, 50, RGB(0, 0, 255)},
        {"the fill past the zoomed pen", 2, 26, 50, RGB(0, 255, 0)},
        {"left of the zoomed frame", 2, 19, 50, RGB(255, 255, 255)},
        {"the zoomed pen on the right", 2, 94, 50, RGB(0, 0, 255)},
        {"inside the zoomed ellipse", 2, 180, 60, RGB(0, 255, 255)},
        {"outside the zoomed ellipse's corner", 2, 123, 23, RGB(255, 255, 255)},
    };
    for (int zoom : {1, 2}) {
        host.zoom = zoom;
        DibCanvas canvas(260, 120);
        EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);
        for (const Probe& probe : probes)
            if (probe.zoom == zoom) {
                EXPECT_EQ(canvas.At(probe.x, probe.y), probe.colour) << probe.name;
            }
    }
}

TEST_F(EnginePaint, ASelectedYokedGroupShowsTheHandlesOfItsRectangle)
{
    const int layer = engine()->CreateLayer(1);
    AddPixels(layer, RectangleTool, 100, 100, 200, 150, 1);
    AddPixels(layer, RectangleTool, 300, 100, 400, 200, 1);
    int group = 0;
    ASSERT_EQ(0, engine()->GrpCreateGroup(layer, nullptr, 0, &group));
    ASSERT_EQ(0, engine()->GrpAddItem(layer, group, 1));
    ASSERT_EQ(0, engine()->GrpAddItem(layer, group, 2));
    ASSERT_EQ(0, engine()->GrpSetYoked(layer, group, 1));
    // The inside of a handle's square (black) at the group's corners and the
    // middle of its top edge, where no item draws.
    const POINT handles[] = {{98, 98}, {402, 98}, {98, 202}, {402, 202}, {250, 98}};
    for (bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "selected" : "not selected");
        ASSERT_EQ(0, engine()->GrpSetSelected(layer, group, selected ? 1 : 0));
        DibCanvas canvas(420, 220);
        EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);
        for (const POINT& at : handles)
            EXPECT_EQ(canvas.At(at.x, at.y), selected ? RGB(0, 0, 0) : RGB(255, 255, 255))
                << at.x << "," << at.y;
    }
}

// What a paint must leave of the caller's device as it found it.
struct DeviceState {
    HGDIOBJ pen, brush, font;
    int mapMode, rop2, bkMode;
    UINT textAlign;
    RECT clip;
    int clipKind;
    bool operator==(const DeviceState& o) const
    {
        return pen == o.pen && brush == o.brush && font == o.font && mapMode == o.mapMode &&
               rop2 == o.rop2 && bkMode == o.bkMode && textAlign == o.textAlign &&
               EqualRect(&clip, &o.clip) && clipKind == o.clipKind;
    }
};

DeviceState StateOf(HDC dc)
{
    DeviceState state;
    state.pen = GetCurrentObject(dc, OBJ_PEN);
    state.brush = GetCurrentObject(dc, OBJ_BRUSH);
    state.font = GetCurrentObject(dc, OBJ_FONT);
    state.mapMode = GetMapMode(dc);
    state.rop2 = GetROP2(dc);
    state.bkMode = GetBkMode(dc);
    state.textAlign = GetTextAlign(dc);
    state.clipKind = GetClipBox(dc, &state.clip);
    return state;
}

TEST_F(EnginePaint, TheCallersDeviceStateIsRestoredOnEveryPath)
{
    struct Case {
        const char* name;
        bool layers;
        bool broken;
        int foreign;
    };
    const Case cases[] = {
        {"no layers", false, false, 0},
        {"a paint", true, false, 0},
        {"a view that cannot be refreshed", true, true, 0},
        {"a foreign device", true, false, 1},
    };
    for (const Case& c : cases) {
        EngineObject fresh(1, nullptr);
        fresh.LoadDefaults();
        AnnotationEngine* e = &fresh;
        e->SetHostGetViewGeometry(2, &GetView);
        e->SetHostGetFixedViewGeometry(2, &GetFixedView);
        if (c.layers) {
            const int layer = e->CreateLayer(1);
            auto item = std::make_unique<ShapeAnnotation>(RectangleTool, *defaults.MapOf(RectangleTool));
            RECT bounds = PixelRect(1024, 512, 10, 10, 50, 40);
            bool changed = false;
            item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
            item->SetAttribute(QMK_PenWidth, 2, changed);
            fresh.FindLayer(layer)->AddItem(std::move(item), false, false);
        }
        host.broken = c.broken;
        DibCanvas canvas(120, 60);
        HDC dc = canvas.dc();
        HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
        HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        SetROP2(dc, R2_XORPEN);
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_BASELINE | TA_CENTER);
        HRGN clip = CreateRectRgn(5, 5, 100, 50);
        SelectClipRgn(dc, clip);
        DeleteObject(clip);
        const DeviceState before = StateOf(dc);

        EXPECT_EQ(e->Paint(dc, nullptr, nullptr, 0, 0, 0, c.foreign), -1) << c.name;
        EXPECT_TRUE(StateOf(dc) == before) << c.name;
        if (c.layers && !c.broken && !c.foreign) {
            EXPECT_EQ(canvas.At(30, 25), RGB(0, 255, 0)) << c.name << ": painted inside the clip";
        }

        SelectClipRgn(dc, nullptr);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(pen);
        DeleteObject(brush);
    }
    host.broken = false;
}

TEST_F(EnginePaint, ItemsReachingIntoTheClipAreDrawnThere)
{
    // Items wholly outside the clip are passed over; those that reach into it
    // with their body or only with their selection handles still show there.
    const int layer = engine()->CreateLayer(1);
    AddPixels(layer, RectangleTool, 10, 10, 50, 40, 0);
    const int selected = AddPixels(layer, RectangleTool, 70, 10, 100, 40, 0);
    ASSERT_EQ(engine()->PrgSetItemAttribute(layer, selected, QMK_Selected, 1), 0);
    DibCanvas canvas(120, 60);
    HRGN clip = CreateRectRgn(40, 0, 68, 60);  // the first's right part, beside the second
    SelectClipRgn(canvas.dc(), clip);
    DeleteObject(clip);
    EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(canvas.At(45, 25), RGB(0, 255, 0)) << "the first rectangle's part in the clip";
    EXPECT_EQ(canvas.At(30, 25), RGB(255, 255, 255)) << "nothing outside the clip";
    EXPECT_NE(canvas.At(67, 10), RGB(255, 255, 255)) << "the second one's top-left handle";
}

TEST_F(EnginePaint, NothingIsDrawnWhenTheViewCannotBeRefreshed)
{
    const int layer = engine()->CreateLayer(1);
    AddPixels(layer, RectangleTool, 10, 10, 50, 40, 0);
    host.broken = true;
    DibCanvas canvas(60, 60);
    EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(canvas.At(30, 25), RGB(255, 255, 255));
}

TEST_F(EnginePaint, AForeignDeviceUsesTheFixedViewInTwips)
{
    const int layer = engine()->CreateLayer(1);
    AddPixels(layer, RectangleTool, 10, 10, 50, 40, 0);
    host.zoom = 2;  // the screen view, which a foreign paint must not use
    // Half the image size in twips at the canvas's 96 dots an inch: scale 1/2.
    DibCanvas canvas(120, 60);
    ASSERT_EQ(GetDeviceCaps(canvas.dc(), LOGPIXELSX), 96);
    EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 1), -1);
    EXPECT_EQ(host.fixedCalls, 1);
    EXPECT_EQ(canvas.At(15, 12), RGB(0, 255, 0)) << "inside the half-size rectangle";
    EXPECT_EQ(canvas.At(30, 12), RGB(255, 255, 255)) << "past its right edge at 25";
    EXPECT_EQ(canvas.At(15, 22), RGB(255, 255, 255)) << "past its bottom edge at 20";
}

// Every pixel of a canvas, row by row.
std::vector<uint32_t> Pixels(const DibCanvas& canvas, int width, int height)
{
    DIBSECTION section = {};
    const HGDIOBJ bitmap = GetCurrentObject(canvas.dc(), OBJ_BITMAP);
    if (GetObjectA(bitmap, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits)
        return {};
    const uint32_t* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
    return std::vector<uint32_t>(bits, bits + static_cast<size_t>(width) * height);
}

// Freehand marks, polylines and polygons whose neighbouring points fall on
// one pixel (sub-pixel steps, shown scaled down or at zoom 1) paint exactly
// the pixels of the plain drawing of every point with the same pen, brush
// and raster operation; at zoom 2 the pen is two pixels wide.
TEST_F(EnginePaint, PointListsPaintThePixelsOfEveryPointDrawnPlainly)
{
    struct Case {
        const char* name;
        int tool;
        int penWidth;
        int penStyle;    // the item's style, LinePenStyle_*
        int rop;         // the pen's raster operation (lines), R2_*
        bool filled;     // polygons: an opaque fill, else transparent
        bool highlight;  // polygons: the highlighting fill
        bool onePixel;   // every point on one pixel
    };
    const Case cases[] = {
        {"a freehand mark", FreehandTool, 1, LinePenStyle_Solid, R2_COPYPEN, false, false, false},
        {"a freehand mark in xor", FreehandTool, 1, LinePenStyle_Solid, R2_XORPEN, false, false, false},
        {"a dashed freehand mark inverting", FreehandTool, 2, LinePenStyle_Dash, R2_NOT, false, false, false},
        {"a dotted freehand mark", FreehandTool, 1, LinePenStyle_Dot, R2_COPYPEN, false, false, false},
        {"a dash-dot polyline in xor", PolyLineTool, 1, LinePenStyle_DashDot, R2_XORPEN, false, false, false},
        {"a freehand mark on one pixel", FreehandTool, 1, LinePenStyle_Solid, R2_NOT, false, false, true},
        {"a filled polygon", PolygonTool, 1, LinePenStyle_Solid, R2_COPYPEN, true, false, false},
        {"a hollow polygon", PolygonTool, 2, LinePenStyle_Solid, R2_COPYPEN, false, false, false},
        {"a highlighting polygon", PolygonTool, 1, LinePenStyle_Solid, R2_MASKPEN, true, true, false},
        {"a filled polygon on one pixel", PolygonTool, 1, LinePenStyle_Solid, R2_COPYPEN, true, false, true},
    };
    struct Shown {
        const char* name;
        int zoom;
        SIZE shown;
    };
    const Shown views[] = {{"scaled to 0.31", 1, {125, 94}}, {"at zoom 1", 1, {}}, {"at zoom 2", 2, {}}};
    host.imageWidth = 400;
    host.imageHeight = 300;
    const COLORREF background = RGB(200, 180, 120);
    const COLORREF penColor = RGB(40, 90, 250);
    const COLORREF fillColor = RGB(250, 60, 30);

    for (const Case& c : cases) {
        // A walk of sub-pixel steps (up to 1.2 pixels each way) from the middle
        // of the 400 x 300 image; the polygons take every tenth point.
        std::vector<POINT> points;
        unsigned seed = 7;
        const int stepX = kFull / 400 * 12 / 10, stepY = kFull / 300 * 12 / 10;
        int x = kFull / 2, y = kFull / 2;
        for (int i = 0; i < 400; ++i) {
            seed = seed * 1103515245u + 12345u;
            x += static_cast<int>((seed >> 8) % (2 * stepX + 1)) - stepX;
            seed = seed * 1103515245u + 12345u;
            y += static_cast<int>((seed >> 8) % (2 * stepY + 1)) - stepY;
            if (c.onePixel)
                points.push_back({kFull / 2 + i % 3, kFull / 2 + i % 5});
            else if (c.tool != PolygonTool || i % 10 == 0)
                points.push_back({x, y});
        }
        for (const Shown& view : views) {
            SCOPED_TRACE(std::string(c.name) + " " + view.name);
            host.zoom = view.zoom;
            host.shown = view.shown;
            EngineObject painter(1, nullptr);
            painter.LoadDefaults();
            painter.SetHostGetViewGeometry(2, &GetView);
            auto item = std::make_unique<PointListAnnotation>(c.tool, *defaults.MapOf(c.tool));
            item->SetPoints(static_cast<int>(points.size()), points.data());
            bool changed = false;
            ASSERT_EQ(item->SetAttribute(QMK_PenWidth, c.penWidth, changed), QMK_NoError);
            ASSERT_EQ(item->SetAttribute(QMK_PenColor, static_cast<EngineValue>(penColor), changed), QMK_NoError);
            if (c.tool == PolygonTool) {
                ASSERT_EQ(item->SetAttribute(QMK_FillColor, static_cast<EngineValue>(fillColor), changed),
                          QMK_NoError);
                ASSERT_EQ(item->SetAttribute(QMK_BackStyle, c.filled ? BackStyle_Opaque : BackStyle_Transparent,
                                             changed),
                          QMK_NoError);
                if (c.highlight) {
                    ASSERT_EQ(item->SetAttribute(QMK_HighlightFill, 1, changed), QMK_NoError);
                }
            } else {
                ASSERT_EQ(item->SetAttribute(QMK_PenStyle, c.penStyle, changed), QMK_NoError);
                ASSERT_EQ(item->SetAttribute(QMK_PenFillStyle, 5500 + c.rop, changed), QMK_NoError);
            }
            painter.FindLayer(painter.CreateLayer(1))->AddItem(std::move(item), false, false);

            const int width = host.shown.cx ? host.shown.cx : host.imageWidth * host.zoom;
            const int height = host.shown.cy ? host.shown.cy : host.imageHeight * host.zoom;
            DibCanvas painted(width, height);
            painted.Fill(background);
            ASSERT_EQ(painter.Paint(painted.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);

            // The same drawing by hand: every point mapped alone.
            ViewMapping& mapping = *painter.AsLayerHost().Mapping();
            DibCanvas plain(width, height);
            plain.Fill(background);
            std::vector<POINT> window;
            for (const POINT& p : points)
                window.push_back(mapping.LayerToWindow(p));
            const int penStyle = c.tool == PolygonTool ? PS_SOLID : c.penStyle - LinePenStyle_Solid;
            HPEN pen = CreatePen(penStyle, PaintTools::DeviceWidth(&mapping, c.penWidth), penColor);
            HBRUSH brush = c.filled ? CreateSolidBrush(fillColor) : static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
            const HGDIOBJ oldPen = SelectObject(plain.dc(), pen);
            const HGDIOBJ oldBrush = SelectObject(plain.dc(), brush);
            SetROP2(plain.dc(), c.rop);
            SetPolyFillMode(plain.dc(), WINDING);
            if (c.tool == PolygonTool)
                Polygon(plain.dc(), window.data(), static_cast<int>(window.size()));
            else
                Polyline(plain.dc(), window.data(), static_cast<int>(window.size()));
            SelectObject(plain.dc(), oldBrush);
            SelectObject(plain.dc(), oldPen);
            DeleteObject(pen);
            if (c.filled)
                DeleteObject(brush);

            const std::vector<uint32_t> got = Pixels(painted, width, height);
            const std::vector<uint32_t> wanted = Pixels(plain, width, height);
            ASSERT_EQ(got.size(), static_cast<size_t>(width) * height);
            ASSERT_EQ(wanted.size(), got.size());
            size_t differing = 0, drawn = 0;
            for (size_t i = 0; i < wanted.size(); ++i) {
                differing += got[i] != wanted[i];
                drawn += wanted[i] != wanted[0];  // the corner shows the background
            }
            EXPECT_EQ(differing, 0u) << "pixels that differ";
            if (!c.onePixel) {
                EXPECT_GT(drawn, 20u) << "the plain drawing draws something";
            }
        }
    }
    host.shown = {};
}

// ---- burning in ------------------------------------------------------------------------

constexpr int kBrandWidth = 64;
constexpr int kBrandHeight = 32;

// A white packed DIB of the brand size at a depth (greys in the table for 8
// bits, black and white for 1); top-down when asked.
HGLOBAL MakeImage(int depth, bool topDown)
{
    const int entries = depth <= 8 ? 1 << depth : 0;
    const int row = ((kBrandWidth * depth + 31) / 32) * 4;
    const SIZE_T size = sizeof(BITMAPINFOHEADER) + entries * 4 + row * kBrandHeight;
    HGLOBAL block = GlobalAlloc(GHND, size);
    BYTE* p = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = kBrandWidth;
    header.biHeight = topDown ? -kBrandHeight : kBrandHeight;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(depth);
    std::memcpy(p, &header, sizeof(header));
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(p + sizeof(header));
    for (int i = 0; i < entries; ++i) {
        const BYTE level = static_cast<BYTE>(i * 255 / (entries - 1));
        table[i] = {level, level, level, 0};
    }
    std::memset(p + sizeof(header) + entries * 4, 0xFF, row * kBrandHeight);
    GlobalUnlock(block);
    return block;
}

// The colour of a pixel of a packed DIB, through its colour table.
COLORREF PixelOf(const BYTE* dib, int x, int y)
{
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof(header));
    const int depth = header.biBitCount;
    const int entries = depth <= 8 ? 1 << depth : 0;
    const int row = ((header.biWidth * depth + 31) / 32) * 4;
    const int rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const int line = header.biHeight < 0 ? y : rows - 1 - y;
    const BYTE* bits = dib + header.biSize + entries * 4 + line * row;
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib + header.biSize);
    int index = 0;
    switch (depth) {
    case 1: index = (bits[x / 8] >> (7 - x % 8)) & 1; break;
    case 4: index = (bits[x / 2] >> (x % 2 ? 0 : 4)) & 15; break;
    case 8: index = bits[x]; break;
    case 24: return RGB(bits[3 * x + 2], bits[3 * x + 1], bits[3 * x]);
    default: return CLR_INVALID;
    }
    return RGB(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
}

class EngineBrand : public EnginePaint {
protected:
    EngineBrand()
    {
        engine()->SetHostGetImageDib(&GetImage);
        engine()->SetHostSetImageDib(&SetImage);
    }
    // A filled rectangle at pixels (8, 4, 40, 24) of the brand image, black pen.
    void AddRectangle()
    {
        const int layer = engine()->CreateLayer(1);
        auto item = std::make_unique<ShapeAnnotation>(RectangleTool, *defaults.MapOf(RectangleTool));
        RECT bounds = PixelRect(kBrandWidth, kBrandHeight, 8, 4, 40, 24);
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetAttribute(QMK_PenWidth, 2, changed);
        item->SetAttribute(QMK_PenColor, RGB(0, 0, 0), changed);
        item->SetAttribute(QMK_FillColor, fill, changed);
        object.FindLayer(layer)->AddItem(std::move(item), false, false);
    }
    COLORREF fill = RGB(255, 0, 0);
};

TEST_F(EngineBrand, WithoutLayersNothingIsAsked)
{
    host.image = MakeImage(24, false);
    EXPECT_EQ(engine()->Brand(24), 0);
    EXPECT_TRUE(host.received.empty());
}

TEST_F(EngineBrand, FailuresOfTheHostAndOfTheDepth)
{
    AddRectangle();
    EXPECT_EQ(engine()->Brand(24), QMK_ErrInvalidBrandingDib) << "no image";
    host.image = MakeImage(24, false);
    EXPECT_EQ(engine()->Brand(7), QMK_ErrBranding) << "no such depth";
    EXPECT_TRUE(host.received.empty());
    engine()->SetHostGetImageDib(nullptr);
    EXPECT_EQ(engine()->Brand(24), QMK_ErrUnsupportedOperation);
}

TEST_F(EngineBrand, ATruncatedOrOversizedImageIsRefused)
{
    AddRectangle();
    // A header that claims more rows than the block holds.
    host.image = MakeImage(24, false);
    BITMAPINFOHEADER* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(host.image));
    header->biHeight = 1 << 20;
    GlobalUnlock(host.image);
    EXPECT_EQ(engine()->Brand(24), QMK_ErrBranding);
    // Width x height whose new image would pass 2 GB even at one bit.
    header = static_cast<BITMAPINFOHEADER*>(GlobalLock(host.image));
    header->biWidth = 0x40000000;
    header->biHeight = 0x100;
    GlobalUnlock(host.image);
    EXPECT_EQ(engine()->Brand(1), QMK_ErrBranding);
    EXPECT_TRUE(host.received.empty());
}

TEST_F(EngineBrand, TheHostsImageIsFreedWhenItSaysSoEvenOnFailure)
{
    AddRectangle();
    host.image = MakeImage(24, false);
    host.mustFree = TRUE;
    EXPECT_EQ(engine()->Brand(3), QMK_ErrBranding);
    EXPECT_EQ(GlobalFlags(host.image), GMEM_INVALID_HANDLE);
    host.image = nullptr;
}

TEST_F(EngineBrand, EachDepthGetsItsTableAndThePaintedPixels)
{
    struct Case {
        const char* name;
        int sourceDepth;
        bool topDown;
        int depth;
        int entries;
        COLORREF fill;
        COLORREF seenFill;  // the fill as the new table shows it
    };
    const Case cases[] = {
        {"24 to 24", 24, false, 24, 0, RGB(255, 0, 0), RGB(255, 0, 0)},
        {"24 top-down to 24", 24, true, 24, 0, RGB(10, 20, 200), RGB(10, 20, 200)},
        {"8 grey to 24", 8, false, 24, 0, RGB(255, 0, 0), RGB(255, 0, 0)},
        {"24 to 4", 24, false, 4, 16, RGB(255, 0, 0), RGB(255, 0, 0)},
        {"24 to 4, blue", 24, false, 4, 16, RGB(0, 0, 255), RGB(0, 0, 255)},
        {"8 grey to 8 keeps its greys", 8, false, 8, 256, RGB(255, 0, 0), CLR_INVALID},
        {"8 grey to 1", 8, false, 1, 2, RGB(255, 255, 255), RGB(255, 255, 255)},
        {"1 to 1", 1, true, 1, 2, RGB(0, 0, 0), RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        EngineObject fresh(1, nullptr);
        fresh.LoadDefaults();
        AnnotationEngine* e = &fresh;
        e->SetHostGetViewGeometry(2, &GetView);
        e->SetHostGetFixedViewGeometry(2, &GetFixedView);
        e->SetHostGetImageDib(&GetImage);
        e->SetHostSetImageDib(&SetImage);
        const int layer = e->CreateLayer(1);
        auto item = std::make_unique<ShapeAnnotation>(RectangleTool, *defaults.MapOf(RectangleTool));
        RECT bounds = PixelRect(kBrandWidth, kBrandHeight, 8, 4, 40, 24);
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetAttribute(QMK_PenWidth, 2, changed);
        item->SetAttribute(QMK_PenColor, RGB(0, 0, 0), changed);
        item->SetAttribute(QMK_FillColor, c.fill, changed);
        fresh.FindLayer(layer)->AddItem(std::move(item), false, false);

        host.image = MakeImage(c.sourceDepth, c.topDown);
        host.mustFree = FALSE;
        host.fixedCalls = 0;
        const size_t before = host.received.size();
        ASSERT_EQ(e->Brand(c.depth), 0) << c.name;
        ASSERT_EQ(host.received.size(), before + 1) << c.name;
        EXPECT_EQ(host.fixedCalls, 0) << c.name << ": the print view plays no part";
        HGLOBAL made = host.received.back();
        const BYTE* dib = static_cast<const BYTE*>(GlobalLock(made));
        ASSERT_NE(dib, nullptr);
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib, sizeof(header));
        EXPECT_EQ(header.biSize, 40u) << c.name;
        EXPECT_EQ(header.biWidth, kBrandWidth) << c.name;
        EXPECT_EQ(header.biHeight, c.topDown ? -kBrandHeight : kBrandHeight) << c.name;
        EXPECT_EQ(header.biBitCount, c.depth) << c.name;
        EXPECT_EQ(header.biClrUsed, 0u) << c.name;
        const DWORD row = ((kBrandWidth * c.depth + 31) / 32) * 4;
        EXPECT_EQ(header.biSizeImage, row * kBrandHeight) << c.name;
        EXPECT_EQ(GlobalSize(made), 40 + 4 * c.entries + row * kBrandHeight) << c.name;

        const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib + 40);
        if (c.depth == 1) {
            const RGBQUAD black = {0, 0, 0, 0}, white = {255, 255, 255, 0};
            EXPECT_EQ(std::memcmp(&table[0], &black, 4), 0) << c.name << ": the standard two colours";
            EXPECT_EQ(std::memcmp(&table[1], &white, 4), 0) << c.name;
        } else if (c.depth == 4) {
            const RGBQUAD red = {0, 0, 255, 0}, blue = {255, 0, 0, 0};
            EXPECT_EQ(std::memcmp(&table[2], &red, 4), 0) << c.name << ": entry 2 is red";
            EXPECT_EQ(std::memcmp(&table[12], &blue, 4), 0) << c.name << ": entry 12 is blue";
        } else if (c.depth == 8) {
            for (int i = 0; i < 256; i += 51)
                EXPECT_EQ(table[i].rgbRed, i) << c.name << ": the source greys, entry " << i;
        }

        EXPECT_EQ(PixelOf(dib, 50, 28), RGB(255, 255, 255)) << c.name << ": the image outside";
        EXPECT_EQ(PixelOf(dib, 8, 12), RGB(0, 0, 0)) << c.name << ": the pen";
        if (c.seenFill != CLR_INVALID) {
            EXPECT_EQ(PixelOf(dib, 20, 12), c.seenFill) << c.name << ": the fill";
        } else {
            EXPECT_NE(PixelOf(dib, 20, 12), RGB(255, 255, 255)) << c.name << ": the fill";
        }
        GlobalUnlock(made);
        GlobalFree(host.image);
        host.image = nullptr;
    }
}

TEST_F(EngineBrand, TheScreenViewComesBackAfterBurning)
{
    AddRectangle();  // pixels (128, 64, 640, 384) of the host's 1024 x 512 view
    host.image = MakeImage(24, false);
    ASSERT_EQ(engine()->Brand(24), 0);
    DibCanvas canvas(700, 400);
    EXPECT_EQ(engine()->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(canvas.At(300, 200), RGB(255, 0, 0)) << "painted in the host's view, not the image's";
    EXPECT_EQ(canvas.At(20, 12), RGB(255, 255, 255));
}

TEST_F(EngineBrand, EightBitsFromTrueColourTakeTheStockPalette)
{
    AddRectangle();
    host.image = MakeImage(24, false);
    ASSERT_EQ(engine()->Brand(8), 0);
    ASSERT_EQ(host.received.size(), 1u);
    HRSRC info = FindResourceA(GetModuleHandleA(nullptr), "STOCKPAL", "PALETTE");
    ASSERT_NE(info, nullptr) << "the test links the engine's resources";
    const BYTE* riff = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    const BYTE* dib = static_cast<const BYTE*>(GlobalLock(host.received.back()));
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib + 40);
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY* entry = reinterpret_cast<const PALETTEENTRY*>(riff + 24) + i;
        EXPECT_EQ(table[i].rgbRed, entry->peRed) << i;
        EXPECT_EQ(table[i].rgbGreen, entry->peGreen) << i;
        EXPECT_EQ(table[i].rgbBlue, entry->peBlue) << i;
        EXPECT_EQ(table[i].rgbReserved, 0) << i;
    }
    EXPECT_EQ(PixelOf(dib, 20, 12), RGB(255, 0, 0)) << "red is in the stock palette";
    EXPECT_EQ(PixelOf(dib, 50, 28), RGB(255, 255, 255));
    GlobalUnlock(host.received.back());
}

} // namespace

namespace {

TEST(ImageBranderSizes, RowsTablesAndBlocks)
{
    struct Case {
        int depth, width, height;
        uint64_t row;
        int entries;
        uint64_t block;
    };
    const Case cases[] = {
        {1, 1, 1, 4, 2, 40 + 8 + 4},
        {1, 33, 2, 8, 2, 40 + 8 + 16},
        {4, 9, 3, 8, 16, 40 + 64 + 24},
        {8, 5, -2, 8, 256, 40 + 1024 + 16},
        {16, 3, 1, 8, 0, 48},
        {24, 5, 1, 16, 0, 56},
        {32, 2, 2, 8, 0, 56},
        {7, 10, 10, 0, 0, 0},
        {24, 0, 10, 0, 0, 0},
        {24, 10, 0, 32, 0, 0},
        {32, 0x10000, 0x10000, 0x40000, 0, 0},       // 16 GB: refused
        {1, 0x7FFFFFFF, 0x100, 0x10000000, 2, 0},     // 4 GB: refused
        {1, 0x7FFFFFFF, 7, 0x10000000, 2, 40 + 8 + 0x70000000ull},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImageBrander::RowBytes(c.depth, c.width), c.row) << c.depth << " " << c.width;
        EXPECT_EQ(ImageBrander::TableEntries(c.depth), c.entries) << c.depth;
        EXPECT_EQ(ImageBrander::BlockBytes(c.depth, c.width, c.height), c.block)
            << c.depth << " " << c.width << " " << c.height;
    }
}

} // namespace

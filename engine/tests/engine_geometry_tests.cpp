// Geometry of items through the interface, on items loaded from layer records:
// geometry a crop leaves in pixels is converted before anything else reads or
// changes it; without a view to convert with, geometry operations fail and
// change nothing; mirror and flip keep the other axis; positions in the
// z-order; the point a message without one hands to the layer.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;
using formats_test::AddRecordLayer;
using formats_test::ItemRecord;
using formats_test::LayerRecord;

namespace {

constexpr int kFull = 16777216;

// The host shows an image of width x height at its window's origin, unzoomed.
void ShowImage(TestHost& host, int width, int height)
{
    FakeServices& s = host.Services();
    s.imageWidth = width;
    s.imageHeight = height;
    s.view = {0, 0, width, height};
    s.image = s.view;
}

RECT LayerRect(AnnotationEngine* engine, int layer, int seq)
{
    RECT rect = {-7, -7, -7, -7};
    EXPECT_EQ(0, engine->PrgGetItemAttribute(layer, seq, QMK_BoundingRect,
                                             reinterpret_cast<EngineValue*>(&rect)));
    return rect;
}

std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

// Layer units of pixels of a w x h image.
RECT Units(int w, int h, int l, int t, int r, int b)
{
    return {MulDiv(l, kFull, w), MulDiv(t, kFull, h), MulDiv(r, kFull, w), MulDiv(b, kFull, h)};
}

// ---- pending geometry ----------------------------------------------------------------------

TEST(PendingGeometry, ACropIsConvertedBeforeTheNextOperation)
{
    // A rectangle at pixels (200, 100)-(400, 200) of a 1024 x 512 image; the
    // crop at (100, 50) leaves it at (100, 50)-(300, 150) of a 512 x 256 image.
    struct Case {
        const char* name;
        std::function<int(AnnotationEngine*, int layer)> operation;
        RECT expected;  // layer units of the image afterwards
        SIZE image;     // the image afterwards
    };
    const Case cases[] = {
        {"read", [](AnnotationEngine*, int) { return 0; }, Units(512, 256, 100, 50, 300, 150),
         {512, 256}},
        {"mirror", [](AnnotationEngine* e, int) { return e->ImageMirrored(0, 0); },
         Units(512, 256, 211, 50, 411, 150), {512, 256}},
        {"flip", [](AnnotationEngine* e, int) { return e->ImageFlipped(0, 0); },
         Units(512, 256, 100, 105, 300, 205), {512, 256}},
        {"rotate", [](AnnotationEngine* e, int) { return e->ImageRotated(0, 0, 90.0f); },
         {MulDiv(50, kFull, 256), kFull - MulDiv(300, kFull, 512), MulDiv(150, kFull, 256),
          kFull - MulDiv(100, kFull, 512)},
         {256, 512}},
        {"second crop",
         [](AnnotationEngine* e, int) {
             RECT crop = {10, 20, 510, 250};
             return e->ImageCropped(&crop, 0, 0);
         },
         Units(500, 230, 90, 30, 290, 130), {500, 230}},
        {"set point",
         [](AnnotationEngine* e, int layer) {
             POINT corner = {400, 200};
             return e->PrgSetItemPoint(layer, 1, 1, &corner);
         },
         Units(512, 256, 100, 50, 400, 200), {512, 256}},
        {"move", [](AnnotationEngine* e, int layer) { return e->PrgMoveItem(layer, 1, 0, 0); },
         Units(512, 256, 0, 0, 200, 100), {512, 256}},
    };
    for (const Case& c : cases) {
        EngineLibrary library;
        TestHost host(library);
        ShowImage(host, 1024, 512);
        const int layer = AddRecordLayer(
            host.Engine(), LayerRecord(L"", {ItemRecord(RectangleTool, 1,
                                                        Units(1024, 512, 200, 100, 400, 200))}));
        ASSERT_NE(0, layer);
        RECT window = {};
        ASSERT_EQ(0, host->PrgGetItemRect(layer, 1, &window)) << "the view as it was";
        RECT crop = {100, 50, 612, 306};
        EXPECT_EQ(0, host->ImageCropped(&crop, 0, 0)) << c.name;
        ShowImage(host, 512, 256);  // the host shows its cropped image
        EXPECT_EQ(0, c.operation(host.Engine(), layer)) << c.name;
        ShowImage(host, c.image.cx, c.image.cy);
        EXPECT_EQ(Text(c.expected), Text(LayerRect(host.Engine(), layer, 1))) << c.name;
    }
}

// ---- no view -------------------------------------------------------------------------------------

TEST(GeometryWithoutAView, OperationsFailAndChangeNothing)
{
    const RECT bounds = Units(1024, 512, 200, 100, 400, 200);
    struct Operation {
        const char* name;
        std::function<int(AnnotationEngine*, int layer)> run;
    };
    const Operation operations[] = {
        {"set rect", [](AnnotationEngine* e, int l) { return e->PrgSetItemRect(l, 1, 5, 5, 50, 40); }},
        {"get rect",
         [](AnnotationEngine* e, int l) {
             RECT r = {};
             return e->PrgGetItemRect(l, 1, &r);
         }},
        {"move", [](AnnotationEngine* e, int l) { return e->PrgMoveItem(l, 1, 10, 10); }},
        {"set point",
         [](AnnotationEngine* e, int l) {
             POINT p = {10, 10};
             return e->PrgSetItemPoint(l, 1, 0, &p);
         }},
        {"get point",
         [](AnnotationEngine* e, int l) {
             POINT p = {};
             return e->PrgGetItemPoint(l, 1, 0, &p);
         }},
        {"mirror", [](AnnotationEngine* e, int) { return e->ImageMirrored(0, 0); }},
        {"flip", [](AnnotationEngine* e, int) { return e->ImageFlipped(0, 0); }},
        {"rotate", [](AnnotationEngine* e, int) { return e->ImageRotated(0, 0, 90.0f); }},
        {"crop",
         [](AnnotationEngine* e, int) {
             RECT crop = {10, 10, 100, 100};
             return e->ImageCropped(&crop, 0, 0);
         }},
    };
    // No host services and no mapping dimensions; a host whose image has no width.
    const bool withServices[] = {false, true};
    for (bool services : withServices) {
        for (const Operation& op : operations) {
            EngineLibrary library;
            TestHost host(library, services);
            if (services)
                ShowImage(host, 0, 512);
            const int layer = AddRecordLayer(
                host.Engine(), LayerRecord(L"", {ItemRecord(RectangleTool, 1, bounds)}));
            ASSERT_NE(0, layer);
            EXPECT_EQ(QMK_ErrInvalidContext, op.run(host.Engine(), layer))
                << op.name << (services ? " (image without width)" : " (no services)");
            EXPECT_EQ(Text(bounds), Text(LayerRect(host.Engine(), layer, 1))) << op.name;
            int width = -1;
            int height = -1;
            host->PrgGetImageMappingDimensions(&width, &height);
            EXPECT_EQ(0, width) << op.name;
            EXPECT_EQ(0, height) << op.name;
        }
    }
}

TEST(GeometryWithoutAView, TheMappingDimensionsAreAView)
{
    EngineLibrary library;
    TestHost host(library, false);
    const int layer = AddRecordLayer(
        host.Engine(), LayerRecord(L"", {ItemRecord(RectangleTool, 1, Units(1024, 512, 0, 0, 8, 8))}));
    ASSERT_EQ(QMK_ErrInvalidContext, host->PrgSetItemRect(layer, 1, 5, 5, 50, 40));
    host->PrgSetImageMappingDimensions(1024, 512);
    ASSERT_EQ(0, host->PrgSetItemRect(layer, 1, 5, 5, 50, 40));
    EXPECT_EQ(Text(Units(1024, 512, 5, 5, 55, 45)), Text(LayerRect(host.Engine(), layer, 1)));
}

// ---- mirror and flip ------------------------------------------------------------------------------

TEST(MirrorAndFlip, ChangeOnlyTheirOwnAxis)
{
    // Edges that lie between pixels of the 1024 x 512 image.
    const RECT bounds = {0x00100003, 0x00200005, 0x00500007, 0x00400009};
    auto mirrored = [](int x) { return MulDiv(1024 - MulDiv(x, 1024, kFull) - 1, kFull, 1024); };
    auto flipped = [](int y) { return MulDiv(512 - MulDiv(y, 512, kFull) - 1, kFull, 512); };
    struct Case {
        const char* name;
        bool mirror;
        RECT expected;
    };
    const Case cases[] = {
        {"mirror", true,
         {mirrored(bounds.right), bounds.top, mirrored(bounds.left), bounds.bottom}},
        {"flip", false,
         {bounds.left, flipped(bounds.bottom), bounds.right, flipped(bounds.top)}},
    };
    for (const Case& c : cases) {
        EngineLibrary library;
        TestHost host(library);
        ShowImage(host, 1024, 512);
        const int layer =
            AddRecordLayer(host.Engine(), LayerRecord(L"", {ItemRecord(RectangleTool, 1, bounds)}));
        ASSERT_EQ(0, c.mirror ? host->ImageMirrored(0, 0) : host->ImageFlipped(0, 0)) << c.name;
        EXPECT_EQ(Text(c.expected), Text(LayerRect(host.Engine(), layer, 1))) << c.name;
    }
}

// ---- z-order positions ----------------------------------------------------------------------------

TEST(ZOrderPositions, AnItemGoesBeforeTheItemAtThePosition)
{
    struct Case {
        int seq;
        int position;
        int result;
        std::vector<int> order;  // bottom first; the layer starts 1 2 3 4
    };
    const Case cases[] = {
        {1, 3, 0, {2, 1, 3, 4}},  // up: before item 3, one below position 3
        {1, 2, 0, {1, 2, 3, 4}},  // before item 2: where it is
        {4, 2, 0, {1, 4, 2, 3}},  // down: before item 2
        {3, 1, 0, {3, 1, 2, 4}},
        {1, 4, 0, {2, 3, 4, 1}},  // the count: the top
        {2, 9, 0, {1, 3, 4, 2}},
        {3, 3, 0, {1, 2, 3, 4}},
        {2, 0, QMK_ErrItemNotFound, {1, 2, 3, 4}},
    };
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    for (const Case& c : cases) {
        EngineLibrary library;
        TestHost host(library);
        const int layer = AddRecordLayer(
            host.Engine(), LayerRecord(L"", {ItemRecord(RectangleTool, 1, r), ItemRecord(RectangleTool, 2, r),
                                             ItemRecord(RectangleTool, 3, r), ItemRecord(RectangleTool, 4, r)}));
        const std::string name = std::to_string(c.seq) + " to " + std::to_string(c.position);
        EXPECT_EQ(c.result, host->PrgSetItemAttribute(layer, c.seq, QMK_ZOrder, c.position)) << name;
        std::vector<int> order;
        int seq = 0;
        for (host->PrgGetFirstItem(layer, &seq); seq != 0; host->PrgGetNextItem(layer, &seq))
            order.push_back(seq);
        EXPECT_EQ(c.order, order) << name;
    }
}

// ---- the point of a mouse message ---------------------------------------------------------------------

TEST(MousePoints, AMessageWithoutAPointHandsMinusOneToTheLayerAsItIs)
{
    // In interactive mode a message is taken when an item lies under its
    // point. The item covers layer units (-10, -10)-(10, 10): the point
    // (-1, -1) itself, and window pixel (0, 0), but not window pixel (5, 5)
    // nor window pixel (-1, -1) converted.
    struct Case {
        const char* name;
        UINT message;
        LPARAM lParam;
        int result;
    };
    const Case cases[] = {
        {"right double click", WM_RBUTTONDBLCLK, MAKELPARAM(300, 300), 0},
        {"middle double click", WM_MBUTTONDBLCLK, MAKELPARAM(300, 300), 0},
        {"wheel", WM_MOUSEWHEEL, MAKELPARAM(300, 300), 0},
        {"move at the origin", WM_MOUSEMOVE, MAKELPARAM(0, 0), 0},
        {"move beside the item", WM_MOUSEMOVE, MAKELPARAM(5, 5), -1},
        {"move to window (-1, -1)", WM_MOUSEMOVE, MAKELPARAM(-1, -1), -1},
    };
    EngineLibrary library;
    TestHost host(library);
    const int layer = AddRecordLayer(
        host.Engine(), LayerRecord(L"", {ItemRecord(RectangleTool, 1, RECT{-10, -10, 10, 10})}));
    ASSERT_EQ(1, host->SetCurrentLayer(layer));
    ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 1));
    for (const Case& c : cases)
        EXPECT_EQ(c.result, host->MouseMessage(nullptr, c.message, 0, c.lParam)) << c.name;
}

} // namespace

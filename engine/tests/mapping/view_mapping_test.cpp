// The view record: its refresh from the host's services, the conversions
// between window pixels, image pixels and layer units, and the selection handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "view/view_mapping.h"

namespace {

constexpr int kFull = ViewMapping::kLayerUnitsFull;
constexpr HostCookie kCookie = 0x0BADF00D;

// A host's view, as its services report it.
struct FakeHost {
    int kind = 0;
    RECT view = {};
    RECT image = {};
    int width = 0;
    int height = 0;
    RECT fixedView = {};  // in twips
    int fixedKind = 0;
    int fixedWidth = 0;
    int fixedHeight = 0;
    double resolutionX = 300.0;
    double resolutionY = 200.0;
    std::vector<std::string> calls;
    std::vector<int> setValues;
    bool wrongCookie = false;
};
FakeHost* host = nullptr;

int __stdcall GetView(HostCookie cookie, int* kind, RECT* view, RECT* image, int* width, int* height) {
    host->wrongCookie |= cookie != kCookie;
    host->calls.push_back("view");
    *kind = host->kind;
    *view = host->view;
    *image = host->image;
    *width = host->width;
    *height = host->height;
    return 0;
}

int __stdcall GetFixedView(HostCookie cookie, int* kind, RECT* view, RECT* image, int* width, int* height) {
    host->wrongCookie |= cookie != kCookie;
    host->calls.push_back("fixed");
    *kind = host->fixedKind;
    *view = host->fixedView;
    *image = RECT{7, 7, 7, 7};  // replaced by the whole image
    *width = host->fixedWidth;
    *height = host->fixedHeight;
    return 0;
}

int __stdcall SetView(HostCookie cookie, int value) {
    host->wrongCookie |= cookie != kCookie;
    host->calls.push_back("set");
    host->setValues.push_back(value);
    return 0;
}

int __stdcall GetResolution(HostCookie cookie, double* x, double* y) {
    host->wrongCookie |= cookie != kCookie;
    host->calls.push_back("resolution");
    *x = host->resolutionX;
    *y = host->resolutionY;
    return 0;
}

ViewMapping::HostServices AllServices() {
    ViewMapping::HostServices services;
    services.cookie = kCookie;
    services.getViewGeometry = GetView;
    services.setViewGeometry = SetView;
    services.getFixedViewGeometry = GetFixedView;
    services.getResolution = GetResolution;
    return services;
}

class ViewMappingTest : public testing::Test {
protected:
    void SetUp() override { host = &fake; }
    void TearDown() override {
        EXPECT_FALSE(fake.wrongCookie) << "every service gets the service cookie";
        host = nullptr;
    }
    FakeHost fake;
    ViewMapping mapping{8};
};

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int ScreenDpi(int index) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// --- refresh ------------------------------------------------------------------

TEST_F(ViewMappingTest, WithoutViewServicesTheImageMappingIsTheView) {
    mapping.SetImageMappingDimensions(800, 600);
    EXPECT_EQ(800, mapping.ImageWidth()) << "the mapping is the image size until a refresh";
    EXPECT_EQ(600, mapping.ImageHeight());
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_TRUE(Same(mapping.ViewRect(), RECT{0, 0, 800, 600}));
    EXPECT_TRUE(Same(mapping.ImageRect(), RECT{0, 0, 800, 600}));
    EXPECT_EQ(1.0f, mapping.ScaleX());
    EXPECT_EQ(1.0f, mapping.ScaleY());
    EXPECT_FALSE(mapping.Zoomed());
    EXPECT_EQ(0, mapping.GeometryKind());
    EXPECT_EQ(800, mapping.ScaledWidth());
    EXPECT_EQ(600, mapping.ScaledHeight());
    EXPECT_EQ(MulDiv(8, kFull, 600), mapping.HandleRatio());
    const POINT layer = mapping.WindowToLayer(POINT{400, 300});
    EXPECT_EQ(8388608, layer.x);
    EXPECT_EQ(8388608, layer.y);
}

TEST_F(ViewMappingTest, ServicesAreCalledInTheirOrder) {
    fake.width = 100;
    fake.height = 100;
    fake.image = {0, 0, 100, 100};
    fake.fixedWidth = 100;
    fake.fixedHeight = 100;
    fake.fixedView = {0, 0, 1440, 1440};
    mapping.SetServices(AllServices());
    mapping.SetImageMappingDimensions(50, 40);

    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_EQ((std::vector<std::string>{"resolution", "view", "resolution"}), fake.calls);
    EXPECT_EQ(300.0, mapping.ResolutionX());
    EXPECT_EQ(200.0, mapping.ResolutionY());

    fake.calls.clear();
    ASSERT_TRUE(mapping.Refresh(true, nullptr));
    EXPECT_EQ((std::vector<std::string>{"resolution", "fixed", "resolution"}), fake.calls);

    fake.calls.clear();
    mapping.SetFixedView(true);
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_EQ((std::vector<std::string>{"resolution", "fixed", "resolution"}), fake.calls);
    mapping.SetFixedView(false);

    // View mode 2: the engine lays the view out itself and tells the host.
    fake.calls.clear();
    mapping.SetViewMode(ViewMapping::kEngineLaidOutViewMode);
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_EQ((std::vector<std::string>{"resolution", "set", "resolution"}), fake.calls);
    EXPECT_EQ(std::vector<int>{100}, fake.setValues);
    EXPECT_TRUE(Same(mapping.ViewRect(), RECT{0, 0, 50, 40}));
    EXPECT_EQ(1.0f, mapping.ScaleX());

    // View mode 2 without SetViewGeometry, and no view service: the fallback.
    ViewMapping::HostServices some = AllServices();
    some.setViewGeometry = nullptr;
    mapping.SetServices(some);
    fake.calls.clear();
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_EQ((std::vector<std::string>{"resolution", "resolution"}), fake.calls);
    EXPECT_TRUE(Same(mapping.ImageRect(), RECT{0, 0, 50, 40}));
}

TEST_F(ViewMappingTest, AHostWithoutResolutionLeavesTheLastOne) {
    fake.width = fake.height = 10;
    fake.image = {0, 0, 10, 10};
    mapping.SetServices(AllServices());
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    ViewMapping::HostServices services = AllServices();
    services.getResolution = nullptr;
    mapping.SetServices(services);
    fake.resolutionX = 1.0;
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_EQ(300.0, mapping.ResolutionX());
}

TEST_F(ViewMappingTest, ARefreshFailsOnAnEmptyGeometryOrAMissingFixedService) {
    ViewMapping::HostServices services = AllServices();
    mapping.SetServices(services);
    const struct {
        int width, height;
        RECT image;
    } empty[] = {{0, 100, {0, 0, 100, 100}}, {100, 0, {0, 0, 100, 100}}, {100, 100, {0, 0, 0, 100}}};
    for (const auto& e : empty) {
        fake.width = e.width;
        fake.height = e.height;
        fake.image = e.image;
        EXPECT_FALSE(mapping.Refresh(false, nullptr)) << e.width << " " << e.height;
        EXPECT_FALSE(mapping.RefreshNeeded()) << "a refresh clears the flag even when it fails";
    }
    // No view service and no mapping dimensions.
    ViewMapping bare(8);
    EXPECT_FALSE(bare.Refresh(false, nullptr));

    services.getFixedViewGeometry = nullptr;
    mapping.SetServices(services);
    fake.width = fake.height = 100;
    fake.image = {0, 0, 100, 100};
    EXPECT_TRUE(mapping.Refresh(false, nullptr));
    EXPECT_FALSE(mapping.Refresh(true, nullptr));
    mapping.SetFixedView(true);
    EXPECT_FALSE(mapping.Refresh(false, nullptr));
}

TEST_F(ViewMappingTest, TheFixedViewIsGivenInTwipsOfTheDevice) {
    mapping.SetServices(AllServices());
    fake.fixedKind = 0;
    fake.fixedWidth = 1000;
    fake.fixedHeight = 720;
    fake.fixedView = {100, 71, 1440 + 100, 14400 + 71};
    HDC screen = GetDC(nullptr);
    ASSERT_TRUE(mapping.Refresh(true, screen));
    ReleaseDC(nullptr, screen);
    const int dpiX = ScreenDpi(LOGPIXELSX), dpiY = ScreenDpi(LOGPIXELSY);
    auto twips = [](int value, int dpi) { return static_cast<int>(dpi * (value * (1.0 / 1440))); };
    EXPECT_EQ(twips(100, dpiX), mapping.ViewRect().left);
    EXPECT_EQ(twips(1540, dpiX), mapping.ViewRect().right);
    EXPECT_EQ(twips(71, dpiY), mapping.ViewRect().top);
    EXPECT_EQ(twips(14471, dpiY), mapping.ViewRect().bottom);
    EXPECT_TRUE(Same(mapping.ImageRect(), RECT{0, 0, 1000, 720}));
    if (dpiX == 96) {
        EXPECT_EQ(6, mapping.ViewRect().left) << "6.67 truncated";
        EXPECT_EQ(102, mapping.ViewRect().right);
    }
}

TEST_F(ViewMappingTest, AStaleRecordRefreshesAtTheNextConversionOnly) {
    fake.width = fake.height = 100;
    fake.image = {0, 0, 100, 100};
    mapping.SetServices(AllServices());
    EXPECT_TRUE(mapping.RefreshNeeded());
    mapping.WindowToLayer(POINT{1, 1});
    mapping.LayerToWindow(POINT{1, 1});
    mapping.ScaledPenWidth(3);
    EXPECT_EQ(1, std::count(fake.calls.begin(), fake.calls.end(), "view"));
    mapping.Invalidate();
    mapping.LayerToImage(POINT{1, 1});
    EXPECT_EQ(2, std::count(fake.calls.begin(), fake.calls.end(), "view"));
}

TEST_F(ViewMappingTest, APaintIntoAnImageUsesTheGivenRectanglesWithoutTheHost) {
    mapping.SetServices(AllServices());
    mapping.Invalidate();
    mapping.UsePaintView(RECT{0, 0, 640, 480}, RECT{0, 0, 640, 480});
    EXPECT_EQ(640, mapping.ImageWidth());
    EXPECT_EQ(480, mapping.ScaledHeight());
    EXPECT_EQ(MulDiv(8, kFull, 480), mapping.HandleRatio());
    const POINT layer = mapping.WindowToLayer(POINT{320, 240});
    EXPECT_EQ(kFull / 2, layer.x);
    EXPECT_EQ(kFull / 2, layer.y);
    EXPECT_TRUE(fake.calls.empty()) << "no service is asked";
}

// The paint maps a whole point list at once: each point must come out as
// the one-point conversion gives it, at every scale, scroll and size, for
// points on, near and far off the image, and mapped in place as well.
TEST_F(ViewMappingTest, ManyPointsAtOnceMapAsEachAlone) {
    struct Geometry {
        const char* name;
        RECT view;
        RECT image;
        int width, height;
    };
    const Geometry geometries[] = {
        {"a page at fit", {0, 0, 800, 1035}, {0, 0, 800, 1035}, 2550, 3300},
        {"a page at 100 %", {0, 0, 1024, 768}, {0, 0, 2550, 3300}, 2550, 3300},
        {"scrolled at 100 %", {12, 7, 1024, 768}, {300, 900, 2550, 3300}, 2550, 3300},
        {"half, scrolled", {3, 5, 400, 300}, {41, 17, 400, 300}, 800, 600},
        {"zoom 2, scrolled", {5, 5, 505, 405}, {100, 50, 1600, 1200}, 800, 600},
        {"an uneven 3.7 and 0.27", {0, 0, 900, 500}, {-20, 30, 2960, 162}, 800, 600},
        {"a view left of the image", {-500, -300, 200, 100}, {0, 0, 333, 777}, 1000, 1000},
        {"a hundredth", {0, 0, 300, 300}, {0, 0, 26, 33}, 2550, 3300},
        {"a forty-fold zoom", {0, 0, 900, 900}, {5000, 9000, 102000, 132000}, 2550, 3300},
        {"an image of one pixel", {0, 0, 10, 10}, {0, 0, 7, 3}, 1, 1},
    };
    std::vector<POINT> points = {{0, 0}, {kFull, kFull}, {kFull / 2, kFull / 3}, {-1, -1}, {1, 1},
                                 {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, {-kFull, 3 * kFull},
                                 {kFull * 100, -kFull * 100}, {6579, 5084}, {6580, 5085}};
    unsigned seed = 99;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed;
    };
    for (int i = 0; i < 3000; ++i) {
        // Mostly on the image, some well off it, a few anywhere at all.
        const unsigned kind = next() % 10;
        const int range = kind < 7 ? kFull : kind < 9 ? 64 * kFull : 0;
        POINT p;
        if (range) {
            p.x = static_cast<int>(next() % static_cast<unsigned>(range)) - (kind < 7 ? 0 : range / 2);
            p.y = static_cast<int>(next() % static_cast<unsigned>(range)) - (kind < 7 ? 0 : range / 2);
        } else {
            p.x = static_cast<int>(next());
            p.y = static_cast<int>(next());
        }
        points.push_back(p);
    }
    mapping.SetServices(AllServices());
    for (const Geometry& g : geometries) {
        fake.view = g.view;
        fake.image = g.image;
        fake.width = g.width;
        fake.height = g.height;
        mapping.Invalidate();
        ASSERT_TRUE(mapping.Refresh(false, nullptr)) << g.name;
        std::vector<POINT> many(points.size());
        mapping.LayerToWindow(points.data(), points.size(), many.data());
        std::vector<POINT> inPlace = points;
        mapping.LayerToWindow(inPlace.data(), inPlace.size(), inPlace.data());
        int wrong = 0;
        for (size_t i = 0; i < points.size() && wrong < 5; ++i) {
            const POINT one = mapping.LayerToWindow(points[i]);
            const bool same = one.x == many[i].x && one.y == many[i].y && one.x == inPlace[i].x &&
                              one.y == inPlace[i].y;
            if (!same) ++wrong;
            EXPECT_TRUE(same) << g.name << ": layer " << points[i].x << "," << points[i].y << " gives "
                              << one.x << "," << one.y << " alone, " << many[i].x << "," << many[i].y
                              << " among many";
        }
    }
}

// --- conversions on a table of views -------------------------------------------

struct PointCase {
    POINT from;
    POINT to;
};

struct View {
    const char* name;
    bool foreign;
    int kind;
    RECT view;   // twips for the foreign device
    RECT image;
    int width, height;
    float scaleX, scaleY;
    int scaledWidth, scaledHeight;
    std::vector<PointCase> windowToLayer;
    std::vector<PointCase> layerToWindow;
    std::vector<PointCase> penWidth;       // {length, 0} -> {x, y}
    std::vector<PointCase> lengthToLayer;  // {length, 0} -> {x, y}
};

const View kViews[] = {
    {"ActualSizeScrolled", false, 0, {10, 20, 410, 320}, {30, 40, 800, 600}, 800, 600, 1.0f, 1.0f, 800, 600,
     {{{10, 20}, {629146, 1118481}}, {{410, 320}, {MulDiv(430, kFull, 800), MulDiv(340, kFull, 600)}}},
     {{{0, 0}, {-20, -20}}, {{8388608, 8388608}, {380, 280}}},
     {{{3, 0}, {3, 3}}, {{0, 0}, {0, 0}}},
     {{{4, 0}, {MulDiv(4, kFull, 800), MulDiv(4, kFull, 600)}}}},
    {"ZoomTwo", false, 0, {0, 0, 500, 400}, {0, 0, 1600, 1200}, 800, 600, 2.0f, 2.0f, 1600, 1200,
     {{{11, 11}, {125829, 167772}}, {{-3, 0}, {-20972, 0}}},
     {{{125829, 167772}, {12, 12}}, {{0, 0}, {0, 0}}},
     {{{3, 0}, {6, 6}}},
     {{{4, 0}, {83886, 111848}}}},
    {"ZoomOneAndAHalf", false, 0, {0, 0, 500, 400}, {0, 0, 1200, 900}, 800, 600, 1.5f, 1.5f, 1200, 900,
     {{{7, 7}, {104858, 139810}}},
     {{{104858, 139810}, {7, 7}}},
     {{{3, 0}, {5, 5}}, {{1, 0}, {2, 2}}},
     {{{2, 0}, {MulDiv(3, kFull, 1200), MulDiv(3, kFull, 900)}}}},
    {"ZoomedAndScrolled", false, 0, {5, 5, 505, 405}, {100, 50, 1600, 1200}, 800, 600, 2.0f, 2.0f, 1600, 1200,
     {{{5, 5}, {1048576, 699051}}},
     // Left of and above the view the half-pixel rounds toward zero: -94.5 gives -94.
     {{{1048576, 699051}, {5, 5}}, {{0, 0}, {-94, -44}}},
     {},
     {}},
    {"WholeImageView", false, ViewMapping::kWholeImageView, {0, 0, 400, 300}, {0, 0, 400, 300}, 800, 600,
     0.5f, 0.5f, 400, 300,
     {{{100, 100}, {4194304, MulDiv(200, kFull, 600)}}},
     {{{4194304, 4194304}, {100, 75}}},
     {{{3, 0}, {2, 2}}},
     {}},
    {"FixedViewInTwips", true, 0, {1440, 720, 15840, 11520}, {0, 0, 0, 0}, 1000, 720, 0.96f, 1.0f, 960, 720,
     {{{96, 48}, {0, 0}}, {{576, 408}, {8388608, 8388608}}},
     {{{8388608, 8388608}, {575, 408}}},  // 500 x 0.96f truncates to 479
     {{{5, 0}, {5, 5}}},
     {}},
};

class ViewConversions : public testing::TestWithParam<View> {
protected:
    void SetUp() override { host = &fake; }
    void TearDown() override { host = nullptr; }
    FakeHost fake;
};

TEST_P(ViewConversions, FollowTheViewWithItsRounding) {
    const View& v = GetParam();
    if (v.foreign && (ScreenDpi(LOGPIXELSX) != 96 || ScreenDpi(LOGPIXELSY) != 96))
        GTEST_SKIP() << "the table's twips are for a 96-dpi screen";
    ViewMapping mapping(8);
    mapping.SetServices(AllServices());
    if (v.foreign) {
        fake.fixedKind = v.kind;
        fake.fixedView = v.view;
        fake.fixedWidth = v.width;
        fake.fixedHeight = v.height;
    } else {
        fake.kind = v.kind;
        fake.view = v.view;
        fake.image = v.image;
        fake.width = v.width;
        fake.height = v.height;
    }
    ASSERT_TRUE(mapping.Refresh(v.foreign, nullptr));
    EXPECT_EQ(v.scaleX, mapping.ScaleX());
    EXPECT_EQ(v.scaleY, mapping.ScaleY());
    EXPECT_EQ(v.scaleX != 1.0f || v.scaleY != 1.0f, mapping.Zoomed());
    EXPECT_EQ(v.scaledWidth, mapping.ScaledWidth());
    EXPECT_EQ(v.scaledHeight, mapping.ScaledHeight());
    const int smaller = v.scaledWidth < v.scaledHeight ? v.scaledWidth : v.scaledHeight;
    EXPECT_EQ(MulDiv(8, kFull, smaller), mapping.HandleRatio());

    for (const PointCase& c : v.windowToLayer) {
        const POINT p = mapping.WindowToLayer(c.from);
        EXPECT_EQ(c.to.x, p.x) << "window " << c.from.x << "," << c.from.y;
        EXPECT_EQ(c.to.y, p.y) << "window " << c.from.x << "," << c.from.y;
    }
    for (const PointCase& c : v.layerToWindow) {
        const POINT p = mapping.LayerToWindow(c.from);
        EXPECT_EQ(c.to.x, p.x) << "layer " << c.from.x << "," << c.from.y;
        EXPECT_EQ(c.to.y, p.y) << "layer " << c.from.x << "," << c.from.y;
    }
    for (const PointCase& c : v.penWidth) {
        const SIZE s = mapping.ScaledPenWidth(c.from.x);
        EXPECT_EQ(c.to.x, s.cx) << "length " << c.from.x;
        EXPECT_EQ(c.to.y, s.cy) << "length " << c.from.x;
    }
    for (const PointCase& c : v.lengthToLayer) {
        const SIZE s = mapping.LengthToLayer(c.from.x);
        EXPECT_EQ(c.to.x, s.cx) << "length " << c.from.x;
        EXPECT_EQ(c.to.y, s.cy) << "length " << c.from.x;
    }
    EXPECT_EQ(0, mapping.LengthToLayer(0).cx);

    // Image pixels and layer units do not depend on the zoom.
    const POINT image = mapping.LayerToImage(POINT{kFull / 2, kFull / 4});
    EXPECT_EQ(MulDiv(kFull / 2, v.width, kFull), image.x);
    EXPECT_EQ(MulDiv(kFull / 4, v.height, kFull), image.y);
    const POINT back = mapping.ImageToLayer(POINT{v.width, v.height});
    EXPECT_EQ(kFull, back.x);
    EXPECT_EQ(kFull, back.y);
}

INSTANTIATE_TEST_SUITE_P(Views, ViewConversions, testing::ValuesIn(kViews),
                         [](const testing::TestParamInfo<View>& info) { return std::string(info.param.name); });

TEST(ViewMappingRects, NormalizeSaysWhatItSwapped) {
    const struct {
        RECT in, out;
        int swapped;
    } cases[] = {
        {{1, 2, 3, 4}, {1, 2, 3, 4}, 0},
        {{3, 2, 1, 4}, {1, 2, 3, 4}, 4},
        {{1, 4, 3, 2}, {1, 2, 3, 4}, 2},
        {{3, 4, 1, 2}, {1, 2, 3, 4}, 6},
        {{5, 5, 5, 5}, {5, 5, 5, 5}, 0},
    };
    for (const auto& c : cases) {
        RECT r = c.in;
        EXPECT_EQ(c.swapped, ViewMapping::NormalizeRect(r));
        EXPECT_TRUE(Same(r, c.out));
    }
}

// --- selection handles -----------------------------------------------------------

// A view where one window pixel is 16384 layer units (1024 x 1024 image at
// actual size), scrolled by scrollX pixels.
class SelectionHandles : public testing::Test {
protected:
    void SetUp() override {
        host = &fake;
        fake.width = fake.height = 1024;
        fake.image = {0, 0, 1024, 1024};
        mapping.SetServices(AllServices());
        ASSERT_TRUE(mapping.Refresh(false, nullptr));
    }
    void TearDown() override { host = nullptr; }
    static RECT Layer(int l, int t, int r, int b) { return {l * 16384, t * 16384, r * 16384, b * 16384}; }
    static POINT Layer(int x, int y) { return {x * 16384, y * 16384}; }
    FakeHost fake;
    ViewMapping mapping{8};  // handles are 8 pixels: 4 each side of the point
};

TEST_F(SelectionHandles, HitTestFindsTheHandleUnderThePoint) {
    const RECT item = Layer(100, 100, 200, 160);
    const struct {
        int x, y, handle;
    } cases[] = {
        {100, 100, 0}, {200, 100, 1}, {100, 160, 2}, {200, 160, 3}, {150, 100, 6}, {150, 160, 7},
        {100, 130, 4}, {200, 130, 5}, {150, 130, -1}, {96, 96, 0}, {103, 103, 0}, {104, 100, -1},
        {95, 100, -1}, {204, 160, -1}, {203, 163, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.handle, mapping.HitTestHandle(item, Layer(c.x, c.y))) << c.x << "," << c.y;
}

TEST_F(SelectionHandles, CornersAreTestedBeforeMiddles) {
    // A narrow rectangle: the top-middle square overlaps both top corners.
    const RECT narrow = Layer(100, 100, 104, 160);
    EXPECT_EQ(0, mapping.HitTestHandle(narrow, Layer(100, 100)));
    EXPECT_EQ(0, mapping.HitTestHandle(narrow, Layer(99, 98)));
    EXPECT_EQ(1, mapping.HitTestHandle(narrow, Layer(105, 100)));
    // A flat rectangle: the left-middle square overlaps the left corners.
    const RECT flat = Layer(100, 100, 200, 102);
    EXPECT_EQ(2, mapping.HitTestHandle(flat, Layer(100, 105)));
    EXPECT_EQ(0, mapping.HitTestHandle(flat, Layer(100, 101)));
}

TEST_F(SelectionHandles, HitTestWorksInWindowPixelsOfTheScrolledView) {
    fake.image = {40, 0, 1024, 1024};  // scrolled 40 pixels to the right
    ASSERT_TRUE(mapping.Refresh(false, nullptr));
    const RECT item = Layer(100, 100, 200, 160);  // shown at window x 60..160
    EXPECT_EQ(0, mapping.HitTestHandle(item, Layer(100, 100)));
    EXPECT_TRUE(Same(RECT{60, 100, 160, 160}, mapping.LayerToWindow(item)));
}

TEST_F(SelectionHandles, DrawingPaintsEightSquaresAndRestoresTheDevice) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 80;
    info.bmiHeader.biHeight = -80;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, bitmap);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all = {0, 0, 80, 80};
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
    FillRect(dc, &all, grey);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HGDIOBJ previousBrush = SelectObject(dc, grey);

    mapping.DrawHandles(Layer(10, 10, 50, 40), dc);

    EXPECT_EQ(pen, GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(grey, GetCurrentObject(dc, OBJ_BRUSH));
    const struct {
        int x, y;
        COLORREF colour;
    } pixels[] = {
        {10, 10, RGB(0, 0, 0)},       {6, 6, RGB(255, 255, 255)}, {50, 10, RGB(0, 0, 0)},
        {10, 40, RGB(0, 0, 0)},       {50, 40, RGB(0, 0, 0)},     {30, 10, RGB(0, 0, 0)},
        {30, 40, RGB(0, 0, 0)},       {10, 25, RGB(0, 0, 0)},     {50, 25, RGB(0, 0, 0)},
        {30, 25, RGB(128, 128, 128)}, {20, 20, RGB(128, 128, 128)},
    };
    for (const auto& p : pixels) EXPECT_EQ(p.colour, GetPixel(dc, p.x, p.y)) << p.x << "," << p.y;

    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    SelectObject(dc, oldBitmap);
    DeleteObject(pen);
    DeleteObject(grey);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(HandleDrag, MovesTheDraggedEdgesAndMirrorsThroughTheOppositeSide) {
    // Image 256 x 256: one image pixel is 65536 layer units.
    auto layer = [](RECT px) {
        return RECT{px.left * 65536, px.top * 65536, px.right * 65536, px.bottom * 65536};
    };
    const struct {
        const char* what;
        int handle, dx, dy;
        RECT result;  // image pixels
        int handleAfter, swapped;
        double factorX, factorY;
    } cases[] = {
        {"corner outwards", 3, 5, 5, {10, 10, 25, 25}, 3, 0, 1.5, 1.5},
        {"top-left through the right edge", 0, 15, 0, {20, 10, 25, 20}, 1, 4, 0.5, 1.0},
        {"top-left onto the right edge", 0, 10, 0, {20, 10, 20, 20}, 0, 0, 0.0, 1.0},
        {"bottom-right through both", 3, -15, -15, {5, 5, 10, 10}, 0, 6, 0.5, 0.5},
        {"top middle through the bottom", 6, 3, 15, {10, 20, 20, 25}, 7, 2, 1.0, 0.5},
        {"left middle through the right", 4, 20, 9, {20, 10, 30, 20}, 5, 4, 1.0, 1.0},
        {"right middle inwards", 5, -4, 0, {10, 10, 16, 20}, 5, 0, 0.6, 1.0},
        {"bottom-left down", 2, 0, 10, {10, 10, 20, 30}, 2, 0, 1.0, 2.0},
        {"top-right through the left", 1, -12, 0, {8, 10, 10, 20}, 0, 4, 0.2, 1.0},
    };
    for (const auto& c : cases) {
        RECT rect = layer(RECT{10, 10, 20, 20});
        int handle = c.handle;
        const ViewMapping::DragResult result = ViewMapping::DragHandle(c.dx, c.dy, 256, 256, rect, handle);
        EXPECT_TRUE(Same(rect, layer(c.result)))
            << c.what << ": " << rect.left / 65536 << "," << rect.top / 65536 << ","
            << rect.right / 65536 << "," << rect.bottom / 65536;
        EXPECT_EQ(c.handleAfter, handle) << c.what;
        EXPECT_EQ(c.swapped, result.swapped) << c.what;
        EXPECT_DOUBLE_EQ(c.factorX, result.factorX) << c.what;
        EXPECT_DOUBLE_EQ(c.factorY, result.factorY) << c.what;
    }
}

TEST(HandleDrag, OtherHandlesAndEmptyRectanglesAreSafe) {
    for (int handle : {-1, 8, 100}) {
        RECT rect = {65536, 65536, 131072, 131072};
        const RECT before = rect;
        int h = handle;
        const ViewMapping::DragResult result = ViewMapping::DragHandle(5, 5, 256, 256, rect, h);
        EXPECT_TRUE(Same(rect, before));
        EXPECT_EQ(handle, h);
        EXPECT_EQ(0, result.swapped);
    }
    // Without an image size nothing moves.
    for (const SIZE image : {SIZE{0, 256}, SIZE{256, 0}}) {
        RECT rect = {65536, 65536, 131072, 131072};
        const RECT before = rect;
        int h = 3;
        ViewMapping::DragHandle(5, 5, image.cx, image.cy, rect, h);
        EXPECT_TRUE(Same(rect, before));
        EXPECT_EQ(3, h);
    }
    // A rectangle without width keeps a factor of 1 instead of dividing by zero.
    RECT line = {10 * 65536, 10 * 65536, 10 * 65536, 20 * 65536};
    int handle = 5;
    const ViewMapping::DragResult result = ViewMapping::DragHandle(5, 0, 256, 256, line, handle);
    EXPECT_EQ(15 * 65536, line.right);
    EXPECT_EQ(1.0, result.factorX);
    EXPECT_EQ(1.0, result.factorY);
}

} // namespace

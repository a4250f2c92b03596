// Zoom, scrolling and scroll bars, the events a user causes (and those a
// program does not), and what the view paints.
#include "viewer_fixture.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace viewertest {
namespace {

class ViewerView : public ViewerTest {
protected:
    // A view of 200 x 150 pixels showing a 1-bit page of the given size.
    Viewer& ViewOf(int width, int height, PixelLayout layout = PixelLayout::Bilevel) {
        Viewer& view = NewViewer({0, 0, 200, 150});
        EXPECT_EQ(S_OK, view.Load(WriteTiff("page" + std::to_string(pages_++) + ".tif",
                                            QuadrantPage(width, height, layout))));
        return view;
    }

    static bool HasStyle(HWND window, LONG_PTR style) {
        return (GetWindowLongPtrW(window, GWL_STYLE) & style) != 0;
    }

    const int bar_ = GetSystemMetrics(SM_CXVSCROLL);
    const int barHeight_ = GetSystemMetrics(SM_CYHSCROLL);

private:
    int pages_ = 0;
};

struct FitCase {
    int width, height;
    double zoom;
};

TEST_F(ViewerView, ZoomToFitTwoFitsTheWholeImageIntoTheWindow) {
    const FitCase cases[] = {
        {400, 300, 0.5},        // both sides fit exactly
        {100, 300, 0.5},        // height decides
        {1000, 100, 0.2},       // width decides
        {20, 15, 10.0},         // enlarged
        {2, 1, 64.0},           // enlarged no further than 64
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Viewer& view = ViewOf(c.width, c.height);
        view.PutLong(L"ScrollBars", 3);
        ASSERT_EQ(S_OK, view.Call(L"ZoomToFit", {Long(2)}).hr);
        EXPECT_DOUBLE_EQ(c.zoom, view.GetDouble(L"IPZoomF"));
        EXPECT_EQ(0, view.GetLong(L"ScrollX"));
        EXPECT_EQ(0, view.GetLong(L"ScrollY"));
        // A fitted image needs no scroll bar.
        EXPECT_FALSE(HasStyle(view.window(), WS_HSCROLL | WS_VSCROLL));
    }
}

TEST_F(ViewerView, AnImageTooLongToFitGetsTheSmallestZoomAndScrollBars) {
    Viewer& view = ViewOf(20000, 10);
    ASSERT_EQ(S_OK, view.Call(L"ZoomToFit", {Long(2)}).hr);
    EXPECT_DOUBLE_EQ(1.0 / 64, view.GetDouble(L"IPZoomF"));
    EXPECT_TRUE(HasStyle(view.window(), WS_HSCROLL));
}

TEST_F(ViewerView, ZoomToFitRefusesOtherModesAndKeepsTheZoom) {
    Viewer& view = ViewOf(400, 300);
    for (LONG mode : {0, 1, 3, -1}) {
        CallResult r = view.Call(L"ZoomToFit", {Long(mode)});
        EXPECT_EQ(DISP_E_EXCEPTION, r.hr) << mode;
        EXPECT_NE(L"", view.GetText(L"LastError"));
        EXPECT_DOUBLE_EQ(1.0, view.GetDouble(L"IPZoomF"));
    }
}

TEST_F(ViewerView, ZoomSetsTheFactorWithinOneSixtyFourthToSixtyFour) {
    Viewer& view = ViewOf(400, 300);
    const struct {
        double factor;
        double zoom;
    } accepted[] = {{2.0, 2.0}, {0.25, 0.25}, {1.0, 1.0}, {0.001, 1.0 / 64}, {1000.0, 64.0}};
    for (const auto& c : accepted) {
        ASSERT_EQ(S_OK, view.Call(L"Zoom", {Double(c.factor)}).hr) << c.factor;
        EXPECT_DOUBLE_EQ(c.zoom, view.GetDouble(L"IPZoomF")) << c.factor;
    }
    view.Call(L"Zoom", {Double(3.0)});
    for (double bad : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(DISP_E_EXCEPTION, view.Call(L"Zoom", {Double(bad)}).hr) << bad;
        EXPECT_DOUBLE_EQ(3.0, view.GetDouble(L"IPZoomF")) << bad;
    }
    EXPECT_TRUE(view.events().empty());
}

TEST_F(ViewerView, ScrollPositionsAreClampedAndSettingThemFiresNoEvent) {
    Viewer& view = ViewOf(400, 600);
    ASSERT_EQ(S_OK, view.PutLong(L"ScrollBars", 3));
    const int maxX = 400 - (200 - bar_);
    const int maxY = 600 - (150 - barHeight_);
    const struct {
        const wchar_t* name;
        LONG put, read;
    } cases[] = {
        {L"ScrollX", 50, 50},   {L"ScrollX", -5, 0}, {L"ScrollX", 100000, maxX},
        {L"ScrollY", 120, 120}, {L"ScrollY", -1, 0}, {L"ScrollY", 100000, maxY},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(S_OK, view.PutLong(c.name, c.put));
        EXPECT_EQ(c.read, view.GetLong(c.name)) << c.put;
    }
    // The scroll bars show the same position.
    view.PutLong(L"ScrollX", 33);
    view.PutLong(L"ScrollY", 44);
    EXPECT_EQ(33, GetScrollPos(view.window(), SB_HORZ));
    EXPECT_EQ(44, GetScrollPos(view.window(), SB_VERT));
    // Zooming out keeps the position within the smaller image.
    view.PutLong(L"ScrollY", maxY);
    view.Call(L"Zoom", {Double(0.25)});
    EXPECT_EQ(0, view.GetLong(L"ScrollX"));
    EXPECT_EQ(0, view.GetLong(L"ScrollY"));
    EXPECT_TRUE(view.events().empty());
}

TEST_F(ViewerView, ZoomKeepsThePointInTheMiddleOfTheView) {
    Viewer& view = ViewOf(400, 600);
    const int viewWidth = 200 - bar_, viewHeight = 150 - barHeight_;
    view.PutLong(L"ScrollX", 60);
    view.PutLong(L"ScrollY", 100);
    ASSERT_EQ(S_OK, view.Call(L"Zoom", {Double(2.0)}).hr);
    // Within a pixel: the middle of an odd-sized view lies between two.
    EXPECT_NEAR(2 * 60 + viewWidth / 2.0, view.GetLong(L"ScrollX"), 1.0);
    EXPECT_NEAR(2 * 100 + viewHeight / 2.0, view.GetLong(L"ScrollY"), 1.0);
    ASSERT_EQ(S_OK, view.Call(L"Zoom", {Double(1.0)}).hr);
    EXPECT_EQ(60, view.GetLong(L"ScrollX"));
    EXPECT_EQ(100, view.GetLong(L"ScrollY"));
}

TEST_F(ViewerView, ScrollBarsShowsTheChosenBarsWhereTheImageIsLarger) {
    const struct {
        int width, height;
        LONG choice;
        bool horizontal, vertical;
    } cases[] = {
        {400, 600, 0, false, false}, {400, 600, 1, true, false}, {400, 600, 2, false, true},
        {400, 600, 3, true, true},   {100, 600, 3, false, true}, {400, 100, 3, true, false},
        {100, 100, 3, false, false},
        // One bar takes room, and the other direction no longer fits.
        {195, 600, 3, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " bars " +
                     std::to_string(c.choice));
        Viewer& view = ViewOf(c.width, c.height);
        ASSERT_EQ(S_OK, view.PutLong(L"ScrollBars", c.choice));
        EXPECT_EQ(c.choice, view.GetLong(L"ScrollBars"));
        EXPECT_EQ(c.horizontal, HasStyle(view.window(), WS_HSCROLL));
        EXPECT_EQ(c.vertical, HasStyle(view.window(), WS_VSCROLL));
    }
    Viewer& view = ViewOf(10, 10);
    EXPECT_EQ(DISP_E_EXCEPTION, view.Put(L"ScrollBars", Long(4)).hr);
}

struct UserScroll {
    const char* name;
    UINT message;
    WPARAM wp;
    LONG startX, startY;
    LONG endX, endY; // -1: the largest position
    bool fires;
};

TEST_F(ViewerView, UserScrollingMovesTheViewAndFiresScrollWhenItMoved) {
    const int viewHeight = 150 - barHeight_;
    const int viewWidth = 200 - bar_;
    const LONG line = viewHeight / 10;
    const UserScroll cases[] = {
        {"line down", WM_VSCROLL, SB_LINEDOWN, 0, 0, 0, line, true},
        {"line up", WM_VSCROLL, SB_LINEUP, 0, 30, 0, 30 - line, true},
        {"line up at the top", WM_VSCROLL, SB_LINEUP, 0, 0, 0, 0, false},
        {"page right", WM_HSCROLL, SB_PAGEDOWN, 0, 0, viewWidth, 0, true},
        {"to the bottom", WM_VSCROLL, SB_BOTTOM, 0, 0, 0, -1, true},
        {"to the left", WM_HSCROLL, SB_TOP, 50, 0, 0, 0, true},
        {"end of scrolling", WM_VSCROLL, SB_ENDSCROLL, 0, 20, 0, 20, false},
        {"wheel down", WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0, 0, 0,
         3 * line, true},
        {"wheel up at the top", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, 0, 0, 0, false},
    };
    Viewer& view = ViewOf(400, 600);
    const LONG maxY = 600 - viewHeight;
    for (const UserScroll& c : cases) {
        SCOPED_TRACE(c.name);
        view.PutLong(L"ScrollX", c.startX);
        view.PutLong(L"ScrollY", c.startY);
        view.ClearEvents();
        SendMessageW(view.window(), c.message, c.wp, MAKELPARAM(10, 10));
        EXPECT_EQ(c.endX, view.GetLong(L"ScrollX"));
        EXPECT_EQ(c.endY == -1 ? maxY : c.endY, view.GetLong(L"ScrollY"));
        EXPECT_EQ(c.fires ? std::vector<DISPID>{kScroll} : std::vector<DISPID>{}, view.events());
    }
}

TEST_F(ViewerView, OnlyTheUsersActionsFireEventsInTheOrderTheyHappen) {
    Viewer& view = ViewOf(400, 600);
    HWND w = view.window();
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    SendMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    SendMessageW(w, WM_VSCROLL, SB_LINEDOWN, 0);
    view.PutLong(L"ScrollY", 50);
    view.PutLong(L"ScrollX", 50);
    view.Call(L"Zoom", {Double(2.0)});
    SendMessageW(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    view.Call(L"ZoomToFit", {Long(2)});
    SendMessageW(w, WM_VSCROLL, SB_LINEDOWN, 0); // nothing left to scroll
    SendMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
    view.PutText(L"FileName", L"");

    const std::vector<DISPID> expected = {kDblClick, kScroll, kScroll, kDblClick};
    EXPECT_EQ(expected, view.events());
    // Real double clicks of the mouse arrive as WM_LBUTTONDBLCLK only with this style.
    EXPECT_TRUE(GetClassLongPtrW(w, GCL_STYLE) & CS_DBLCLKS);
}

// ---- painting ----

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0, kWhite = 0xFFFFFF;

struct Probe {
    int x, y;
    uint32_t colour;
};

void ExpectPixels(const Snapshot& shot, const std::vector<Probe>& probes) {
    for (const Probe& p : probes)
        EXPECT_EQ(p.colour, shot.At(p.x, p.y)) << "at " << p.x << "," << p.y;
}

TEST_F(ViewerView, PaintsTheImageAtActualSizeFromTheTopLeftCorner) {
    Viewer& view = ViewOf(40, 30, PixelLayout::Rgb24);
    const uint32_t workspace = ColourOf(GetSysColor(COLOR_APPWORKSPACE));
    ExpectPixels(*PrintClient(view.window()), {{5, 5, kRed},
                                               {35, 5, kGreen},
                                               {5, 25, kBlue},
                                               {35, 25, kBlack},
                                               {0, 0, kRed},
                                               {39, 29, kBlack},
                                               {40, 5, workspace},
                                               {5, 30, workspace},
                                               {150, 100, workspace}});

    Viewer& bilevel = ViewOf(40, 30, PixelLayout::Bilevel);
    ExpectPixels(*PrintClient(bilevel.window()),
                 {{5, 5, kWhite}, {35, 5, kBlack}, {5, 25, kBlack}, {35, 25, kWhite}});
}

TEST_F(ViewerView, PaintsTheFittedImageOverTheWholeWindow) {
    const struct {
        int width, height;
    } sizes[] = {{40, 30}, {400, 300}}; // enlarged, and halftoned smaller
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.width);
        Viewer& view = ViewOf(s.width, s.height, PixelLayout::Rgb24);
        ASSERT_EQ(S_OK, view.Call(L"ZoomToFit", {Long(2)}).hr);
        ExpectPixels(*PrintClient(view.window()), {{20, 20, kRed},
                                                   {180, 20, kGreen},
                                                   {20, 130, kBlue},
                                                   {180, 130, kBlack},
                                                   {199, 149, kBlack}});
    }
}

// A scanned 1-bit page of 10000 x 14000 pixels shown small in a view:
// its quadrants (white, black / black, white) show where they belong, however
// many pixels each view pixel covers.
TEST_F(ViewerView, PaintsALargeBilevelPageFittedSmall) {
    Raster page = Raster::Blank(10000, 14000, PixelLayout::Bilevel);
    const size_t half = page.RowBytes() / 2;   // 625 bytes, 5000 pixels
    for (int y = 0; y < page.height; ++y)
        std::memset(page.Row(y) + (y < page.height / 2 ? half : 0), 0xFF, half);
    Viewer& view = NewViewer({0, 0, 200, 150});
    imaging::TiffWriteOptions group4;
    group4.compression = imaging::TiffCompression::Ccitt4;
    ASSERT_EQ(S_OK, view.Load(WriteTiff("large.tif", page, group4)));
    ASSERT_EQ(S_OK, view.Call(L"ZoomToFit", {Long(2)}).hr);
    // At the smallest zoom, 1/64: 156 x 218 pixels from the top-left corner.
    EXPECT_EQ(view.GetDouble(L"IPZoomF"), 1.0 / 64);
    ExpectPixels(*PrintClient(view.window()),
                 {{39, 50, kWhite}, {117, 50, kBlack}, {39, 130, kBlack}, {117, 130, kWhite},
                  {150, 140, kWhite}, {150, 100, kBlack}, {170, 75, ColourOf(GetSysColor(COLOR_APPWORKSPACE))}});
}

TEST_F(ViewerView, PaintsTheScrolledPart) {
    Viewer& view = ViewOf(400, 300, PixelLayout::Rgb24);
    view.PutLong(L"ScrollX", 150);
    view.PutLong(L"ScrollY", 100);
    // Image column 199 | 200 and row 149 | 150 are the quadrant borders.
    ExpectPixels(*PrintClient(view.window()),
                 {{49, 49, kRed}, {50, 49, kGreen}, {49, 50, kBlue}, {50, 50, kBlack}});
}

TEST_F(ViewerView, DrawsIntoAnotherDeviceContextThroughItsViewObject) {
    Viewer& view = ViewOf(40, 30, PixelLayout::Rgb24);
    IViewObject* object = nullptr;
    ASSERT_EQ(S_OK, view.site().Control()->QueryInterface(IID_IViewObject,
                                                          reinterpret_cast<void**>(&object)));
    Snapshot shot(120, 100);
    const RECTL bounds = {10, 20, 110, 90};
    EXPECT_EQ(S_OK, object->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, shot.dc(),
                                 &bounds, nullptr, nullptr, 0));
    object->Release();
    const uint32_t untouched = 0x010203;
    ExpectPixels(shot, {{10, 20, kRed},
                        {45, 20, kGreen},
                        {10, 45, kBlue},
                        {49, 49, kBlack},
                        {9, 20, untouched},
                        {10, 19, untouched},
                        {110, 50, untouched},
                        {60, 90, untouched}});
}

} // namespace
} // namespace viewertest

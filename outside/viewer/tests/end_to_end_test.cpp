// The image view, the annotation control and its engine together in one
// container, as a host program places them: binding by name, by object and
// by window with the calls the view sees, unbinding and binding again, a
// rectangle drawn with the mouse in the view and painted over the page, the
// events the host receives, the annotations saved into the TIFF and shown
// again by a fresh container, and damaged annotation data in a file.
#include "viewer_fixture.h"

#include "image_reader.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace viewertest {
namespace {

constexpr long kRectangleTool = 4098;
constexpr uint16_t kAnnotationTag = 34686;

class EndToEnd : public ViewerTest {
protected:
    void TearDown() override {
        annotations_.clear();
        ViewerTest::TearDown();
    }

    // A view named Viewer1 and the annotation control, both in the form.
    Viewer& Place() {
        Viewer& view = NewViewer({0, 0, 300, 200});
        view.site().SetDisplayName(L"Viewer1");
        annotations_.push_back(std::make_unique<Annotations>(form_, RECT{300, 0, 340, 200}));
        EXPECT_EQ(S_OK, annotations_.back()->created) << "is inkctl7.dll registered?";
        EXPECT_EQ(S_OK, annotations_.back()->Put(L"TIFFAnnotationType", Long(1)).hr);
        return view;
    }
    Annotations& control() { return *annotations_.back(); }

    std::string Page(const std::string& name, const imaging::TiffWriteOptions& options = {}) {
        Raster white = PatternPage(200, 150, PixelLayout::Bilevel);
        std::fill(white.pixels.begin(), white.pixels.end(), 0);
        return WriteTiff(name, white, options);
    }

    // Draws a rectangle from (x0, y0) to (x1, y1) of the view's window.
    void DrawRectangle(Viewer& view, int x0, int y0, int x1, int y1) {
        if (control().Get(L"CurrentLayer").value.lVal == 0) {
            ASSERT_EQ(S_OK, control().Call(L"CreateLayer").hr);
        }
        ASSERT_EQ(S_OK, control().Put(L"Tool", Long(kRectangleTool)).hr);
        HWND w = view.window();
        // The mouse is over the view as the messages come, as a user's is.
        auto send = [w](UINT message, WPARAM keys, int x, int y) {
            POINT screen = {x, y};
            ClientToScreen(w, &screen);
            SetCursorPos(screen.x, screen.y);
            SendMessageW(w, message, keys, MAKELPARAM(x, y));
        };
        send(WM_MOUSEMOVE, 0, x0, y0);
        send(WM_LBUTTONDOWN, MK_LBUTTON, x0, y0);
        send(WM_MOUSEMOVE, MK_LBUTTON, (x0 + x1) / 2, (y0 + y1) / 2);
        send(WM_MOUSEMOVE, MK_LBUTTON, x1, y1);
        send(WM_LBUTTONUP, 0, x1, y1);
    }

    // Pixels of the page that are no longer white, over a line of the view.
    static int MarkedAlong(Viewer& view, int x0, int y0, int x1, int y1) {
        auto shot = PrintClient(view.window());
        int marked = 0;
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y)
                if (shot->At(x, y) != 0xFFFFFF) ++marked;
        return marked;
    }

    std::vector<std::unique_ptr<Annotations>> annotations_;
};

TEST_F(EndToEnd, EachWayOfBindingMakesTheCallsTheViewExpects) {
    Viewer& view = Place();
    ASSERT_EQ(S_OK, view.Load(Page("page.tif")));
    const Lines bound = {"SetAnnotateServer", "QueryInterface ImageControlSupport",
                         "SetAnnotationCallbacks"};
    auto then = [](Lines first, const Lines& rest) {
        first.insert(first.end(), rest.begin(), rest.end());
        return first;
    };
    struct Step {
        const char* name;
        std::function<void()> run;
        Lines expected;
    } const steps[] = {
        {"by name", [&] { EXPECT_EQ(S_OK, control().PutText(L"Client", L"Viewer1")); },
         then({"GetControlName"}, bound)},
        {"by object, after the name",
         [&] {
             VARIANT unknown;
             unknown.vt = VT_UNKNOWN;
             unknown.punkVal = view.site().Control();
             unknown.punkVal->AddRef();
             CallResult r = control().Call(L"InterfaceConnect", {unknown});
             EXPECT_EQ(S_OK, r.hr);
             EXPECT_EQ(VARIANT_TRUE, r.value.boolVal);
         },
         then({"ReleaseAnnotateServer"}, bound)},
        {"by window, after the object",
         [&] {
             EXPECT_EQ(S_OK, control().Call(L"SetClientWindow",
                                            {Long(static_cast<LONG>(reinterpret_cast<INT_PTR>(
                                                view.window())))})
                                 .hr);
         },
         then({"ReleaseAnnotateServer", "ControlQueryMessage"}, bound)},
        {"unbinding", [&] { EXPECT_EQ(S_OK, control().Call(L"InterfaceDisconnect").hr); },
         {"ReleaseAnnotateServer"}},
        {"a name no view has", [&] { EXPECT_EQ(S_OK, control().PutText(L"Client", L"Other")); },
         {"GetControlName"}},
        {"by name again", [&] { EXPECT_EQ(S_OK, control().PutText(L"Client", L"Viewer1")); },
         then({"GetControlName"}, bound)},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ClearViewTrace();
        step.run();
        // What the view was asked; its own calls to the entries follow the
        // binding and are not part of the order asked here.
        Lines asked;
        for (const std::string& line : ViewTrace())
            if (line.find("LoadTiff") != 0 && line.find("CurrentLayer") != 0 &&
                line.find("ForceUpdate") != 0)
                asked.push_back(line);
        EXPECT_EQ(step.expected, asked);
    }
    // Unbound, the view calls nothing: painting and the mouse stay its own.
    EXPECT_EQ(S_OK, control().Call(L"InterfaceDisconnect").hr);
    ClearViewTrace();
    PrintClient(view.window());
    SendMessageW(view.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(view.window(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(Lines{}, ViewTrace());
}

TEST_F(EndToEnd, ARectangleDrawnWithTheMouseIsPaintedSavedAndShownAgain) {
    const std::string path = Page("page.tif");
    int inside = 0;
    {
        Viewer& view = Place();
        ASSERT_EQ(S_OK, control().PutText(L"Client", L"Viewer1"));
        ASSERT_EQ(S_OK, view.Load(path));
        EXPECT_EQ(0, MarkedAlong(view, 20, 20, 120, 90));
        control().events.clear();
        DrawRectangle(view, 20, 20, 120, 90);
        // The host heard of the mouse and of the new annotation.
        EXPECT_FALSE(control().events.empty());
        const long layer = control().Get(L"CurrentLayer").value.lVal;
        EXPECT_EQ(1, control().Call(L"PrgGetItemCount", {Long(layer)}).value.lVal);
        // It is painted over the white page (a rectangle of the tool's
        // defaults is filled); beside it the page stays white.
        EXPECT_GT(MarkedAlong(view, 19, 30, 21, 80), 0);
        inside = MarkedAlong(view, 40, 40, 100, 70);
        EXPECT_GT(inside, 0);
        EXPECT_EQ(0, MarkedAlong(view, 130, 100, 190, 140));

        view.PutText(L"SaveFileName", Widen(path));
        ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
        std::vector<uint8_t> saved;
        ASSERT_TRUE(imaging::ReadTiffTag(path, kAnnotationTag, &saved));
        EXPECT_FALSE(saved.empty());
    }
    annotations_.clear();
    viewers_.clear();

    // A fresh container shows it again.
    Viewer& again = Place();
    ASSERT_EQ(S_OK, control().PutText(L"Client", L"Viewer1"));
    ASSERT_EQ(S_OK, again.Load(path));
    EXPECT_GT(MarkedAlong(again, 19, 30, 21, 80), 0);
    EXPECT_EQ(inside, MarkedAlong(again, 40, 40, 100, 70));
    EXPECT_EQ(0, MarkedAlong(again, 130, 100, 190, 140));
}

TEST_F(EndToEnd, BrandBurnsTheAnnotationsIntoTheViewsImage) {
    Viewer& view = Place();
    ASSERT_EQ(S_OK, control().PutText(L"Client", L"Viewer1"));
    ASSERT_EQ(S_OK, view.Load(Page("brand.tif")));
    DrawRectangle(view, 20, 20, 120, 90);
    const int drawn = MarkedAlong(view, 10, 10, 130, 100);
    ASSERT_GT(drawn, 0);

    // Burnt in at 24 bits, the rectangle belongs to the image: with every
    // annotation gone it is still there, and only there.
    EXPECT_EQ(S_OK, control().Call(L"Brand", {Long(24)}).hr);
    EXPECT_EQ(S_OK, control().Call(L"Clear").hr);
    EXPECT_EQ(0, control().Get(L"NumLayers").value.lVal);
    EXPECT_EQ(drawn, MarkedAlong(view, 10, 10, 130, 100));
    EXPECT_EQ(0, MarkedAlong(view, 130, 100, 190, 140));
}

TEST_F(EndToEnd, DamagedAnnotationDataLosesNothing) {
    const std::vector<std::vector<uint8_t>> damaged = {
        {0xFF, 0xFF, 0xFF, 0x7F},
        {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},
        std::vector<uint8_t>(300, 0xA5),
    };
    int n = 0;
    for (const std::vector<uint8_t>& bytes : damaged) {
        SCOPED_TRACE("case " + std::to_string(n));
        imaging::TiffWriteOptions options;
        options.privateTags = {{kAnnotationTag, imaging::TiffTagType::Undefined, bytes}};
        const std::string path = Page("damaged" + std::to_string(n++) + ".tif", options);
        Viewer& view = Place();
        ASSERT_EQ(S_OK, control().PutText(L"Client", L"Viewer1"));
        ASSERT_EQ(S_OK, view.Load(path));
        EXPECT_EQ(200, view.GetLong(L"IWidth"));
        EXPECT_EQ(0, MarkedAlong(view, 0, 0, 150, 120));
        // Saved untouched, the data stays as it was.
        view.PutText(L"SaveFileName", Widen(path));
        ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
        std::vector<uint8_t> kept;
        ASSERT_TRUE(imaging::ReadTiffTag(path, kAnnotationTag, &kept));
        EXPECT_EQ(bytes, kept);
        annotations_.clear();
        viewers_.clear();
    }
}

} // namespace
} // namespace viewertest

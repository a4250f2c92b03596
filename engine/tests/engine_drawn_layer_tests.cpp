// A layer drawn as a user draws it, with the mouse through the tools (a
// polyline of clicks, a freehand stroke, a ruler, a stamp and a picture
// placed by a click), shown, then saved and loaded again and again: after
// the first round every way of saving it gives the same bytes each time.
// These tests move the screen cursor and show a window, so they run alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dib_canvas.h"
#include "format_test_support.h"
#include "layer_in_window.h"

using namespace engine_test;
using formats_test::Bytes;

namespace {

AnnotationEngine* g_stampEngine = nullptr;
int g_stampLayer = 0;
int __stdcall StampText(HostCookie)
{
    BSTR text = SysAllocString(L"APPROVED");
    g_stampEngine->SetToolAttribute(g_stampLayer, StampTool, QMK_Text, reinterpret_cast<EngineValue>(text));
    SysFreeString(text);
    return 0;
}

class DrawnLayer : public LayerInWindow {
protected:
    DrawnLayer()
    {
        ReleaseCapture();
        g_stampEngine = host.Engine();
        g_stampLayer = layer;
        host->RegisterCallback(Channel_Stamping, reinterpret_cast<void*>(&StampText));
    }
    ~DrawnLayer() override { g_stampEngine = nullptr; }

    void Clicks(const std::vector<POINT>& points)
    {
        for (const POINT& p : points) {
            window.Send(host.Engine(), WM_MOUSEMOVE, 0, p.x, p.y);
            window.Send(host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON, p.x, p.y);
            window.Send(host.Engine(), WM_LBUTTONUP, 0, p.x, p.y);
        }
        window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, points.back().x, points.back().y);
        window.Send(host.Engine(), WM_LBUTTONUP, 0, points.back().x, points.back().y);
    }
    void Stroke(const std::vector<POINT>& points)
    {
        window.Send(host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON, points[0].x, points[0].y);
        for (size_t i = 1; i < points.size(); ++i)
            window.Send(host.Engine(), WM_MOUSEMOVE, MK_LBUTTON, points[i].x, points[i].y);
        window.Send(host.Engine(), WM_LBUTTONUP, 0, points.back().x, points.back().y);
    }

    // Draws one item of each kind and shows the layer; the kinds drawn.
    std::vector<int> Draw()
    {
        EXPECT_EQ(0, host->SetTool(layer, PolyLineTool));
        Clicks({{50, 50}, {90, 60}, {130, 50}, {170, 80}});
        EXPECT_EQ(0, host->SetTool(layer, FreehandTool));
        Stroke({{100, 100}, {120, 110}, {140, 130}, {160, 160}});
        EXPECT_EQ(0, host->SetTool(layer, RulerTool));
        Stroke({{100, 300}, {200, 310}, {400, 300}});
        EXPECT_EQ(0, host->SetTool(layer, StampTool));
        window.Click(host.Engine(), 300, 400);
        HGLOBAL picture = formats_test::ShadeDib(0x5A, 5, 4);
        EXPECT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(picture)));
        GlobalFree(picture);
        EXPECT_EQ(0, host->SetTool(layer, ImageTool));
        window.Click(host.Engine(), 500, 200);
        EXPECT_EQ(0, host->SetTool(layer, PointerTool));
        Show(host.Engine());
        std::vector<int> kinds;
        for (int seq : Order()) {
            EngineValue type = 0;
            host->PrgGetItemAttribute(layer, seq, QMK_ToolType, &type);
            kinds.push_back(static_cast<int>(type));
        }
        return kinds;
    }

    // The engine painted as its host shows it.
    static void Show(AnnotationEngine* e)
    {
        testkit::DibCanvas canvas(800, 600);
        e->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
    }
};

// One way of saving: what an engine saves, and loading that into a fresh
// engine (which is then shown).
struct Path {
    const char* name;
    std::function<Bytes(AnnotationEngine*)> save;
    std::function<int(AnnotationEngine*, const Bytes&)> load;
};

// The views a host may show the layer in while it is drawn and each time it
// is loaded: zoomed and scrolled, with resolutions that differ across and
// down. The first is the plain view.
struct View {
    const char* name;
    RECT image;  // the shown part of the 800 x 600 image
    double resolutionX;
    double resolutionY;
};
const View kViews[] = {
    {"100 %, 200 dpi", {0, 0, 800, 600}, 200.0, 200.0},
    {"100 %, 300 x 150 dpi", {0, 0, 800, 600}, 300.0, 150.0},
    {"150 % scrolled, 200 dpi", {30, 20, 1200, 900}, 200.0, 200.0},
    {"75 % across, 140 % down, 96 x 204 dpi", {0, 0, 600, 840}, 96.0, 204.0},
};

class DrawnLayerInView : public DrawnLayer, public ::testing::WithParamInterface<View> {
protected:
    DrawnLayerInView()
    {
        FakeServices& s = host.Services();
        s.image = GetParam().image;
        s.kind = 4;
        s.resolutionX = GetParam().resolutionX;
        s.resolutionY = GetParam().resolutionY;
    }
};

TEST_P(DrawnLayerInView, EveryWayOfSavingIsAFixedPointAfterOneRound)
{
    ASSERT_EQ((std::vector<int>{PolyLineTool, FreehandTool, RulerTool, StampTool, ImageTool}), Draw());
    const Path paths[] = {
        {"annotation stream", [](AnnotationEngine* e) { return formats_test::SavedStream(e); },
         formats_test::LoadStream},
        {"layer record", [](AnnotationEngine* e) { return formats_test::SavedLayer(e, e->GetFirstLayer()); },
         formats_test::LoadLayer},
        {"annotation stream in a VARIANT",
         [](AnnotationEngine* e) {
             VARIANT v;
             VariantInit(&v);
             int size = 0;
             e->GetAnnIntoVariant(&v, &size);
             Bytes bytes = formats_test::ArrayBytes(v);
             VariantClear(&v);
             return bytes;
         },
         [](AnnotationEngine* e, const Bytes& b) {
             VARIANT v;
             formats_test::MakeByteArray(b, &v);
             int width = 0, height = 0;
             const int result = e->SetAnnFromVariant(&v, &width, &height);
             VariantClear(&v);
             return result;
         }},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        std::vector<Bytes> rounds = {path.save(host.Engine())};
        ASSERT_FALSE(rounds[0].empty());
        for (int round = 1; round <= 3; ++round) {
            TestHost next(library);
            next.Services() = host.Services();
            next->SetHostWindow(window.hwnd());
            ASSERT_EQ(0, path.load(next.Engine(), rounds.back()));
            Show(next.Engine());
            rounds.push_back(path.save(next.Engine()));
        }
        EXPECT_EQ(rounds[1], rounds[2]) << formats_test::FirstDifference(rounds[1], rounds[2]);
        EXPECT_EQ(rounds[2], rounds[3]) << formats_test::FirstDifference(rounds[2], rounds[3]);
    }
}

INSTANTIATE_TEST_SUITE_P(Views, DrawnLayerInView, ::testing::ValuesIn(kViews),
                         [](const ::testing::TestParamInfo<View>& info) {
                             return "view" + std::to_string(info.index);
                         });

} // namespace

// A layer of every kind made the way a host makes one through the engine's
// interface (an element per item, with its attributes, appended), under
// views and resolutions a host may have (zoomed, scrolled, resolutions that
// differ across and down, fonts scaled), then saved and loaded into a fresh
// engine again and again through every carrier: after the first round each
// carrier gives the same bytes each time. Pasting uses the one clipboard.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dib_canvas.h"
#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;
using formats_test::Bytes;

namespace {

// What the host shows: its view and resolution, and the engine's font scaling.
struct Setting {
    const char* name;
    RECT image;  // the shown part of an 800 x 600 image: scroll offsets, displayed size
    double resolutionX;
    double resolutionY;
    int fontScaling;
};

const Setting kSettings[] = {
    {"100 %, 200 dpi", {0, 0, 800, 600}, 200.0, 200.0, 0},
    {"100 %, 300 x 150 dpi", {0, 0, 800, 600}, 300.0, 150.0, 0},
    {"50 %, 200 dpi", {0, 0, 400, 300}, 200.0, 200.0, 0},
    {"233 % scrolled, 300 x 120 dpi", {37, 21, 1864, 1398}, 300.0, 120.0, 0},
    {"75 % across, 140 % down, 96 x 204 dpi, fonts scaled", {0, 0, 600, 840}, 96.0, 204.0, 1},
    {"66 %, 200 dpi, fonts scaled", {5, 3, 533, 400}, 200.0, 200.0, 1},
};

void Apply(TestHost& host, const Setting& setting)
{
    FakeServices& s = host.Services();
    s.image = setting.image;
    s.view = {0, 0, 800, 600};
    s.kind = 4;
    s.resolutionX = setting.resolutionX;
    s.resolutionY = setting.resolutionY;
    host->SetProperty(QMK_FontScaling, setting.fontScaling);
}

// A picture whose resolution differs across and down.
HGLOBAL PictureOf(int width, int height)
{
    HGLOBAL block = formats_test::ShadeDib(0x3C, width, height);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    header->biXPelsPerMeter = 11811;  // 300 dpi
    header->biYPelsPerMeter = 5906;   // 150 dpi
    GlobalUnlock(block);
    return block;
}

void SetText(AnnotationEngine* e, int element, int code, const wchar_t* text)
{
    BSTR value = SysAllocString(text);
    EXPECT_EQ(0, e->ElementSetAttribute(element, code, reinterpret_cast<EngineValue>(value)));
    SysFreeString(value);
}

// One item of every kind from an element with attributes a host sets; the
// layer.
constexpr int kKinds = 14;

int AppendEveryKind(AnnotationEngine* e)
{
    const int layer = e->CreateLayer(1);
    struct Kind {
        int tool;
        RECT box;
        std::vector<POINT> points;
        const wchar_t* text;
        int orientation;
    };
    const Kind kinds[] = {
        {PolyLineTool, {}, {{50, 50}, {90, 61}, {131, 50}, {170, 83}}, nullptr, 0},
        {FreehandTool, {}, {{100, 100}, {121, 113}, {140, 131}, {163, 160}}, nullptr, 0},
        {RulerTool, {}, {{100, 300}, {403, 311}}, nullptr, 0},
        {StampTool, {300, 400, 451, 437}, {}, L"APPROVED", 0},
        {StampTool, {500, 100, 541, 233}, {}, L"TURNED", 900},
        {ImageTool, {500, 200, 577, 251}, {}, nullptr, 0},
        {ImageTool, {600, 300, 600, 300}, {}, nullptr, 0},
        {TextTool, {20, 420, 183, 467}, {}, L"typed\r\ntext", 0},
        {TextTool, {220, 420, 263, 567}, {}, L"turned", 2700},
        {LineTool, {}, {{20, 500}, {181, 533}}, nullptr, 0},
        {PolygonTool, {}, {{600, 20}, {661, 33}, {633, 91}}, nullptr, 0},
        {RectangleTool, {20, 60, 91, 113}, {}, nullptr, 0},
        {EllipseTool, {100, 60, 181, 121}, {}, nullptr, 0},
        {ButtonTool, {650, 500, 731, 531}, {}, L"Press", 0},
    };
    HGLOBAL picture = PictureOf(7, 5);
    LOGFONTA font = {};
    font.lfHeight = -17;
    font.lfWeight = FW_BOLD;
    std::strcpy(font.lfFaceName, "Arial");
    for (const Kind& kind : kinds) {
        const int element = formats_test::NewElement(e, kind.tool, kind.box, kind.points);
        if (kind.text) {
            SetText(e, element, QMK_Text, kind.text);
            e->ElementSetAttribute(element, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
            e->ElementSetAttribute(element, QMK_TextOrientation, kind.orientation);
        }
        if (kind.tool == ImageTool)
            e->ElementSetAttribute(element, QMK_DibPtr, reinterpret_cast<EngineValue>(picture));
        if (kind.tool == RulerTool) {
            e->ElementSetAttribute(element, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
            e->ElementSetAttribute(element, QMK_MeasureChoice, 2);
            e->ElementSetAttribute(element, QMK_Precision, 3);
            e->ElementSetAttribute(element, QMK_GaugeLength, 17);
            e->ElementSetAttribute(element, QMK_ShowAbbr, 1);
        }
        e->ElementSetAttribute(element, QMK_PenColor, 0x102030 + kind.tool);
        e->ElementSetAttribute(element, QMK_PenWidth, 3);
        e->ElementSetAttribute(element, QMK_FillColor, 0x00C0A0);
        SetText(e, element, QMK_ItemName, L"item");
        e->ElementSetAttribute(element, QMK_UserLong, kind.tool);
        int seq = 0;
        EXPECT_EQ(0, e->ElementAppend(layer, element, &seq)) << "tool " << kind.tool;
        e->ElementDestroy(element);
    }
    GlobalFree(picture);
    return layer;
}

void Show(AnnotationEngine* e)
{
    testkit::DibCanvas canvas(800, 600);
    e->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
}

int __stdcall Password(HostCookie, BSTR, BSTR* password)
{
    if (password) {
        SysFreeString(*password);
        *password = SysAllocString(L"key");
    }
    return 0;
}

// One carrier: what an engine saves, and how a fresh engine takes it.
struct Carrier {
    const char* name;
    std::function<Bytes(AnnotationEngine*)> save;
    std::function<int(AnnotationEngine*, const Bytes&)> load;
};

Bytes ClipboardLayer(AnnotationEngine* e)
{
    if (e->CopyToClipboard(e->GetFirstLayer(), 0) != 0)
        return {};
    return formats_test::SavedLayer(e, e->GetFirstLayer());
}

// The record read into a layer whose items are then copied, each through an
// element as a host copies items, into a layer of their own.
int LoadThroughElements(AnnotationEngine* e, const Bytes& b)
{
    int result = formats_test::LoadLayer(e, b);
    if (result != 0)
        return result;
    const int source = e->GetFirstLayer();
    const int copy = e->CreateLayer(1);
    int seq = 0;
    for (e->PrgGetFirstItem(source, &seq); seq != 0 && result == 0; e->PrgGetNextItem(source, &seq)) {
        int element = 0;
        e->ElementCreate(&element);
        result = e->PrgGetItemAttributes(source, seq, element);
        int added = 0;
        if (result == 0)
            result = e->ElementAppend(copy, element, &added);
        e->ElementDestroy(element);
    }
    e->DeleteLayer(source);
    return result;
}

const Carrier kCarriers[] = {
    {"annotation stream", [](AnnotationEngine* e) { return formats_test::SavedStream(e); },
     formats_test::LoadStream},
    {"layer record", [](AnnotationEngine* e) { return formats_test::SavedLayer(e, e->GetFirstLayer()); },
     formats_test::LoadLayer},
    {"scrambled layer record",
     [](AnnotationEngine* e) {
         BSTR key = SysAllocString(L"key");
         e->SetLayerPassword(e->GetFirstLayer(), key);
         SysFreeString(key);
         return formats_test::SavedLayer(e, e->GetFirstLayer());
     },
     formats_test::LoadLayer},
    {"items copied through elements",
     [](AnnotationEngine* e) { return formats_test::SavedLayer(e, e->GetFirstLayer()); }, LoadThroughElements},
    {"clipboard, as a new layer", ClipboardLayer,
     [](AnnotationEngine* e, const Bytes&) {
         int made = 0;
         return e->PasteLayer(&made);
     }},
    {"clipboard, into a layer", ClipboardLayer,
     [](AnnotationEngine* e, const Bytes&) { return e->Paste(e->CreateLayer(1)); }},
};

TEST(AppendedLayer, EveryCarrierIsAFixedPointAfterOneRoundInEveryView)
{
    EngineLibrary library;
    ASSERT_TRUE(library.Loaded());
    for (const Setting& setting : kSettings) {
        SCOPED_TRACE(setting.name);
        for (const Carrier& carrier : kCarriers) {
            SCOPED_TRACE(carrier.name);
            TestHost first(library);
            Apply(first, setting);
            first->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&Password));
            AppendEveryKind(first.Engine());
            Show(first.Engine());
            std::vector<Bytes> rounds = {carrier.save(first.Engine())};
            ASSERT_FALSE(rounds[0].empty());
            for (int round = 1; round <= 3; ++round) {
                TestHost next(library);
                Apply(next, setting);
                next->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&Password));
                ASSERT_EQ(0, carrier.load(next.Engine(), rounds.back()));
                int count = 0;
                next->PrgGetItemCount(next->GetFirstLayer(), &count);
                ASSERT_EQ(kKinds, count);
                Show(next.Engine());
                rounds.push_back(carrier.save(next.Engine()));
            }
            EXPECT_EQ(rounds[1], rounds[2]) << formats_test::FirstDifference(rounds[1], rounds[2]);
            EXPECT_EQ(rounds[2], rounds[3]) << formats_test::FirstDifference(rounds[2], rounds[3]);
        }
    }
}

} // namespace

// The layer operations through the interface: the forwards and their answers
// for unknown layers and unknown items, the tool of a layer with its events,
// tool and palette flags, layer properties, password and the updates flag.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

using LayerCall = std::function<int(AnnotationEngine*, int layer)>;

struct ForwardCase {
    const char* name;
    LayerCall call;
};

// One call per forwarded operation, with arguments that would be valid for
// an empty layer.
std::vector<ForwardCase> Forwards()
{
    static int out = 0;
    static unsigned char flag = 0;
    static POINT point = {};
    static RECT rect = {};
    static EngineValue value = 0;
    static BSTR text = nullptr;
    return {
        {"PrgGetItemCount", [](AnnotationEngine* e, int l) { return e->PrgGetItemCount(l, &out); }},
        {"PrgMoveItem", [](AnnotationEngine* e, int l) { return e->PrgMoveItem(l, 1, 0, 0); }},
        {"PrgSetItemRect", [](AnnotationEngine* e, int l) { return e->PrgSetItemRect(l, 1, 0, 0, 5, 5); }},
        {"GetTool", [](AnnotationEngine* e, int l) { return e->GetTool(l, &out); }},
        {"SetToolAttribute", [](AnnotationEngine* e, int l) { return e->SetToolAttribute(l, RectangleTool, QMK_PenWidth, 2); }},
        {"GetToolAttribute", [](AnnotationEngine* e, int l) { return e->GetToolAttribute(l, RectangleTool, QMK_PenWidth, &value); }},
        {"PrgSetItemAttribute", [](AnnotationEngine* e, int l) { return e->PrgSetItemAttribute(l, 1, QMK_PenWidth, 2); }},
        {"PrgGetItemAttribute", [](AnnotationEngine* e, int l) { return e->PrgGetItemAttribute(l, 1, QMK_PenWidth, &value); }},
        {"PrgSetItemPoint", [](AnnotationEngine* e, int l) { return e->PrgSetItemPoint(l, 1, 0, &point); }},
        {"PrgGetItemPoint", [](AnnotationEngine* e, int l) { return e->PrgGetItemPoint(l, 1, 0, &point); }},
        {"Update", [](AnnotationEngine* e, int l) { return e->Update(l, nullptr, &flag); }},
        {"Reverse", [](AnnotationEngine* e, int l) { return e->Reverse(l); }},
        {"SetLayerProperty", [](AnnotationEngine* e, int l) { return e->SetLayerProperty(l, QMK_LayerActive, 1); }},
        {"GetLayerProperty", [](AnnotationEngine* e, int l) { return e->GetLayerProperty(l, QMK_LayerActive, &value); }},
        {"PrgSelectAll", [](AnnotationEngine* e, int l) { return e->PrgSelectAll(l, 1); }},
        {"PrgDeleteAll", [](AnnotationEngine* e, int l) { return e->PrgDeleteAll(l); }},
        {"BringToFront", [](AnnotationEngine* e, int l) { return e->BringToFront(l); }},
        {"SendToBack", [](AnnotationEngine* e, int l) { return e->SendToBack(l); }},
        {"BringItemToFront", [](AnnotationEngine* e, int l) { return e->BringItemToFront(l, 1); }},
        {"SendItemToBack", [](AnnotationEngine* e, int l) { return e->SendItemToBack(l, 1); }},
        {"ToolbarGetToolEnabled", [](AnnotationEngine* e, int l) { return e->ToolbarGetToolEnabled(l, TextTool, &flag); }},
        {"ToolbarSetToolEnabled", [](AnnotationEngine* e, int l) { return e->ToolbarSetToolEnabled(l, TextTool, 1); }},
        {"ToolbarDeleteTool", [](AnnotationEngine* e, int l) { return e->ToolbarDeleteTool(l, TextTool); }},
        {"ToolbarGetToolVisible", [](AnnotationEngine* e, int l) { return e->ToolbarGetToolVisible(l, TextTool, &flag); }},
        {"ToolbarSetToolVisible", [](AnnotationEngine* e, int l) { return e->ToolbarSetToolVisible(l, TextTool, 1); }},
        {"ToolbarGetVisible", [](AnnotationEngine* e, int l) { return e->ToolbarGetVisible(l, &flag); }},
        {"ToolbarSetVisible", [](AnnotationEngine* e, int l) { return e->ToolbarSetVisible(l, 0); }},
        {"ToolbarGetEnabled", [](AnnotationEngine* e, int l) { return e->ToolbarGetEnabled(l, &flag); }},
        {"ToolbarSetEnabled", [](AnnotationEngine* e, int l) { return e->ToolbarSetEnabled(l, 1); }},
        {"NudgeUp", [](AnnotationEngine* e, int l) { return e->NudgeUp(l, 1); }},
        {"NudgeDn", [](AnnotationEngine* e, int l) { return e->NudgeDn(l, 1); }},
        {"PrgDeleteItem", [](AnnotationEngine* e, int l) { return e->PrgDeleteItem(l, 1); }},
        {"PrgSequenceFromEntry", [](AnnotationEngine* e, int l) { return e->PrgSequenceFromEntry(l, 1, &out); }},
        {"PrgGetItemRect", [](AnnotationEngine* e, int l) { return e->PrgGetItemRect(l, 1, &rect); }},
        {"SetLayerPassword", [](AnnotationEngine* e, int l) { return e->SetLayerPassword(l, text); }},
        {"GetLayerPassword", [](AnnotationEngine* e, int l) { return e->GetLayerPassword(l, &text); }},
    };
}

TEST(LayerForwards, UnknownLayersGive1013AndChangeNothing)
{
    EngineLibrary library;
    TestHost host(library);
    int live = host->CreateLayer(1);
    host.ClearCalls();
    for (const ForwardCase& c : Forwards()) {
        EXPECT_EQ(QMK_ErrInvalidLayer, c.call(host.Engine(), 0)) << c.name;
        EXPECT_EQ(QMK_ErrInvalidLayer, c.call(host.Engine(), live + 1000)) << c.name;
    }
    EXPECT_EQ(0, host->IsSelection(0));
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
}

TEST(LayerForwards, WalksClearTheirOutNumber)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    using Walk = int(__stdcall AnnotationEngine::*)(int, int*);
    const Walk walks[] = {&AnnotationEngine::PrgGetFirstItem, &AnnotationEngine::PrgGetNextItem,
                          &AnnotationEngine::PrgGetFirstSelected,
                          &AnnotationEngine::PrgGetNextSelected};
    for (Walk walk : walks) {
        int seq = 77;
        EXPECT_EQ(QMK_ErrInvalidLayer, (host.Engine()->*walk)(0, &seq));
        EXPECT_EQ(0, seq);
        seq = 77;
        EXPECT_EQ(QMK_NoError, (host.Engine()->*walk)(layer, &seq)) << "an empty layer";
        EXPECT_EQ(0, seq);
    }
}

TEST(LayerForwards, AnEmptyLayer)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    host.ClearCalls();
    int count = -1;
    EXPECT_EQ(QMK_NoError, host->PrgGetItemCount(layer, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(0, host->IsSelection(layer));
    struct Row {
        const char* name;
        std::function<int()> call;
        int result;
    };
    int seq = -1;
    POINT point = {};
    RECT rect = {};
    EngineValue value = 0;
    const Row rows[] = {
        {"sequence from entry 1", [&] { return host->PrgSequenceFromEntry(layer, 1, &seq); }, QMK_ErrItemNotFound},
        {"move", [&] { return host->PrgMoveItem(layer, 1, 5, 5); }, QMK_ErrItemNotFound},
        {"set rect", [&] { return host->PrgSetItemRect(layer, 1, 0, 0, 5, 5); }, QMK_ErrItemNotFound},
        {"get rect", [&] { return host->PrgGetItemRect(layer, 1, &rect); }, QMK_ErrItemNotFound},
        {"set attribute", [&] { return host->PrgSetItemAttribute(layer, 1, QMK_PenWidth, 3); }, QMK_ErrItemNotFound},
        {"get attribute", [&] { return host->PrgGetItemAttribute(layer, 1, QMK_PenWidth, &value); }, QMK_ErrItemNotFound},
        {"set point", [&] { return host->PrgSetItemPoint(layer, 1, 0, &point); }, QMK_ErrItemNotFound},
        {"get point", [&] { return host->PrgGetItemPoint(layer, 1, 0, &point); }, QMK_ErrItemNotFound},
        {"delete", [&] { return host->PrgDeleteItem(layer, 1); }, QMK_ErrItemNotFound},
        {"to front", [&] { return host->BringItemToFront(layer, 1); }, QMK_ErrItemNotFound},
        {"to back", [&] { return host->SendItemToBack(layer, 1); }, QMK_ErrItemNotFound},
        {"nudge up", [&] { return host->NudgeUp(layer, 1); }, QMK_NoError},
        {"nudge down", [&] { return host->NudgeDn(layer, 1); }, QMK_NoError},
        {"selected to front", [&] { return host->BringToFront(layer); }, QMK_ErrNoSelection},
        {"selected to back", [&] { return host->SendToBack(layer); }, QMK_ErrNoSelection},
        {"select all", [&] { return host->PrgSelectAll(layer, 1); }, QMK_NoError},
        {"deselect all", [&] { return host->PrgSelectAll(layer, 0); }, QMK_NoError},
        {"reverse", [&] { return host->Reverse(layer); }, QMK_NoError},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.result, row.call()) << row.name;
    EXPECT_EQ(0, seq);
    EXPECT_TRUE(host.Calls().empty()) << "nothing to report: " << Describe(host.Calls());
}

std::vector<ChannelCall> ToolChanges(std::initializer_list<int> tools)
{
    std::vector<ChannelCall> calls;
    for (int tool : tools)
        calls.push_back({Channel_AnnotateEvent, {QMK_ToolChange, tool}});
    return calls;
}

TEST(LayerTools, SetToolReportsEachChange)
{
    EngineLibrary library;
    TestHost host(library);
    int other = host->CreateLayer(0);
    int layer = host->CreateLayer(1);
    host.ClearCalls();
    struct Step {
        int tool;
        int result;
        int toolAfter;
    };
    const Step steps[] = {
        {RectangleTool, 0, RectangleTool},
        {ProtractorTool, 0, RectangleTool},  // leaves the tool as it is
        {EllipseTool, 0, EllipseTool},
        {EllipseTool, 0, EllipseTool},       // a fresh pending ellipse, reported again
        {PointerTool, 0, PointerTool},
        {PointerTool, 0, PointerTool},       // pointer again: no event
        {4109, QMK_ErrInvalidTool, PointerTool},
        {NoTool, 0, NoTool},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.result, host->SetTool(layer, step.tool)) << step.tool;
        int tool = -1;
        EXPECT_EQ(QMK_NoError, host->GetTool(layer, &tool));
        EXPECT_EQ(step.toolAfter, tool) << step.tool;
    }
    EXPECT_EQ(ToolChanges({RectangleTool, EllipseTool, EllipseTool, PointerTool, NoTool}),
              host.Calls())
        << Describe(host.Calls());
    host.ClearCalls();
    EXPECT_EQ(QMK_ErrInvalidTool, host->SetTool(other, RectangleTool)) << "not the current layer";
    int tool = -1;
    EXPECT_EQ(QMK_NoError, host->GetTool(other, &tool));
    EXPECT_EQ(0, tool);
    EXPECT_TRUE(host.Calls().empty());
}

TEST(LayerTools, DeleteAllEndsInPointerMode)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    ASSERT_EQ(0, host->SetTool(layer, RectangleTool));
    host.ClearCalls();
    EXPECT_EQ(QMK_NoError, host->PrgDeleteAll(layer));
    int tool = 0;
    host->GetTool(layer, &tool);
    EXPECT_EQ(PointerTool, tool);
    EXPECT_EQ(ToolChanges({PointerTool}), host.Calls()) << Describe(host.Calls());
}

TEST(LayerTools, UserStringOfAToolWithoutOne)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    for (int tool = TextTool; tool <= RulerTool; ++tool) {
        EngineValue got = 0;
        EXPECT_EQ(QMK_NoError, host->GetToolAttribute(layer, tool, QMK_UserString, &got)) << tool;
        ASSERT_NE(0, got) << tool;
        EXPECT_EQ(0u, SysStringLen(reinterpret_cast<BSTR>(got))) << tool;
        SysFreeString(reinterpret_cast<BSTR>(got));
        std::wstring text = L"tool " + std::to_wstring(tool);
        BSTR value = SysAllocString(text.c_str());
        EXPECT_EQ(QMK_NoError, host->SetToolAttribute(layer, tool, QMK_UserString,
                                                      reinterpret_cast<EngineValue>(value)));
        SysFreeString(value);
    }
    for (int tool = TextTool; tool <= RulerTool; ++tool) {
        EngineValue got = 0;
        EXPECT_EQ(QMK_NoError, host->GetToolAttribute(layer, tool, QMK_UserString, &got));
        EXPECT_EQ(L"tool " + std::to_wstring(tool), std::wstring(reinterpret_cast<BSTR>(got)));
        SysFreeString(reinterpret_cast<BSTR>(got));
    }
}

TEST(LayerFlags, ToolAndPaletteFlags)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    unsigned char flag = 9;
    EXPECT_EQ(QMK_ErrInvalidTool, host->ToolbarGetToolEnabled(layer, 0, &flag));
    EXPECT_EQ(QMK_ErrInvalidTool, host->ToolbarSetToolVisible(layer, 4109, 1));
    EXPECT_EQ(QMK_NoError, host->ToolbarSetToolEnabled(layer, LineTool, 0));
    EXPECT_EQ(QMK_NoError, host->ToolbarGetToolEnabled(layer, LineTool, &flag));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(QMK_NoError, host->ToolbarGetToolVisible(layer, LineTool, &flag));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(QMK_NoError, host->ToolbarDeleteTool(layer, LineTool));

    EXPECT_EQ(QMK_NoError, host->ToolbarGetVisible(layer, &flag));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(QMK_NoError, host->ToolbarGetEnabled(layer, &flag));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(QMK_NoError, host->ToolbarSetVisible(layer, 1));
    EXPECT_EQ(QMK_NoError, host->ToolbarGetVisible(layer, &flag));
    EXPECT_EQ(1, flag);
}

TEST(LayerProperties, ThroughTheInterface)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    int value = -1;
    EXPECT_EQ(QMK_NoError, host->GetLayerProperty(layer, QMK_LayerActive,
                                                  reinterpret_cast<EngineValue*>(&value)));
    EXPECT_EQ(1, value) << "a layer made current is active";
    EXPECT_EQ(QMK_ErrInvalidAttribute, host->SetLayerProperty(layer, 999, 1));
    BSTR name = SysAllocString(L"Review");
    EXPECT_EQ(QMK_NoError, host->SetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue>(name)));
    SysFreeString(name);
    BSTR got = nullptr;
    EXPECT_EQ(QMK_NoError, host->GetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue*>(&got)));
    EXPECT_EQ(std::wstring(L"Review"), std::wstring(got));
    SysFreeString(got);

    BSTR password = SysAllocString(L"secret");
    EXPECT_EQ(QMK_NoError, host->SetLayerPassword(layer, password));
    SysFreeString(password);
    got = nullptr;
    EXPECT_EQ(QMK_NoError, host->GetLayerPassword(layer, &got));
    EXPECT_EQ(std::wstring(L"secret"), std::wstring(got));
    SysFreeString(got);
}

TEST(LayerProperties, UpdateGivesThePreviousFlag)
{
    EngineLibrary library;
    TestHost host(library);
    int layer = host->CreateLayer(1);
    unsigned char before = 9;
    EXPECT_EQ(QMK_NoError, host->Update(layer, nullptr, &before));
    EXPECT_EQ(1, before);
    const unsigned char off = 0;
    EXPECT_EQ(QMK_NoError, host->Update(layer, &off, &before));
    EXPECT_EQ(1, before);
    EXPECT_EQ(QMK_NoError, host->Update(layer, nullptr, &before));
    EXPECT_EQ(0, before);
    EXPECT_EQ(QMK_NoError, host->Update(layer, nullptr, nullptr));
}

} // namespace

// Layers through the interface: creation, the current layer and channel 9,
// deletion, the walk, and two engines side by side.
#include <gtest/gtest.h>

#include <functional>

#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;

namespace {

std::vector<ChannelCall> Channel9(std::initializer_list<int> layers)
{
    std::vector<ChannelCall> calls;
    for (int layer : layers)
        calls.push_back({Channel_CurrentLayerChange, {layer}});
    return calls;
}

// A new layer made current: its tool (none yet) is set again and reported,
// then the host hears of the new current layer.
std::vector<ChannelCall> MadeCurrent(std::initializer_list<int> layers)
{
    std::vector<ChannelCall> calls;
    for (int layer : layers) {
        calls.push_back({Channel_AnnotateEvent, {QMK_ToolChange, NoTool}});
        calls.push_back({Channel_CurrentLayerChange, {layer}});
    }
    return calls;
}

TEST(Layers, CreationAndTheCurrentLayer)
{
    EngineLibrary library;
    TestHost host(library);
    int a = host->CreateLayer(0);
    ASSERT_NE(0, a);
    EXPECT_EQ(0, host->GetCurrentLayer());
    EXPECT_EQ(1, host->IsValidLayer(a));
    int b = host->CreateLayer(1);
    int c = host->CreateLayer(1);
    EXPECT_EQ(c, host->GetCurrentLayer());
    EXPECT_EQ(3, host->GetLayerCount());
    EXPECT_EQ(MadeCurrent({b, c}), host.Calls()) << Describe(host.Calls());
    host.ClearCalls();

    // SetCurrentLayer never calls channel 9; the layer made current reports
    // its tool, the current layer itself nothing.
    EXPECT_EQ(1, host->SetCurrentLayer(c));
    EXPECT_EQ(1, host->SetCurrentLayer(a));
    EXPECT_EQ(a, host->GetCurrentLayer());
    EXPECT_EQ(1, host->SetCurrentLayer(0));
    EXPECT_EQ(0, host->GetCurrentLayer());
    const std::vector<ChannelCall> toolOfA = {{Channel_AnnotateEvent, {QMK_ToolChange, NoTool}}};
    EXPECT_EQ(toolOfA, host.Calls()) << Describe(host.Calls());
}

TEST(Layers, DeletionRules)
{
    EngineLibrary library;
    TestHost host(library);
    int a = host->CreateLayer(0);
    int b = host->CreateLayer(1);
    host.ClearCalls();
    EXPECT_EQ(1, host->DeleteLayer(b));
    EXPECT_EQ(0, host->GetCurrentLayer());
    EXPECT_EQ(0, host->DeleteLayer(b));
    EXPECT_EQ(0, host->IsValidLayer(b));
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());

    // DeleteAllLayers calls channel 9 with 0 only when a layer was current.
    host->DeleteAllLayers();
    EXPECT_EQ(0, host->GetLayerCount());
    EXPECT_TRUE(host.Calls().empty());
    EXPECT_EQ(0, host->IsValidLayer(a));
    host->CreateLayer(1);
    host.ClearCalls();
    host->DeleteAllLayers();
    EXPECT_EQ(Channel9({0}), host.Calls()) << Describe(host.Calls());
}

TEST(Layers, WalkGoesNewestFirstAndStaysEnded)
{
    EngineLibrary library;
    TestHost host(library);
    int a = host->CreateLayer(0);
    int b = host->CreateLayer(0);
    int c = host->CreateLayer(0);
    std::vector<int> walked;
    for (int layer = host->GetFirstLayer(); layer != 0 && walked.size() < 10;
         layer = host->GetNextLayer())
        walked.push_back(layer);
    EXPECT_EQ((std::vector<int>{c, b, a}), walked);
    EXPECT_EQ(0, host->GetNextLayer());
    EXPECT_EQ(0, host->GetNextLayer());

    // Deleting other layers while walking is harmless.
    EXPECT_EQ(c, host->GetFirstLayer());
    host->DeleteLayer(b);
    EXPECT_EQ(a, host->GetNextLayer());
    // The walk ends when the layer it stands on is gone.
    EXPECT_EQ(c, host->GetFirstLayer());
    host->DeleteLayer(c);
    EXPECT_EQ(0, host->GetNextLayer());
}

TEST(Layers, TwoEnginesKeepTheirOwn)
{
    EngineLibrary library;
    TestHost first(library);
    TestHost second(library);
    int a = first->CreateLayer(1);
    int b = second->CreateLayer(1);
    EXPECT_NE(a, b);
    EXPECT_EQ(0, second->IsValidLayer(a));
    EXPECT_EQ(0, first->IsValidLayer(b));
    EXPECT_EQ(0, second->DeleteLayer(a));
    int count = 0;
    EXPECT_EQ(QMK_ErrInvalidLayer, second->PrgGetItemCount(a, &count));
    EXPECT_EQ(MadeCurrent({a}), first.Calls());
    EXPECT_EQ(MadeCurrent({b}), second.Calls());
    // Each its own context-menu list.
    BSTR text = SysAllocString(L"only first");
    first->AddContextMenuItem(20001, 0, text, 0, 0);
    SysFreeString(text);
    BSTR got = nullptr;
    EXPECT_EQ(QMK_ErrInvalidContextMenuId, second->GetContextMenuString(20001, &got));
    first.Deinit();
    EXPECT_EQ(1, second->IsValidLayer(b));
}

TEST(Layers, ALayerMadeCurrentMakesItsToolsObjectAgain)
{
    struct Case {
        int tool;
        std::vector<ChannelCall> expected;  // when the layer is made current again
    };
    const Case cases[] = {
        {NoTool, {{Channel_AnnotateEvent, {QMK_ToolChange, NoTool}}}},
        {RectangleTool, {{Channel_AnnotateEvent, {QMK_ToolChange, RectangleTool}}}},
        {EllipseTool, {{Channel_AnnotateEvent, {QMK_ToolChange, EllipseTool}}}},
        {PointerTool, {}},  // the pointer again: no object, no report
    };
    for (const Case& c : cases) {
        EngineLibrary library;
        TestHost host(library);
        const int layer = host->CreateLayer(1);
        if (c.tool != NoTool) {
            ASSERT_EQ(0, host->SetTool(layer, c.tool));
        }
        host->CreateLayer(1);
        host.ClearCalls();
        ASSERT_EQ(1, host->SetCurrentLayer(layer));
        EXPECT_EQ(c.expected, host.Calls()) << c.tool << ": " << Describe(host.Calls());
        int tool = -1;
        host->GetTool(layer, &tool);
        EXPECT_EQ(c.tool, tool);
    }
}

TEST(Layers, DeletedLayersReportEachItemOnlyTeardownIsSilent)
{
    using formats_test::AddRecordLayer;
    using formats_test::ItemRecord;
    using formats_test::LayerRecord;
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    auto deleted = [](std::initializer_list<int> seqs) {
        std::vector<ChannelCall> calls;
        for (int seq : seqs)
            calls.push_back({Channel_AnnotateEvent, {QMK_AnnotationDeleted, seq}});
        return calls;
    };
    struct Case {
        const char* name;
        bool olderCurrent;  // else the newer layer is current
        std::function<void(TestHost&, int older, int newer)> run;
        std::vector<ChannelCall> expected;
    };
    std::vector<ChannelCall> all = deleted({7, 1, 2});  // newest layer first, bottom items first
    all.push_back({Channel_CurrentLayerChange, {0}});
    const Case cases[] = {
        {"a layer that is not current", false,
         [](TestHost& h, int older, int) { EXPECT_EQ(1, h->DeleteLayer(older)); }, deleted({1, 2})},
        {"the current layer", true,
         [](TestHost& h, int older, int) { EXPECT_EQ(1, h->DeleteLayer(older)); }, deleted({1, 2})},
        {"all layers", true, [](TestHost& h, int, int) { h->DeleteAllLayers(); }, all},
        {"the engine's teardown", true, [](TestHost& h, int, int) { h.Deinit(); }, {}},
    };
    for (const Case& c : cases) {
        EngineLibrary library;
        TestHost host(library);
        const int older = AddRecordLayer(
            host.Engine(), LayerRecord(L"older", {ItemRecord(RectangleTool, 1, r),
                                                  ItemRecord(EllipseTool, 2, r)}));
        const int newer =
            AddRecordLayer(host.Engine(), LayerRecord(L"newer", {ItemRecord(RectangleTool, 7, r)}));
        ASSERT_NE(0, older);
        ASSERT_NE(0, newer);
        ASSERT_EQ(1, host->SetCurrentLayer(c.olderCurrent ? older : newer));
        host.ClearCalls();
        c.run(host, older, newer);
        EXPECT_EQ(c.expected, host.Calls()) << c.name << ": " << Describe(host.Calls());
    }
}

TEST(Layers, UnregisteredChannelsAreSkipped)
{
    EngineLibrary library;
    TestHost host(library, false);
    host->CreateLayer(1);
    host->RegisterCallback(Channel_CurrentLayerChange, nullptr);
    host->DeleteAllLayers();
    EXPECT_TRUE(host.Calls().empty());
}

} // namespace

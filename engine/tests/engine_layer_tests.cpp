// Layers through the interface: creation, the current layer and channel 9,
// deletion, the walk, and two engines side by side.
#include <gtest/gtest.h>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

std::vector<ChannelCall> Channel9(std::initializer_list<int> layers)
{
    std::vector<ChannelCall> calls;
    for (int layer : layers)
        calls.push_back({Channel_CurrentLayerChange, {layer}});
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
    EXPECT_EQ(Channel9({b, c}), host.Calls()) << Describe(host.Calls());
    host.ClearCalls();

    // SetCurrentLayer never calls channel 9.
    EXPECT_EQ(1, host->SetCurrentLayer(c));
    EXPECT_EQ(1, host->SetCurrentLayer(a));
    EXPECT_EQ(a, host->GetCurrentLayer());
    EXPECT_EQ(1, host->SetCurrentLayer(0));
    EXPECT_EQ(0, host->GetCurrentLayer());
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
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
    EXPECT_EQ(Channel9({a}), first.Calls());
    EXPECT_EQ(Channel9({b}), second.Calls());
    // Each its own context-menu list.
    BSTR text = SysAllocString(L"only first");
    first->AddContextMenuItem(20001, 0, text, 0, 0);
    SysFreeString(text);
    BSTR got = nullptr;
    EXPECT_EQ(QMK_ErrInvalidContextMenuId, second->GetContextMenuString(20001, &got));
    first.Deinit();
    EXPECT_EQ(1, second->IsValidLayer(b));
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

// Memory stays bounded when a host pastes again and again: a loop of a few
// hundred pastes in one process may grow its private bytes by no more than a
// small margin. The platform keeps a little memory for every read of
// clipboard data, so the engine reads unchanged clipboard contents once. Wine's object counts (GetGuiResources) answer 0,
// so private bytes are what is measured.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "mutation_loop.h"

using namespace engine_test;
using formats_test::Bytes;

namespace {

// How much a step grows the process, over `rounds` runs after `warmUp` runs
// (the first runs load code and fill caches), in KiB.
long GrowthKiB(int warmUp, int rounds, const std::function<void()>& step)
{
    for (int i = 0; i < warmUp; ++i)
        step();
    const size_t before = mutation::PrivateBytes();
    for (int i = 0; i < rounds; ++i)
        step();
    const size_t after = mutation::PrivateBytes();
    const long growth = (static_cast<long>(after) - static_cast<long>(before)) / 1024;
    std::printf("%d rounds: %ld KiB\n", rounds, growth);
    return growth;
}

class PastedMemory : public ::testing::Test {
protected:
    PastedMemory() : host(library)
    {
        layer = formats_test::AddEveryKindLayer(host.Engine());
        host->CopyToClipboard(layer, 0);
        target = host->CreateLayer(1);
    }
    EngineLibrary library;
    TestHost host;
    int layer = 0;
    int target = 0;
};

// Each paste of the same clipboard contents used to read them again: 1 KiB
// kept by the platform for each read, about 300 KiB here.
TEST_F(PastedMemory, PastingTheSameContentsAgainKeepsMemoryFlat)
{
    int count = 0;
    const long growth = GrowthKiB(30, 300, [&] {
        host.ClearCalls();
        ASSERT_EQ(0, host->Paste(target));
        host->PrgGetItemCount(target, &count);
        ASSERT_EQ(11, count);
        host->PrgDeleteAll(target);
    });
    EXPECT_LT(growth, 128);
}

TEST_F(PastedMemory, PastingLayersAgainKeepsMemoryFlat)
{
    const long growth = GrowthKiB(30, 300, [&] {
        host.ClearCalls();
        int pasted = 0;
        ASSERT_EQ(0, host->PasteLayer(&pasted));
        ASSERT_NE(0, pasted);
        host->DeleteLayer(pasted);
    });
    EXPECT_LT(growth, 128);
}

// Contents read once are not taken for the clipboard's once they change,
// whoever changes them.
TEST_F(PastedMemory, APasteAfterTheContentsChangedReadsTheNewOnes)
{
    const int other = formats_test::AddRecordLayer(
        host.Engine(), formats_test::LayerRecord(L"One", {formats_test::ItemRecord(RectangleTool, 1, {0, 0, 100, 100})}));
    ASSERT_NE(0, other);
    int count = 0;
    ASSERT_EQ(0, host->Paste(target));
    host->PrgGetItemCount(target, &count);
    EXPECT_EQ(11, count);
    host->PrgDeleteAll(target);

    ASSERT_EQ(0, host->CopyToClipboard(other, 0));
    ASSERT_EQ(0, host->Paste(target));
    host->PrgGetItemCount(target, &count);
    EXPECT_EQ(1, count);
    host->PrgDeleteAll(target);

    // Emptied by another writer: nothing is pasted.
    HWND writer = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(writer));
    EmptyClipboard();
    CloseClipboard();
    DestroyWindow(writer);
    EXPECT_EQ(QMK_ErrClipboard, host->Paste(target));
    host->PrgGetItemCount(target, &count);
    EXPECT_EQ(0, count);
}

} // namespace

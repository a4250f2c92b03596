// Memory stays bounded when a host makes and ends engines and pastes again
// and again: a loop of a few hundred such steps in one process may grow its
// private bytes by no more than a small margin. The platform keeps a little
// memory for every cursor it makes and destroys and for every read of
// clipboard data, so the engine makes each cursor once and reads unchanged
// clipboard contents once. Wine's object counts (GetGuiResources) answer 0,
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

// Every engine used to make and destroy its own 40 cursors: 1.3 KiB kept by
// the platform each time, about 270 KiB here.
TEST(EngineMemory, MakingAndEndingEnginesKeepsMemoryFlat)
{
    EngineLibrary library;
    ASSERT_TRUE(library.Loaded());
    const long growth = GrowthKiB(20, 200, [&] { TestHost host(library); });
    EXPECT_LT(growth, 96);
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

// Each engine reads the clipboard once, which costs the platform its 1 KiB;
// beyond that, an engine that pastes, saves and ends (as a host's case of a
// paste loop does) leaves nothing. Engines used to make and destroy their own
// cursors, which the platform kept about 1.2 KiB of each time.
TEST_F(PastedMemory, PastingIntoEnginesMadeForItKeepsOnlyWhatThePlatformKeepsForAReading)
{
    HWND reader = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const UINT format = RegisterClipboardFormatA("QMK7_Layer");
    constexpr int kRounds = 200;
    const long readCost = GrowthKiB(20, kRounds, [&] {
        ASSERT_TRUE(OpenClipboard(reader));
        EXPECT_NE(nullptr, GetClipboardData(format));
        CloseClipboard();
    });
    DestroyWindow(reader);
    const long growth = GrowthKiB(20, kRounds, [&] {
        TestHost other(library);
        int pasted = 0;
        ASSERT_EQ(0, other->PasteLayer(&pasted));
        ASSERT_EQ(0, other->Paste(other->CreateLayer(1)));
        EXPECT_FALSE(formats_test::SavedStream(other.Engine()).empty());
    });
    EXPECT_LT(growth, readCost + 96);
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


// Teardown: no callback once Ann_Deinit starts, nothing left behind.
#include <gtest/gtest.h>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

bool HelperClassRegistered(HMODULE module)
{
    WNDCLASSEXA info = {};
    info.cbSize = sizeof(info);
    return GetClassInfoExA(module, "inkcore7_helper", &info) != 0;
}

TEST(Teardown, SendsNothingToTheHost)
{
    EngineLibrary library;
    TestHost host(library);
    host->CreateLayer(1);
    host->CreateLayer(1);
    host.ClearCalls();
    int stray = TestHost::StrayCalls();
    host.Deinit();
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
    EXPECT_EQ(stray, TestHost::StrayCalls());
}

TEST(Teardown, HelperClassLivesAsLongAsAnEngine)
{
    EngineLibrary library;
    ASSERT_TRUE(library.Loaded());
    EXPECT_FALSE(HelperClassRegistered(library.Module()));
    {
        TestHost first(library);
        TestHost second(library);
        EXPECT_TRUE(HelperClassRegistered(library.Module()));
        first.Deinit();
        EXPECT_TRUE(HelperClassRegistered(library.Module()));
    }
    EXPECT_FALSE(HelperClassRegistered(library.Module()));
}

TEST(Teardown, ManyCyclesLeaveNoWindowClassOrObjectBehind)
{
    {
        // The first cycle loads what the system keeps for good (fonts, stock
        // objects, the I-beam cursor).
        EngineLibrary library;
        TestHost warm(library);
        warm->CreateLayer(1);
    }
    GuiCounts before = CurrentGuiCounts();
    for (int round = 0; round < 10; ++round) {
        EngineLibrary library;
        ASSERT_TRUE(library.Loaded());
        for (int i = 0; i < 20; ++i) {
            TestHost host(library);
            ASSERT_NE(nullptr, host.Engine());
            host->CreateLayer(1);
            host->CreateLayer(0);
            host->FocusMessage(WM_KILLFOCUS);
        }
        EXPECT_FALSE(HelperClassRegistered(library.Module()));
    }
    GuiCounts after = CurrentGuiCounts();
    EXPECT_LE(after.gdi, before.gdi + 2);
    EXPECT_LE(after.user, before.user + 2);
}

} // namespace

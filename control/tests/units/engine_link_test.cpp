// Loading, wiring and tearing down the engine, against the recording fake.
#include "unit_fixture.h"

using quillmark_test::TestControl;
using Lines = std::vector<std::string>;

namespace {

class EngineLinkTest : public quillmark_test::ControlUnitTest {};

const Lines kWiring = {
    "RegisterCallback(1,fn)",  "RegisterCallback(5,fn)",  "RegisterCallback(6,fn)",
    "RegisterCallback(3,fn)",  "RegisterCallback(7,fn)",  "RegisterCallback(4,fn)",
    "RegisterCallback(8,fn)",  "RegisterCallback(10,fn)", "RegisterCallback(9,fn)",
    "RegisterCallback(11,fn)", "RegisterCallback(12,fn)", "RegisterCallback(17,fn)",
    "RegisterCallback(18,fn)", "SetProperty(4128,\"\")",  "SetProperty(4131,\"\")",
    "SetProperty(769,null)",   "SetProperty(770,null)",   "SetProperty(768,null)",
    "SetProperty(771,null)",   "ActivateToolbar(1)",      "SetProperty(130,0)",
};

Lines Concat(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(EngineLinkTest, LoadMakesTheEngineWithTheControlAsCookieAndWiresItInOrder)
{
    ASSERT_EQ(S_OK, control->LoadEngine());
    ASSERT_NE(nullptr, control->Engine());
    EXPECT_EQ(Concat({"Ann_Init(0,0)"}, kWiring), fake.Log());
    EXPECT_EQ(quillmark::CookieOf(control), fake.cookie());
    EXPECT_EQ(1, fake.liveCount());
}

TEST_F(EngineLinkTest, LoadingAgainWiresAgainWithTheSameEngine)
{
    ASSERT_EQ(S_OK, control->LoadEngine());
    AnnotationEngine* first = control->Engine();
    const size_t mark = fake.LogSize();
    ASSERT_EQ(S_OK, control->LoadEngine());
    EXPECT_EQ(first, control->Engine());
    EXPECT_EQ(kWiring, fake.LogFrom(mark));
    EXPECT_EQ(1, fake.liveCount());
}

TEST_F(EngineLinkTest, PushesTheControlSideStringsAndToolPaletteFlagAsTheyStand)
{
    BSTR subject = SysAllocString(L"Subject line");
    ASSERT_EQ(S_OK, control->defaults.Set(QMK_SummarySubject, reinterpret_cast<EngineValue>(subject)));
    SysFreeString(subject);
    BSTR stamp = SysAllocString(L"APPROVED");
    ASSERT_EQ(S_OK, control->defaults.Set(QMK_DefaultStampText, reinterpret_cast<EngineValue>(stamp)));
    SysFreeString(stamp);
    control->toolPalette = false;

    ASSERT_EQ(S_OK, control->LoadEngine());
    const Lines log = fake.Log();
    const Lines pushes(log.begin() + 14, log.end());
    EXPECT_EQ((Lines{"SetProperty(4128,\"APPROVED\")", "SetProperty(4131,\"\")",
                     "SetProperty(769,null)", "SetProperty(770,\"Subject line\")",
                     "SetProperty(768,null)", "SetProperty(771,null)", "ActivateToolbar(0)",
                     "SetProperty(130,0)"}),
              pushes);
}

TEST_F(EngineLinkTest, UnloadHandsTheEngineToAnnDeinitAndClearsTheLink)
{
    ASSERT_EQ(S_OK, control->LoadEngine());
    const size_t mark = fake.LogSize();
    control->link.Unload();
    EXPECT_EQ(Lines{"Ann_Deinit"}, fake.LogFrom(mark));
    EXPECT_EQ(nullptr, control->Engine());
    EXPECT_EQ(nullptr, control->link.Library());
    EXPECT_EQ(0, fake.liveCount());
    control->link.Unload();  // nothing loaded: nothing happens
    EXPECT_EQ(Lines{"Ann_Deinit"}, fake.LogFrom(mark));
}

TEST_F(EngineLinkTest, ReleasingTheControlTearsTheEngineDown)
{
    ASSERT_EQ(S_OK, control->LoadEngine());
    control->Release();
    control = nullptr;
    EXPECT_EQ("Ann_Deinit", fake.Log().back());
    EXPECT_EQ(0, fake.liveCount());
}

struct FailedLoad {
    const char* name;
    const wchar_t* file;
    bool initFails;
    Lines log;  // what the fake engine saw
};

class EngineLinkFailureTest : public EngineLinkTest,
                              public ::testing::WithParamInterface<FailedLoad> {};

TEST_P(EngineLinkFailureTest, FailsWithEFailKeepsNothingAndLeavesTheLibraryUnloaded)
{
    const FailedLoad& c = GetParam();
    fake.setInitFails(c.initFails);
    EXPECT_EQ(E_FAIL, control->LoadEngine(c.file));
    EXPECT_EQ(nullptr, control->Engine());
    EXPECT_EQ(nullptr, control->link.Library());
    EXPECT_EQ(nullptr, GetModuleHandleW(L"fake_engine_no_init.dll"));
    EXPECT_EQ(c.log, fake.Log());
    EXPECT_EQ(0, fake.liveCount());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineLinkFailureTest,
    ::testing::Values(FailedLoad{"MissingLibrary", L"no_such_engine.dll", false, {}},
                      FailedLoad{"MissingOrdinal1", L"fake_engine_no_init.dll", false, {}},
                      FailedLoad{"AnnInitGivesNoEngine", quillmark::kEngineFileName, true,
                                 {"Ann_Init(0,0)"}}),
    [](const ::testing::TestParamInfo<FailedLoad>& info) { return info.param.name; });

TEST_F(EngineLinkTest, AControlReleasedInsideAnEngineCallbackLeavesTheEngineUntilItHasReturned)
{
    ASSERT_EQ(S_OK, control->LoadEngine());
    Lines events;
    quillmark_test::RecordingSink* sink = quillmark_test::AdviseSink(control, &events);
    TestControl* doomed = control;
    control = nullptr;  // the sink lets go of the last reference
    sink->onEvent = [doomed](DISPID, DISPPARAMS&) -> long {
        doomed->Release();
        quillmark::TearDownRetiredEngines();  // inside a callback: nothing yet
        return 0;
    };
    const size_t mark = fake.LogSize();
    auto onItemChanged = fake.Callback<ItemChangedFn>(Channel_ItemChanged);
    ASSERT_NE(nullptr, onItemChanged);
    // The test stands for the engine here: its frame is below the callback.
    onItemChanged(fake.cookie(), 2, 3, 4);
    EXPECT_EQ(Lines{"13(I4 2,I4 3,I4 4)"}, events);
    // The engine was silenced, not destroyed, while its callback ran.
    Lines silenced;
    for (int channel : {1, 5, 6, 3, 7, 4, 8, 10, 9, 11, 12, 17, 18})
        silenced.push_back("RegisterCallback(" + std::to_string(channel) + ",null)");
    EXPECT_EQ(silenced, fake.LogFrom(mark));
    EXPECT_EQ(1, fake.liveCount());
    EXPECT_EQ(nullptr, fake.callback(Channel_ItemChanged));
    // Counted until it goes: the module is not free to unload.
    const LONG objects = comkit::ObjectCount();
    EXPECT_LT(0, objects);
    // Once the engine's frame has returned to the message loop it is let go,
    // with no load or unload to wait for.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    EXPECT_EQ("Ann_Deinit", fake.Log().back());
    EXPECT_EQ(0, fake.liveCount());
    EXPECT_EQ(objects - 1, comkit::ObjectCount());
    sink->Release();
}

} // namespace

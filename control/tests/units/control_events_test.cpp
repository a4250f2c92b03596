// The engine callbacks as the engine calls them, and the events they fire.
#include "fake_engine_library.h"
#include "test_control.h"

#include <gtest/gtest.h>

using quillmark_test::RecordingSink;
using quillmark_test::TestControl;
using Lines = std::vector<std::string>;

namespace {

class ControlEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fake.Loaded());
        CoInitialize(nullptr);
        control = TestControl::Create();
        ASSERT_EQ(S_OK, control->LoadEngine());
        cookie = fake.cookie();
    }
    void TearDown() override
    {
        for (RecordingSink* sink : sinks) {
            sink->Unadvise();
            sink->Release();
        }
        if (control)
            control->Release();
        CoUninitialize();
    }
    RecordingSink* Advise(std::string name = "")
    {
        sinks.push_back(RecordingSink::Advise(control, &events, std::move(name)));
        return sinks.back();
    }

    FakeEngineLibrary fake;
    TestControl* control = nullptr;
    HostCookie cookie = 0;
    std::vector<RecordingSink*> sinks;
    Lines events;
};

// One engine notification: the channel it comes on and how the engine calls it.
struct Notification {
    const char* name;
    int channel;
    int (*call)(void* function, HostCookie cookie);
    Lines fired;           // with a client
    bool firesWithoutClient;
};

template <class Fn, class... A>
int Call(void* function, HostCookie cookie, A... args)
{
    return reinterpret_cast<Fn>(function)(cookie, args...);
}

const Notification kNotifications[] = {
    {"AnnotateEvent", 1, [](void* f, HostCookie c) { return Call<AnnotateEventFn>(f, c, 1001, 7); },
     {"1(I4 1001,I4 7)"}, false},
    {"Click", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1010, 2, 3, 1, 4, 50, 60); },
     {"6(I4 2,I4 3)"}, false},
    {"MouseDown", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1011, 2, 3, 1, 4, 50, 60); },
     {"8(I4 2,I4 3,I2 1,I2 4,I4 50,I4 60)"}, false},
    {"MouseUp", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1012, 2, 3, 2, 0, -5, 6); },
     {"9(I4 2,I4 3,I2 2,I2 0,I4 -5,I4 6)"}, false},
    {"DoubleClick", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1013, 2, 3, 1, 4, 50, 60); },
     {"10(I4 2,I4 3)"}, false},
    {"MouseMove", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1016, 2, 3, 0, 1, 70, 80); },
     {"11(I4 2,I4 3,I2 0,I2 1,I4 70,I4 80)"}, false},
    {"ItemRightClickFiresNothing", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1014, 2, 3, 1, 4, 50, 60); },
     {}, false},
    {"ToolChangeFiresNothing", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1015, 2, 3, 1, 4, 50, 60); },
     {}, false},
    {"PaletteMenuSelect", 6,
     [](void* f, HostCookie c) { return Call<PaletteMenuSelectFn>(f, c, 4098, 11, 12, 13, 14); },
     {"7(I4 4098,I4 11,I4 12,I4 13,I4 14)"}, false},
    {"Stamping", 4, [](void* f, HostCookie c) { return Call<StampingFn>(f, c); }, {"2()"}, true},
    {"UserDraw", 7,
     [](void* f, HostCookie c) {
         return Call<UserDrawFn>(f, c, reinterpret_cast<HDC>(0x1234), 1, 2, 3, 4, 5, 6, 7);
     },
     {"12(I4 4660,I4 1,I4 2,I4 3,I4 4,I4 5,I4 6,I4 7)"}, true},
    {"ItemChanged", 8, [](void* f, HostCookie c) { return Call<ItemChangedFn>(f, c, 5, 6, 29); },
     {"13(I4 5,I4 6,I4 29)"}, true},
    {"CurrentLayerChange", 9,
     [](void* f, HostCookie c) { return Call<CurrentLayerChangeFn>(f, c, 8); }, {"5(I4 8)"}, true},
    {"ContextMenuSelect", 10,
     [](void* f, HostCookie c) { return Call<ContextMenuSelectFn>(f, c, 20001, 5, 6); },
     {"14(I4 20001,I4 5,I4 6)"}, true},
    {"UserGroupCreated", 11,
     [](void* f, HostCookie c) { return Call<UserGroupCreatedFn>(f, c, 5, 9); },
     {"15(I4 5,I4 9)"}, true},
    {"UserGroupDestroyed", 12,
     [](void* f, HostCookie c) { return Call<UserGroupDestroyedFn>(f, c, 5, 9); },
     {"16(I4 5,I4 9)"}, true},
    {"MenuSelect", 17,
     [](void* f, HostCookie c) { return Call<MenuSelectFn>(f, c, 2, 4097, 30, 31, 32, 33, 5, 6); },
     {"17(I4 2,I4 4097,I4 30,I4 31,I4 32,I4 33,I4 5,I4 6)"}, true},
    {"ToolbarSelect", 18, [](void* f, HostCookie c) { return Call<ToolbarSelectFn>(f, c, 4104, 5); },
     {"18(I4 4104,I4 5)"}, true},
};

class NotificationTest : public ControlEventsTest,
                         public ::testing::WithParamInterface<Notification> {};

TEST_P(NotificationTest, FiresItsEventWithTheEventsArgumentTypes)
{
    const Notification& n = GetParam();
    RecordingSink* sink = Advise();
    void* function = fake.callback(n.channel);
    ASSERT_NE(nullptr, function);
    n.call(function, cookie);
    EXPECT_EQ(n.fired, events);
    if (!n.fired.empty()) {
        EXPECT_EQ(LOCALE_USER_DEFAULT, sink->lastLcid);
        EXPECT_EQ(DISPATCH_METHOD, sink->lastFlags);
    }
}

TEST_P(NotificationTest, WithoutAClientOnlyAnnotateMouseAndPaletteEventsAreHeldBack)
{
    const Notification& n = GetParam();
    Advise();
    control->noClient = true;
    n.call(fake.callback(n.channel), cookie);
    EXPECT_EQ(n.firesWithoutClient ? n.fired : Lines{}, events);
}

TEST_P(NotificationTest, ReachesEverySinkInTheOrderTheyWereAdvised)
{
    const Notification& n = GetParam();
    Advise("a:");
    Advise("b:");
    n.call(fake.callback(n.channel), cookie);
    Lines expected;
    for (const std::string& e : n.fired)
        expected.push_back("a:" + e);
    for (const std::string& e : n.fired)
        expected.push_back("b:" + e);
    EXPECT_EQ(expected, events);
}

INSTANTIATE_TEST_SUITE_P(Channels, NotificationTest, ::testing::ValuesIn(kNotifications),
                         [](const ::testing::TestParamInfo<Notification>& info) {
                             return info.param.name;
                         });

TEST_F(ControlEventsTest, NoSinkFiresNothingAndAnswersZero)
{
    EXPECT_EQ(0, fake.Callback<ItemChangedFn>(Channel_ItemChanged)(cookie, 1, 2, 3));
}

TEST_F(ControlEventsTest, TheEngineGetsTheLastSinksResult)
{
    Advise("a:")->onEvent = [](DISPID, DISPPARAMS&) -> long { return 11; };
    Advise("b:")->onEvent = [](DISPID, DISPPARAMS&) -> long { return 22; };
    EXPECT_EQ(22, fake.Callback<ContextMenuSelectFn>(Channel_ContextMenuSelect)(cookie, 1, 2, 3));
    EXPECT_EQ((Lines{"a:14(I4 1,I4 2,I4 3)", "b:14(I4 1,I4 2,I4 3)"}), events);
}

TEST_F(ControlEventsTest, APasswordSetByASinkGoesBackToTheEngine)
{
    Advise()->onEvent = [](DISPID, DISPPARAMS& params) -> long {
        // rgvarg[0] is the last argument: the password by reference.
        EXPECT_EQ(VT_BYREF | VT_BSTR, V_VT(&params.rgvarg[0]));
        SysFreeString(*V_BSTRREF(&params.rgvarg[0]));
        *V_BSTRREF(&params.rgvarg[0]) = SysAllocString(L"secret");
        return 1;
    };
    BSTR name = SysAllocString(L"Layer 1");
    BSTR password = SysAllocString(L"");
    EXPECT_EQ(1, fake.Callback<RequestLayerPasswordFn>(Channel_RequestLayerPassword)(cookie, name,
                                                                                     &password));
    EXPECT_STREQ(L"secret", password);
    EXPECT_EQ(Lines{"4(BSTR \"Layer 1\",BYREF BSTR \"\")"}, events);
    SysFreeString(name);
    SysFreeString(password);
}

TEST_F(ControlEventsTest, WithNoSinkThePasswordComesBackUnchanged)
{
    BSTR name = SysAllocString(L"Layer 1");
    BSTR password = SysAllocString(L"kept");
    BSTR given = password;
    EXPECT_EQ(0, fake.Callback<RequestLayerPasswordFn>(Channel_RequestLayerPassword)(cookie, name,
                                                                                     &password));
    EXPECT_EQ(given, password);
    SysFreeString(name);
    SysFreeString(password);
}

TEST_F(ControlEventsTest, ASinkThatUnadvisesItselfAndAnotherDuringAnEvent)
{
    RecordingSink* a = Advise("a:");
    RecordingSink* b = Advise("b:");
    RecordingSink* c = Advise("c:");
    a->onEvent = [a, b](DISPID, DISPPARAMS&) -> long {
        b->Unadvise();
        a->Unadvise();
        return 0;
    };
    auto fire = fake.Callback<UserGroupCreatedFn>(Channel_UserGroupCreated);
    fire(cookie, 1, 2);
    fire(cookie, 3, 4);
    // b was dropped before its turn; c saw both; a only the first.
    EXPECT_EQ((Lines{"a:15(I4 1,I4 2)", "c:15(I4 1,I4 2)", "c:15(I4 3,I4 4)"}), events);
    (void)c;
}

TEST_F(ControlEventsTest, ASinkAdvisedDuringAnEventHearsOnlyTheNextOne)
{
    RecordingSink* a = Advise("a:");
    a->onEvent = [this, a](DISPID, DISPPARAMS&) -> long {
        a->onEvent = nullptr;
        Advise("late:");
        return 0;
    };
    auto fire = fake.Callback<UserGroupDestroyedFn>(Channel_UserGroupDestroyed);
    fire(cookie, 1, 2);
    fire(cookie, 3, 4);
    EXPECT_EQ((Lines{"a:16(I4 1,I4 2)", "a:16(I4 3,I4 4)", "late:16(I4 3,I4 4)"}), events);
}

TEST_F(ControlEventsTest, AControlReleasedByItsSinkOutlivesTheEvent)
{
    RecordingSink* a = Advise("a:");
    RecordingSink* b = Advise("b:");
    bool destroyed = false;
    control->onDestroy = [&destroyed] { destroyed = true; };
    TestControl* doomed = control;
    control = nullptr;
    a->onEvent = [doomed, &destroyed](DISPID, DISPPARAMS&) -> long {
        doomed->Release();
        EXPECT_FALSE(destroyed);
        return 0;
    };
    fake.Callback<ToolbarSelectFn>(Channel_ToolbarSelect)(cookie, 4097, 1);
    EXPECT_TRUE(destroyed);
    a->ForgetControl();
    b->ForgetControl();
    EXPECT_EQ((Lines{"a:18(I4 4097,I4 1)", "b:18(I4 4097,I4 1)"}), events);
    quillmark::EngineLink().Unload();  // lets the retired engine go
    EXPECT_EQ(0, fake.liveCount());
}

TEST_F(ControlEventsTest, TheCurrentLayerTailCachesTellsTheClientAndFires)
{
    Advise();
    fake.setResult(EngineSlot_GetCurrentLayer, 7);
    fake.setLayerProperty(QMK_LayerActive, 1);
    control->calls.clear();
    const size_t mark = fake.LogSize();
    quillmark::ReportCurrentLayer(*control);
    EXPECT_EQ(7, control->reportedLayer);
    EXPECT_EQ((Lines{"SetReportedLayer(7)", "HostCurrentLayerChanged(1)"}), control->calls);
    EXPECT_EQ((Lines{"GetCurrentLayer()", "GetLayerProperty(7,513,ptr)"}), fake.LogFrom(mark));
    EXPECT_EQ(Lines{"5(I4 7)"}, events);
}

TEST_F(ControlEventsTest, TheMembersEventsCarryTheirArguments)
{
    Advise();
    quillmark::FireLayerRestored(*control, 3);
    quillmark::FireCurrentLayerChange(*control, 0);
    EXPECT_EQ((Lines{"3(I4 3)", "5(I4 0)"}), events);
}

} // namespace

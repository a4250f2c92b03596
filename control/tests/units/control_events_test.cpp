// The engine callbacks as the engine calls them, and the events they fire.
#include "engine_notifications.h"
#include "unit_fixture.h"

using quillmark_test::RecordingSink;
using quillmark_test::TestControl;
using quillmark_test::kNotifications;
using quillmark_test::Notification;
using Lines = std::vector<std::string>;

namespace {

class ControlEventsTest : public quillmark_test::ControlUnitTest {
protected:
    void SetUp() override
    {
        ControlUnitTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(S_OK, control->LoadEngine());
        cookie = fake.cookie();
    }

    HostCookie cookie = 0;
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

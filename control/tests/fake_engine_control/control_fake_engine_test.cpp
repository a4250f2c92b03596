// The control as an in-process server host loads it (LoadLibrary and
// DllGetClassObject of inkctl7.dll), with the recording fake engine beside
// it: what the control asks of the engine and the events it fires.
#include "control_fake_engine_fixture.h"
#include "engine_notifications.h"
#include "fake_engine_library.h"
#include "recording_sink.h"

#include "quillmark.h"

#include <gtest/gtest.h>

#include <functional>

#include <olectl.h>

using quillmark_test::kNotifications;
using quillmark_test::Notification;
using quillmark_test::RecordingSink;
using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::Err;
using quillmark_test::Lines;

namespace {

const Lines kCreation = {
    "Ann_Init(0,0)",           "RegisterCallback(1,fn)",  "RegisterCallback(5,fn)",
    "RegisterCallback(6,fn)",  "RegisterCallback(3,fn)",  "RegisterCallback(7,fn)",
    "RegisterCallback(4,fn)",  "RegisterCallback(8,fn)",  "RegisterCallback(10,fn)",
    "RegisterCallback(9,fn)",  "RegisterCallback(11,fn)", "RegisterCallback(12,fn)",
    "RegisterCallback(17,fn)", "RegisterCallback(18,fn)", "SetProperty(4128,\"\")",
    "SetProperty(4131,\"\")",  "SetProperty(769,null)",   "SetProperty(770,null)",
    "SetProperty(768,null)",   "SetProperty(771,null)",   "ActivateToolbar(1)",
    "SetProperty(130,0)",
};

TEST_F(ControlWithFakeEngineTest, CreationLoadsTheEngineAndWiresItReleaseTearsItDown)
{
    control = Create();
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(kCreation, fake.Log());
    EXPECT_EQ(1, fake.liveCount());
    control->Release();
    control = nullptr;
    EXPECT_EQ("Ann_Deinit", fake.Log().back());
    EXPECT_EQ(0, fake.liveCount());
}

TEST_F(ControlWithFakeEngineTest, CreationFailsWhenAnnInitGivesNoEngine)
{
    fake.setInitFails(1);
    IQuillmark* made = nullptr;
    EXPECT_EQ(E_FAIL, factory->CreateInstance(nullptr, IID_IQuillmark,
                                              reinterpret_cast<void**>(&made)));
    EXPECT_EQ(nullptr, made);
    EXPECT_EQ(Lines{"Ann_Init(0,0)"}, fake.Log());
}

TEST_F(ControlWithFakeEngineTest, TheDefaultToolIsTheEnginesOwn)
{
    CreateControl();
    fake.setProperty(QMK_DefaultTool, FreehandTool);
    annotationTOOL tool = NoTool;
    ASSERT_EQ(S_OK, control->get_DefaultTool(&tool));
    EXPECT_EQ(FreehandTool, tool);
    EXPECT_EQ(Lines{"GetProperty(4225,ptr)"}, EngineCalls());
}

TEST_F(ControlWithFakeEngineTest, AChangeOfADefaultFontObjectReachesTheEngine)
{
    CreateControl();
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, control->get_DefaultTextFont(&font));
    IFont* changed = nullptr;
    font->QueryInterface(IID_IFont, reinterpret_cast<void**>(&changed));
    changed->put_Bold(FALSE);
    changed->Release();
    font->Release();
    EXPECT_EQ(Lines{"SetProperty(40961,{Arial,-16,400,0})"}, EngineCalls());
}

TEST_F(ControlWithFakeEngineTest, APutDefaultFontReachesTheEngineAndAPutRefOfNothingDoesNot)
{
    CreateControl();
    FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Symbol"), {}, FW_NORMAL,
                     ANSI_CHARSET, FALSE, FALSE, FALSE};
    desc.cySize.int64 = 120000;
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)));
    EXPECT_EQ(S_OK, control->put_DefaultStampFont(font));
    EXPECT_EQ(S_OK, control->putref_DefaultButtonFont(nullptr));
    EXPECT_EQ(Lines{"SetProperty(40960,{Symbol,-16,400,2})"}, EngineCalls());
    font->Release();
}

class ControlNotificationTest : public ControlWithFakeEngineTest,
                                public ::testing::WithParamInterface<Notification> {};

TEST_P(ControlNotificationTest, FiresItsEventOnTheControlsEventsPoint)
{
    CreateControl();
    Advise();
    const Notification& n = GetParam();
    n.call(fake.callback(n.channel), fake.cookie());
    EXPECT_EQ(n.fired, events);
}

TEST_P(ControlNotificationTest, WithoutAClientOnlyAnnotateMouseAndPaletteEventsAreHeldBack)
{
    CreateControl();
    BSTR none = SysAllocString(L"");
    ASSERT_EQ(S_OK, control->put_Client(none));
    SysFreeString(none);
    Advise();
    const Notification& n = GetParam();
    n.call(fake.callback(n.channel), fake.cookie());
    EXPECT_EQ(n.firesWithoutClient ? n.fired : Lines{}, events);
}

INSTANTIATE_TEST_SUITE_P(Channels, ControlNotificationTest, ::testing::ValuesIn(kNotifications),
                         [](const ::testing::TestParamInfo<Notification>& info) {
                             return info.param.name;
                         });

TEST_F(ControlWithFakeEngineTest, APasswordSetByTheHostGoesBackToTheEngine)
{
    CreateControl();
    Advise()->onEvent = [](DISPID, DISPPARAMS& params) -> long {
        SysFreeString(*V_BSTRREF(&params.rgvarg[0]));
        *V_BSTRREF(&params.rgvarg[0]) = SysAllocString(L"open sesame");
        return 0;
    };
    BSTR name = SysAllocString(L"Private");
    BSTR password = nullptr;
    fake.Callback<RequestLayerPasswordFn>(Channel_RequestLayerPassword)(fake.cookie(), name,
                                                                        &password);
    EXPECT_STREQ(L"open sesame", password);
    EXPECT_EQ(Lines{"4(BSTR \"Private\",BYREF BSTR null)"}, events);
    SysFreeString(name);
    SysFreeString(password);
}

TEST_F(ControlWithFakeEngineTest, ASinkThatUnadvisesItselfInsideAnEventHearsNoMore)
{
    CreateControl();
    RecordingSink* a = Advise("a:");
    Advise("b:");
    a->onEvent = [a](DISPID, DISPPARAMS&) -> long {
        a->Unadvise();
        return 0;
    };
    auto stamping = fake.Callback<StampingFn>(Channel_Stamping);
    stamping(fake.cookie());
    stamping(fake.cookie());
    EXPECT_EQ((Lines{"a:2()", "b:2()", "b:2()"}), events);
}

TEST_F(ControlWithFakeEngineTest, AHostReleasingTheControlInsideAnEventLeavesTheEngineUntilLater)
{
    CreateControl();
    RecordingSink* sink = Advise();
    IQuillmark* doomed = control;
    control = nullptr;
    sink->onEvent = [doomed](DISPID, DISPPARAMS&) -> long {
        doomed->Release();
        return 0;
    };
    fake.Callback<ItemChangedFn>(Channel_ItemChanged)(fake.cookie(), 1, 2, 3);
    sink->ForgetControl();  // the control dropped its sinks when it went
    EXPECT_EQ(Lines{"13(I4 1,I4 2,I4 3)"}, events);
    // The engine was silenced, not destroyed, under its own callback.
    EXPECT_EQ(1, fake.liveCount());
    EXPECT_EQ(nullptr, fake.callback(Channel_ItemChanged));
    EXPECT_EQ(std::string::npos, [&] {
        for (const std::string& line : EngineCalls())
            if (line == "Ann_Deinit")
                return size_t{0};
        return std::string::npos;
    }());
    // The next control made lets it go first.
    const size_t before = fake.LogSize();
    control = Create();
    ASSERT_NE(nullptr, control);
    const Lines after = fake.LogFrom(before);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ("Ann_Deinit", after[0]);
    EXPECT_EQ("Ann_Init(0,0)", after[1]);
    EXPECT_EQ(1, fake.liveCount());
}

// Cut, Copy and Paste check the current layer, the selection and the
// clipboard first and call the engine in this order; Cut deletes only what
// was copied. StoreAnnotation writes nothing while the client has saving
// suppressed. The element members pass their handles and the current layer on.

TEST_F(ControlWithFakeEngineTest, TransferMembersCallTheEngineInTheirOrder)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> results;  // slot, result
        HRESULT (*call)(IQuillmark*);
        HRESULT expected;
        Lines calls;
    };
    const Case cases[] = {
        {"cut", {{EngineSlot_GetCurrentLayer, 5}, {EngineSlot_IsSelection, 1}},
         [](IQuillmark* c) { return c->Cut(); }, S_OK,
         {"GetCurrentLayer()", "IsSelection(5)", "CopyToClipboard(5,1)", "DeleteSelected()"}},
        {"cut failing to copy",
         {{EngineSlot_GetCurrentLayer, 5}, {EngineSlot_IsSelection, 1},
          {EngineSlot_CopyToClipboard, 1035}},
         [](IQuillmark* c) { return c->Cut(); }, Err(1035),
         {"GetCurrentLayer()", "IsSelection(5)", "CopyToClipboard(5,1)"}},
        {"cut without selection", {{EngineSlot_GetCurrentLayer, 5}},
         [](IQuillmark* c) { return c->Cut(); }, Err(1016),
         {"GetCurrentLayer()", "IsSelection(5)"}},
        {"cut without layer", {}, [](IQuillmark* c) { return c->Cut(); }, Err(1004),
         {"GetCurrentLayer()"}},
        {"copy", {{EngineSlot_GetCurrentLayer, 5}, {EngineSlot_IsSelection, 1}},
         [](IQuillmark* c) { return c->Copy(); }, S_OK,
         {"GetCurrentLayer()", "IsSelection(5)", "CopyToClipboard(5,1)"}},
        {"paste", {{EngineSlot_GetCurrentLayer, 5}, {EngineSlot_IsPasteAvailable, 1}},
         [](IQuillmark* c) { return c->Paste(); }, S_OK,
         {"GetCurrentLayer()", "IsPasteAvailable()", "Paste(5)"}},
        {"paste failing",
         {{EngineSlot_GetCurrentLayer, 5}, {EngineSlot_IsPasteAvailable, 1},
          {EngineSlot_Paste, 1024}},
         [](IQuillmark* c) { return c->Paste(); }, Err(1024),
         {"GetCurrentLayer()", "IsPasteAvailable()", "Paste(5)"}},
        {"paste with nothing to paste", {{EngineSlot_GetCurrentLayer, 5}},
         [](IQuillmark* c) { return c->Paste(); }, S_OK,
         {"GetCurrentLayer()", "IsPasteAvailable()"}},
        {"paste without layer", {}, [](IQuillmark* c) { return c->Paste(); }, Err(1004),
         {"GetCurrentLayer()"}},
        {"copy layer", {}, [](IQuillmark* c) { return c->CopyLayer(9); }, S_OK,
         {"CopyToClipboard(9,0)"}},
        {"store while suppressed", {},
         [](IQuillmark* c) {
             BSTR name = SysAllocString(L"a.qmk");
             const HRESULT hr = c->StoreAnnotation(name);
             SysFreeString(name);
             return hr;
         },
         Err(1008), {}},
        {"element append", {{EngineSlot_GetCurrentLayer, 5}},
         [](IQuillmark* c) {
             long seq = 0;
             return c->ElementAppend(77, &seq);
         },
         S_OK, {"GetCurrentLayer()", "ElementAppend(5,77,ptr)"}},
        {"element append without layer", {{EngineSlot_ElementAppend, 1013}},
         [](IQuillmark* c) {
             long seq = 0;
             return c->ElementAppend(77, &seq);
         },
         Err(1013), {"GetCurrentLayer()", "ElementAppend(0,77,ptr)"}},
        {"element clear points", {},
         [](IQuillmark* c) { return c->ElementClearPoints(77); }, S_OK,
         {"ElementClearPoints(77,0,null)"}},
    };
    CreateControl();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int slot : {EngineSlot_GetCurrentLayer, EngineSlot_IsSelection,
                         EngineSlot_CopyToClipboard, EngineSlot_IsPasteAvailable,
                         EngineSlot_Paste, EngineSlot_ElementAppend})
            fake.setResult(slot, 0);
        for (const auto& result : c.results)
            fake.setResult(result.first, result.second);
        mark = fake.LogSize();
        EXPECT_EQ(c.expected, c.call(control));
        EXPECT_EQ(c.calls, EngineCalls());
    }
}

TEST_F(ControlWithFakeEngineTest, EachGroupMemberForwardsToItsOneEngineOperation)
{
    CreateControl();
    BSTR name = SysAllocString(L"G");
    long n = 0;
    BSTR text = nullptr;
    VARIANT_BOOL flag = VARIANT_FALSE;
    long l = 0, t = 0, r = 0, b = 0;
    struct Row {
        std::function<HRESULT()> call;
        std::string logged;
    };
    IQuillmark* c = control;
    const std::vector<Row> rows = {
        {[&] { return c->GrpCreateGroup(7, name, 3, &n); }, "GrpCreateGroup(7,\"G\",3,ptr)"},
        {[&] { return c->GrpDestroyGroup(7, 2); }, "GrpDestroyGroup(7,2)"},
        {[&] { return c->GrpAddItem(7, 2, 5); }, "GrpAddItem(7,2,5)"},
        {[&] { return c->GrpRemoveItem(7, 2, 5); }, "GrpRemoveItem(7,2,5)"},
        {[&] { return c->GrpAddSelected(7, 2); }, "GrpAddSelected(7,2)"},
        {[&] { return c->GrpRemoveAll(7, 2); }, "GrpRemoveAll(7,2)"},
        {[&] { return c->GrpAddType(7, 2, RectangleTool); }, "GrpAddType(7,2,4098)"},
        {[&] { return c->GrpRemoveType(7, 2, EllipseTool); }, "GrpRemoveType(7,2,4099)"},
        {[&] { return c->GrpGetItemCount(7, 2, &n); }, "GrpGetItemCount(7,2,ptr)"},
        {[&] { return c->GrpGetFirstItem(7, 2, &n); }, "GrpGetFirstItem(7,2,ptr)"},
        {[&] { return c->GrpGetNextItem(7, 2, &n); }, "GrpGetNextItem(7,2,ptr)"},
        {[&] { return c->GrpGetFirstGroupID(7, &n); }, "GrpGetFirstGroupID(7,ptr)"},
        {[&] { return c->GrpGetNextGroupID(7, &n); }, "GrpGetNextGroupID(7,ptr)"},
        {[&] { return c->GrpGroupIDFromName(7, name, &n); }, "GrpGroupIDFromName(7,\"G\",ptr)"},
        {[&] { return c->GrpSetName(7, 2, name); }, "GrpSetName(7,2,\"G\")"},
        {[&] { return c->GrpGetName(7, 2, &text); }, "GrpGetName(7,2,ptr)"},
        {[&] { return c->GrpSetUserLong(7, 2, -4); }, "GrpSetUserLong(7,2,-4)"},
        {[&] { return c->GrpGetUserLong(7, 2, &n); }, "GrpGetUserLong(7,2,ptr)"},
        {[&] { return c->GrpSetUserString(7, 2, name); }, "GrpSetUserString(7,2,\"G\")"},
        {[&] { return c->GrpGetUserString(7, 2, &text); }, "GrpGetUserString(7,2,ptr)"},
        {[&] { return c->GrpSetYoked(7, 2, VARIANT_TRUE); }, "GrpSetYoked(7,2,1)"},
        {[&] { return c->GrpGetYoked(7, 2, &flag); }, "GrpGetYoked(7,2,ptr)"},
        {[&] { return c->GrpSetSelected(7, 2, VARIANT_TRUE); }, "GrpSetSelected(7,2,1)"},
        {[&] { return c->GrpGetSelected(7, 2, &flag); }, "GrpGetSelected(7,2,ptr)"},
        {[&] { return c->GrpSetAttribute(7, 2, QMK_PenWidth, 9); }, "GrpSetAttribute(7,2,5,9)"},
        {[&] { return c->GrpSetRect(7, 2, 0, 0, 200, 100); }, "GrpSetRect(7,2,0,0,200,100)"},
        {[&] { return c->GrpSetRect(7, 2, 10, 20, 30, 60); }, "GrpSetRect(7,2,10,20,20,40)"},
        {[&] { return c->GrpGetRect(7, 2, &l, &t, &r, &b); }, "GrpGetRect(7,2,ptr)"},
        {[&] { return c->GrpMirror(7, 2); }, "GrpMirror(7,2)"},
        {[&] { return c->GrpInvert(7, 2); }, "GrpInvert(7,2)"},
        {[&] { return c->PrgGetItemGroupID(7, 5, &n); }, "PrgGetItemGroupID(7,5,ptr)"},
        {[&] { return c->PrgGetGroupCount(7, &n); }, "PrgGetGroupCount(7,ptr)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged);
        const size_t before = fake.LogSize();
        EXPECT_EQ(S_OK, row.call());
        EXPECT_EQ(Lines{row.logged}, fake.LogFrom(before));
    }
    SysFreeString(name);

    // The engine's answers as the host gets them: 1005 as S_FALSE, others as
    // errors; a flag written whatever the answer, a rectangle only on success.
    fake.setResult(EngineSlot_GrpAddType, QMK_ErrInvalidTool);
    EXPECT_EQ(S_FALSE, control->GrpAddType(7, 2, PointerTool));
    fake.setResult(EngineSlot_GrpGetSelected, QMK_ErrInvalidGroupId);
    flag = VARIANT_TRUE;
    EXPECT_EQ(static_cast<HRESULT>(0x80040416), control->GrpGetSelected(7, 3, &flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    fake.setResult(EngineSlot_GrpGetRect, QMK_ErrInvalidGroupId);
    l = t = r = b = -5;
    EXPECT_EQ(static_cast<HRESULT>(0x80040416), control->GrpGetRect(7, 3, &l, &t, &r, &b));
    EXPECT_EQ((std::vector<long>{-5, -5, -5, -5}), (std::vector<long>{l, t, r, b}));
}

} // namespace

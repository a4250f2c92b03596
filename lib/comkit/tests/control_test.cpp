// The control's IDispatch through its type library, class information,
// connection points and event firing.
#include "sample_fixture.h"

#include "comkit/event_sink.h"
#include "advise_recorder.h"
#include "notify_recorder.h"

#include <objsafe.h>
#include <olectl.h>

#include <functional>
#include <vector>

namespace {

enum : DISPID { kCaption = 1, kNumber = 2, kFlag = 3, kAdd = 10, kSay = 11, kAsk = 12 };
enum : DISPID { kNumberChanged = 1, kSaid = 2, kAsked = 3 };

// One event as a sink saw it: dispid and arguments in declaration order.
struct Event {
    DISPID id;
    std::vector<std::wstring> args;
    bool operator==(const Event& o) const { return id == o.id && args == o.args; }
};

std::ostream& operator<<(std::ostream& out, const Event& e) {
    out << "{" << e.id;
    for (const std::wstring& a : e.args) out << ", " << std::string(a.begin(), a.end());
    return out << "}";
}

Event Record(DISPID id, const DISPPARAMS& p) {
    Event e{id, {}};
    for (UINT i = p.cArgs; i-- > 0;) e.args.push_back(VariantText(p.rgvarg[i]));
    return e;
}

class ControlTest : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        ASSERT_EQ(S_OK, server_.Create(IID_IDispatch, reinterpret_cast<void**>(&control_)));
        ASSERT_EQ(S_OK, control_->QueryInterface(IID_IConnectionPointContainer,
                                                 reinterpret_cast<void**>(&points_)));
        ASSERT_EQ(S_OK, points_->FindConnectionPoint(DIID__ISampleControlEvents, &events_));
    }
    void TearDown() override {
        if (events_) events_->Release();
        if (points_) points_->Release();
        if (control_) control_->Release();
        EXPECT_EQ(S_OK, server_.CanUnloadNow()) << "an object of the server outlived the test";
        OleTest::TearDown();
    }

    // A sink that appends what it receives to log, advised on the events.
    comkit::EventSink* Advise(std::vector<Event>& log, DWORD* cookie) {
        comkit::EventSink* sink = nullptr;
        comkit::EventSink::Create(
            DIID__ISampleControlEvents,
            [&log](DISPID id, const DISPPARAMS& p) { log.push_back(Record(id, p)); }, &sink);
        EXPECT_EQ(S_OK, events_->Advise(sink, cookie));
        return sink;
    }

    HRESULT Call(DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        HRESULT hr = control_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result,
                                      nullptr, nullptr);
        for (VARIANT& v : args) VariantClear(&v);
        return hr;
    }

    IDispatch* control_ = nullptr;
    IConnectionPointContainer* points_ = nullptr;
    IConnectionPoint* events_ = nullptr;
};

TEST_F(ControlTest, NamesMapToTheDispidsOfTheTypeLibrary) {
    const struct {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    } cases[] = {
        {L"Caption", S_OK, kCaption}, {L"number", S_OK, kNumber},  {L"Flag", S_OK, kFlag},
        {L"Add", S_OK, kAdd},         {L"Say", S_OK, kSay},        {L"Ask", S_OK, kAsk},
        {L"Missing", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const auto& c : cases) {
        LPOLESTR name = const_cast<LPOLESTR>(c.name);
        DISPID id = 12345;
        const std::wstring wide = c.name;
        EXPECT_EQ(c.hr, control_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id))
            << std::string(wide.begin(), wide.end());
        EXPECT_EQ(c.id, id);
    }
    LPOLESTR name = const_cast<LPOLESTR>(L"Caption");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, control_->GetIDsOfNames(IID_IDispatch, &name, 1, 0, &id));
}

TEST_F(ControlTest, InvokeCallsTheMembersAndReportsBadCalls) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(kAdd, {IntArg(40), IntArg(2)}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(42, result.lVal);

    ASSERT_EQ(S_OK, PutProperty(control_, kNumber, IntArg(7)));
    EXPECT_EQ(7, GetNumber(control_));
    VARIANT text = TextArg(L"12"); // coerced to long by the type library
    ASSERT_EQ(S_OK, PutProperty(control_, kNumber, text));
    VariantClear(&text);
    EXPECT_EQ(12, GetNumber(control_));

    const struct {
        const char* what;
        DISPID id;
        std::function<std::vector<VARIANT>()> args;
        HRESULT hr;
    } bad[] = {
        {"unknown dispid", 999, [] { return std::vector<VARIANT>{}; }, DISP_E_MEMBERNOTFOUND},
        {"too few arguments", kAdd, [] { return std::vector<VARIANT>{IntArg(1)}; },
         DISP_E_BADPARAMCOUNT},
        {"too many arguments", kAdd,
         [] { return std::vector<VARIANT>{IntArg(1), IntArg(2), IntArg(3)}; },
         DISP_E_BADPARAMCOUNT},
        {"argument of a wrong type", kAdd,
         [] { return std::vector<VARIANT>{TextArg(L"one"), IntArg(2)}; }, DISP_E_TYPEMISMATCH},
    };
    for (const auto& c : bad) {
        VariantClear(&result);
        EXPECT_EQ(c.hr, Call(c.id, c.args(), &result)) << c.what;
    }
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              control_->Invoke(kNumber, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &result,
                               nullptr, nullptr));
    // A member's own failure comes back as the failure, not as success.
    EXPECT_TRUE(FAILED(PutProperty(control_, kNumber, IntArg(-1))));
    EXPECT_EQ(12, GetNumber(control_));
}

TEST_F(ControlTest, DispatchAndVtableReachTheSameObject) {
    ISampleControl* dual = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_ISampleControl, reinterpret_cast<void**>(&dual)));
    Bstr caption(L"through the vtable");
    EXPECT_EQ(S_OK, dual->put_Caption(caption.get()));
    EXPECT_EQ(L"through the vtable", GetCaption(control_));
    UINT count = 0;
    EXPECT_EQ(S_OK, dual->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    dual->Release();
}

TEST_F(ControlTest, ClassInfoNamesTheCoclassAndItsEvents) {
    IProvideClassInfo2* info = nullptr;
    ASSERT_EQ(S_OK,
              control_->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)));
    GUID events = GUID_NULL;
    EXPECT_EQ(S_OK, info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events));
    EXPECT_TRUE(IsEqualIID(DIID__ISampleControlEvents, events));
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, info->GetClassInfo(&coclass));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    EXPECT_TRUE(IsEqualCLSID(CLSID_SampleControl, attr->guid));
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();
    info->Release();

    IID found = GUID_NULL;
    EXPECT_EQ(S_OK, comkit::DefaultSourceInterface(control_, &found));
    EXPECT_TRUE(IsEqualIID(DIID__ISampleControlEvents, found));
}

TEST_F(ControlTest, EventsReachAdvisedSinksUntilUnadvised) {
    std::vector<Event> first, second;
    DWORD firstCookie = 0, secondCookie = 0;
    comkit::EventSink* a = Advise(first, &firstCookie);
    comkit::EventSink* b = Advise(second, &secondCookie);
    EXPECT_NE(firstCookie, secondCookie);

    PutProperty(control_, kNumber, IntArg(4));
    Call(kSay, {TextArg(L"hello")});
    ASSERT_EQ(S_OK, events_->Unadvise(firstCookie));
    PutProperty(control_, kNumber, IntArg(9));
    ASSERT_EQ(S_OK, events_->Unadvise(secondCookie));
    Call(kSay, {TextArg(L"nobody hears this")});
    EXPECT_EQ(CONNECT_E_NOCONNECTION, events_->Unadvise(secondCookie));

    const std::vector<Event> expectFirst = {{kNumberChanged, {L"4"}}, {kSaid, {L"hello"}}};
    const std::vector<Event> expectSecond = {
        {kNumberChanged, {L"4"}}, {kSaid, {L"hello"}}, {kNumberChanged, {L"9"}}};
    EXPECT_EQ(expectFirst, first);
    EXPECT_EQ(expectSecond, second);
    a->Release();
    b->Release();
}

TEST_F(ControlTest, SinksMayUnadviseThemselvesAndOthersWhileAnEventIsFired) {
    std::vector<Event> log;
    DWORD cookies[3] = {};
    comkit::EventSink* sinks[3] = {};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(S_OK, comkit::EventSink::Create(DIID__ISampleControlEvents, nullptr, &sinks[i]));
        ASSERT_EQ(S_OK, events_->Advise(sinks[i], &cookies[i]));
    }
    // Sink 0 drops itself and sink 1 on the first event; sink 1 must then
    // not hear it, sink 2 must.
    sinks[0]->SetHandler([&](DISPID id, const DISPPARAMS& p) {
        log.push_back({id, {L"sink 0", VariantText(p.rgvarg[0])}});
        events_->Unadvise(cookies[0]);
        events_->Unadvise(cookies[1]);
    });
    sinks[1]->SetHandler([&](DISPID id, const DISPPARAMS& p) {
        log.push_back({id, {L"sink 1", VariantText(p.rgvarg[0])}});
    });
    sinks[2]->SetHandler([&](DISPID id, const DISPPARAMS& p) {
        log.push_back({id, {L"sink 2", VariantText(p.rgvarg[0])}});
    });
    for (comkit::EventSink* s : sinks) s->Release(); // the point holds them now

    PutProperty(control_, kNumber, IntArg(1));
    PutProperty(control_, kNumber, IntArg(2));
    const std::vector<Event> expected = {
        {kNumberChanged, {L"sink 0", L"1"}},
        {kNumberChanged, {L"sink 2", L"1"}},
        {kNumberChanged, {L"sink 2", L"2"}},
    };
    EXPECT_EQ(expected, log);
    EXPECT_EQ(S_OK, events_->Unadvise(cookies[2]));
}

TEST_F(ControlTest, ByReferenceArgumentsCarryTheSinksAnswerBack) {
    std::vector<Event> log;
    comkit::EventSink* sink = nullptr;
    ASSERT_EQ(S_OK, comkit::EventSink::Create(
                        DIID__ISampleControlEvents,
                        [&](DISPID id, const DISPPARAMS& p) {
                            log.push_back(Record(id, p));
                            ASSERT_EQ(VT_BYREF | VT_BSTR, p.rgvarg[0].vt);
                            SysFreeString(*p.rgvarg[0].pbstrVal);
                            *p.rgvarg[0].pbstrVal = SysAllocString(L"forty-two");
                        },
                        &sink));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, events_->Advise(sink, &cookie));
    VARIANT answer;
    VariantInit(&answer);
    ASSERT_EQ(S_OK, Call(kAsk, {TextArg(L"what?")}, &answer));
    EXPECT_EQ(L"forty-two", VariantText(answer));
    VariantClear(&answer);
    const std::vector<Event> expected = {{kAsked, {L"what?", L"&no answer"}}};
    EXPECT_EQ(expected, log);
    events_->Unadvise(cookie);
    sink->Release();
}

TEST_F(ControlTest, ConnectionPointsEnumerateAndRefuseWrongSinks) {
    NotifyRecorder notAnEventSink;
    DWORD cookie = 7;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, events_->Advise(&notAnEventSink, &cookie));
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(0u, notAnEventSink.refs);

    std::vector<Event> log;
    DWORD cookies[2] = {};
    comkit::EventSink* a = Advise(log, &cookies[0]);
    comkit::EventSink* b = Advise(log, &cookies[1]);
    IEnumConnections* connections = nullptr;
    ASSERT_EQ(S_OK, events_->EnumConnections(&connections));
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, connections->Next(3, data, &fetched));
    ASSERT_EQ(2u, fetched);
    EXPECT_EQ(cookies[0], data[0].dwCookie);
    EXPECT_EQ(cookies[1], data[1].dwCookie);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
    connections->Release();

    IEnumConnectionPoints* all = nullptr;
    ASSERT_EQ(S_OK, points_->EnumConnectionPoints(&all));
    std::vector<IID> iids;
    IConnectionPoint* point = nullptr;
    while (all->Next(1, &point, nullptr) == S_OK) {
        IID iid;
        point->GetConnectionInterface(&iid);
        iids.push_back(iid);
        point->Release();
    }
    all->Release();
    ASSERT_EQ(2u, iids.size());
    EXPECT_TRUE(IsEqualIID(DIID__ISampleControlEvents, iids[0]));
    EXPECT_TRUE(IsEqualIID(IID_IPropertyNotifySink, iids[1]));
    IConnectionPoint* none = nullptr;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, points_->FindConnectionPoint(IID_IDispatch, &none));

    events_->Unadvise(cookies[0]);
    events_->Unadvise(cookies[1]);
    a->Release();
    b->Release();
}

TEST_F(ControlTest, PropertyNotifySinksHearChangesAndMayRefuseEdits) {
    IConnectionPoint* notify = nullptr;
    ASSERT_EQ(S_OK, points_->FindConnectionPoint(IID_IPropertyNotifySink, &notify));
    NotifyRecorder recorder;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, notify->Advise(&recorder, &cookie));

    VARIANT caption = TextArg(L"x");
    PutProperty(control_, kCaption, caption);
    VariantClear(&caption);
    PutProperty(control_, kNumber, IntArg(5));
    PutProperty(control_, kFlag, BoolArg(true));
    recorder.refuseEdits = true;
    EXPECT_TRUE(FAILED(PutProperty(control_, kNumber, IntArg(6))));
    EXPECT_EQ(5, GetNumber(control_));

    EXPECT_EQ((std::vector<DISPID>{kCaption, kNumber, kFlag}), recorder.changed);
    EXPECT_EQ((std::vector<DISPID>{kNumber, kNumber}), recorder.editRequests);
    EXPECT_EQ(S_OK, notify->Unadvise(cookie));
    notify->Release();
    EXPECT_EQ(0u, recorder.refs);
}

TEST_F(ControlTest, ControlReportsItsTableEntryAndUserModeWithoutSite) {
    IOleObject* ole = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)));
    DWORD misc = 0;
    EXPECT_EQ(S_OK, ole->GetMiscStatus(DVASPECT_CONTENT, &misc));
    EXPECT_EQ(static_cast<DWORD>(OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                                 OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST),
              misc);
    CLSID clsid = {};
    EXPECT_EQ(S_OK, ole->GetUserClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_SampleControl, clsid));
    // Without a client site the control cannot activate, and reads as in
    // user mode.
    EXPECT_TRUE(FAILED(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr,
                                   nullptr)));
    VARIANT userMode;
    ASSERT_EQ(S_OK, GetProperty(control_, 4, &userMode));
    EXPECT_EQ(VARIANT_TRUE, userMode.boolVal);
    ole->Release();
}

} // namespace

namespace {

TEST_F(ControlTest, ViewObjectDrawsTheControlIntoAnyDeviceContext) {
    IViewObject2* view = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view)));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 40, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECTL bounds = {10, 5, 30, 25};
    ASSERT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds,
                               nullptr, nullptr, 0));
    EXPECT_EQ(RGB(0, 128, 255), GetPixel(dc, 20, 15));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 5, 15)); // outside the bounds
    EXPECT_EQ(DV_E_DVASPECT, view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc,
                                        &bounds, nullptr, nullptr, 0));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    view->Release();
}

// A container that quick-activates hands over its sinks in one call.
TEST_F(ControlTest, QuickActivateAdvisesTheContainersSinks) {
    IQuickActivate* quick = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IQuickActivate, reinterpret_cast<void**>(&quick)));
    std::vector<Event> log;
    comkit::EventSink* sink = nullptr;
    comkit::EventSink::Create(
        DIID__ISampleControlEvents,
        [&log](DISPID id, const DISPPARAMS& p) { log.push_back(Record(id, p)); }, &sink);
    NotifyRecorder notify;
    QACONTAINER container = {};
    container.cbSize = sizeof container;
    container.pUnkEventSink = sink;
    container.pPropertyNotifySink = &notify;
    QACONTROL result = {};
    result.cbSize = sizeof result;
    ASSERT_EQ(S_OK, quick->QuickActivate(&container, &result));
    EXPECT_NE(0u, result.dwEventCookie);
    EXPECT_NE(0u, result.dwPropNotifyCookie);
    EXPECT_EQ(static_cast<DWORD>(OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                                 OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST),
              result.dwMiscStatus);
    PutProperty(control_, kNumber, IntArg(3));
    EXPECT_EQ((std::vector<Event>{{kNumberChanged, {L"3"}}}), log);
    EXPECT_EQ((std::vector<DISPID>{kNumber}), notify.changed);
    quick->Release();

    EXPECT_EQ(S_OK, events_->Unadvise(result.dwEventCookie));
    IConnectionPoint* point = nullptr;
    points_->FindConnectionPoint(IID_IPropertyNotifySink, &point);
    EXPECT_EQ(S_OK, point->Unadvise(result.dwPropNotifyCookie));
    point->Release();
    sink->Release();
}

TEST_F(ControlTest, CloseReachesAdvisedSinksUntilUnadvised) {
    IOleObject* ole = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)));
    AdviseRecorder first, second;
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(S_OK, ole->Advise(&first, &firstCookie));
    ASSERT_EQ(S_OK, ole->Advise(&second, &secondCookie));
    EXPECT_EQ(S_OK, ole->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(S_OK, ole->Unadvise(firstCookie));
    EXPECT_EQ(S_OK, ole->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(1, first.closes);
    EXPECT_EQ(2, second.closes);
    EXPECT_EQ(0u, first.refs);
    EXPECT_EQ(S_OK, ole->Unadvise(secondCookie));
    EXPECT_EQ(0u, second.refs);
    ole->Release();
}

TEST_F(ControlTest, SafetyOptionsAreNotClaimedByDefault) {
    IObjectSafety* safety = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)));
    DWORD supported = 99, enabled = 99;
    EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    EXPECT_EQ(0u, supported);
    EXPECT_EQ(0u, enabled);
    EXPECT_EQ(E_FAIL, safety->SetInterfaceSafetyOptions(IID_IDispatch,
                                                        INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                        INTERFACESAFE_FOR_UNTRUSTED_CALLER));
    EXPECT_EQ(E_NOINTERFACE,
              safety->GetInterfaceSafetyOptions(IID_IClassFactory, &supported, &enabled));
    safety->Release();
}

} // namespace

// The control bound to a stand-in client, with the recording fake engine
// behind it: what the engine is told of the client's service table as the
// client binds, is replaced, unbinds and binds again; the two variant
// entries of the callback table; and key, mouse and focus messages, which
// the client's view acts on only when the engine leaves them.
#include "stand_in_client.h"

#include "control_fake_engine_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::ImageClientStandIn;
using quillmark_test::Lines;

namespace {

// Services that do nothing: the engine is a fake, only their presence counts.
int __stdcall NoImageDib(HostCookie, HGLOBAL*, int*) { return 0; }
int __stdcall NoSetImageDib(HostCookie, HGLOBAL) { return 0; }
int __stdcall NoLayerChange(HostCookie, int) { return 0; }
int __stdcall NoDrawCall(int, int, int, int, int, int, int, int, int, int, int, int) { return 0; }
int __stdcall NoGeometry(HostCookie, int*, RECT*, RECT*, int*, int*) { return 0; }
int __stdcall NoMapValue(HostCookie, int, int) { return 0; }
int __stdcall NoResolution(HostCookie, double*, double*) { return 0; }
int __stdcall NoSetGeometry(HostCookie, int) { return 0; }

std::vector<std::string> g_serviceCalls;
int __stdcall ForceUpdateFirst(HostCookie cookie) {
    g_serviceCalls.push_back("first ForceUpdate(" + std::to_string(cookie) + ")");
    return 0;
}
int __stdcall ForceUpdateSecond(HostCookie cookie) {
    g_serviceCalls.push_back("second ForceUpdate(" + std::to_string(cookie) + ")");
    return 0;
}
int __stdcall RecordLayerChange(HostCookie cookie, int active) {
    g_serviceCalls.push_back("CurrentLayerChanged(" + std::to_string(cookie) + "," +
                             std::to_string(active) + ")");
    return 0;
}

HostServiceTable AllServices(int viewMode) {
    HostServiceTable t = {};
    t.ViewMode = viewMode;
    t.GetImageDib = NoImageDib;
    t.SetImageDib = NoSetImageDib;
    t.CurrentLayerChanged = NoLayerChange;
    t.HostDrawCall = NoDrawCall;
    t.GetViewGeometry = NoGeometry;
    t.MapHostValue = NoMapValue;
    t.GetFixedViewGeometry = NoGeometry;
    t.ForceUpdate = ForceUpdateFirst;
    t.GetResolution = NoResolution;
    t.SetViewGeometry = NoSetGeometry;
    return t;
}

// The engine calls of one hand-over of a service table, in their order: the
// eight services the engine calls itself (each "ptr" or "null"), the four
// that take the cookie with the cookie given, then the view mode.
Lines Handed(const std::string& cookie, const std::string& services, const char* viewMode) {
    const std::string& s = services;
    Lines lines = {
        "SetHostDrawCall(" + s + ")",
        "SetHostMapValue(" + s + ")",
        "SetHostGetViewGeometry(" + cookie + "," + s + ")",
        "SetHostSetViewGeometry(" + cookie + "," + s + ")",
        "SetHostGetFixedViewGeometry(" + cookie + "," + s + ")",
        "SetHostGetImageDib(" + s + ")",
        "SetHostSetImageDib(" + s + ")",
        "SetHostGetResolution(" + cookie + "," + s + ")",
    };
    if (viewMode) lines.push_back(std::string("SetViewMode(") + viewMode + ")");
    return lines;
}
// What unbinding tells the engine: no services, cookie 0, the view mode kept.
const Lines kWithdrawn = Handed("0", "null", nullptr);

Lines Then(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class HostTableTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override {
        ControlWithFakeEngineTest::SetUp();
        g_serviceCalls.clear();
        CreateControl();
    }
    void TearDown() override {
        if (control) control->InterfaceDisconnect();
        ControlWithFakeEngineTest::TearDown();
    }
    void Connect(ImageClientStandIn& who) {
        VARIANT_BOOL bound = VARIANT_FALSE;
        ASSERT_EQ(S_OK, control->InterfaceConnect(who.Object(), &bound));
        ASSERT_EQ(VARIANT_TRUE, bound);
        ASSERT_NE(nullptr, who.table);
    }

    // The clients outlive the control's binding, which TearDown ends.
    ImageClientStandIn client{L"A", "A", nullptr};
    ImageClientStandIn other{L"B", "B", nullptr};
    ImageClientStandIn late{L"L", "L", nullptr};
};

TEST_F(HostTableTest, TheEngineIsToldOfTheServicesAsClientsBindUnbindAndBindAgain) {
    ImageClientStandIn& a = client;
    ImageClientStandIn& b = other;
    a.cookie = 20816;
    a.services = AllServices(0);
    b.cookie = 7;
    b.services = AllServices(2);
    // A client that gives its services before its cookie: the engine gets
    // the cookie held at that moment.
    late.cookie = 99;
    late.services = AllServices(1);
    late.onCallbacks = [](ImageClientStandIn& self, HostContext c, HostCallbackTable* t) {
        t->SetHostServices(c, &self.services);
        t->SetHostCookie(c, self.cookie);
    };
    IQuillmark* q = control;
    struct Step {
        const char* what;
        std::function<void()> act;
        Lines calls;
    };
    const Step steps[] = {
        {"A binds", [&] { Connect(a); },
         Then({"DeleteAllLayers()"}, Handed("20816", "ptr", "0"))},
        {"A gives its table again with another view mode",
         [&] {
             a.services.ViewMode = 2;
             a.table->SetHostServices(a.ctx, &a.services);
         },
         Handed("20816", "ptr", "2")},
        {"B binds in place of A", [&] { Connect(b); },
         Then(Then(kWithdrawn, {"DeleteAllLayers()"}), Handed("7", "ptr", "2"))},
        {"B is let go", [&] { EXPECT_EQ(S_OK, q->InterfaceDisconnect()); },
         Then(kWithdrawn, {"DeleteAllLayers()"})},
        {"let go again", [&] { EXPECT_EQ(S_OK, q->InterfaceDisconnect()); },
         {"DeleteAllLayers()"}},
        {"A binds again", [&] { Connect(a); },
         Then({"DeleteAllLayers()"}, Handed("20816", "ptr", "2"))},
        // A client that takes its table back: the engine calls none of it.
        {"A withdraws its table", [&] { a.table->SetHostServices(a.ctx, nullptr); },
         Handed("20816", "null", nullptr)},
        {"A, without a table, is let go", [&] { EXPECT_EQ(S_OK, q->InterfaceDisconnect()); },
         {"DeleteAllLayers()"}},
        {"a client giving services before its cookie binds", [&] { Connect(late); },
         Then({"DeleteAllLayers()"}, Handed("0", "ptr", "1"))},
        {"it gives them again, now after its cookie",
         [&] { late.table->SetHostServices(late.ctx, &late.services); },
         Handed("99", "ptr", "1")},
        {"it is let go", [&] { EXPECT_EQ(S_OK, q->InterfaceDisconnect()); },
         Then(kWithdrawn, {"DeleteAllLayers()"})},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        mark = fake.LogSize();
        step.act();
        EXPECT_EQ(step.calls, EngineCalls());
    }
    EXPECT_EQ(1u, a.refs);
    EXPECT_EQ(1u, b.refs);
    EXPECT_EQ(1u, late.refs);
}

TEST_F(HostTableTest, EachServiceReachesItsOwnEngineOperation) {
    struct Case {
        const char* what;
        void (*set)(HostServiceTable&);
        Lines calls;
    };
    const Case cases[] = {
        {"HostDrawCall", [](HostServiceTable& t) { t.HostDrawCall = NoDrawCall; },
         {"SetHostDrawCall(ptr)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"MapHostValue", [](HostServiceTable& t) { t.MapHostValue = NoMapValue; },
         {"SetHostDrawCall(null)", "SetHostMapValue(ptr)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"GetViewGeometry", [](HostServiceTable& t) { t.GetViewGeometry = NoGeometry; },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,ptr)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"SetViewGeometry", [](HostServiceTable& t) { t.SetViewGeometry = NoSetGeometry; },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,ptr)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"GetFixedViewGeometry", [](HostServiceTable& t) { t.GetFixedViewGeometry = NoGeometry; },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,ptr)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"GetImageDib", [](HostServiceTable& t) { t.GetImageDib = NoImageDib; },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(ptr)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"SetImageDib", [](HostServiceTable& t) { t.SetImageDib = NoSetImageDib; },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(ptr)",
          "SetHostGetResolution(20816,null)", "SetViewMode(0)"}},
        {"GetResolution", [](HostServiceTable& t) { t.GetResolution = NoResolution; },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,ptr)", "SetViewMode(0)"}},
        // The control's own two services are not the engine's; the view
        // mode goes as it is.
        {"the control's own and view mode -3",
         [](HostServiceTable& t) {
             t.ForceUpdate = ForceUpdateFirst;
             t.CurrentLayerChanged = NoLayerChange;
             t.ViewMode = -3;
         },
         {"SetHostDrawCall(null)", "SetHostMapValue(null)", "SetHostGetViewGeometry(20816,null)",
          "SetHostSetViewGeometry(20816,null)", "SetHostGetFixedViewGeometry(20816,null)",
          "SetHostGetImageDib(null)", "SetHostSetImageDib(null)",
          "SetHostGetResolution(20816,null)", "SetViewMode(-3)"}},
    };
    client.cookie = 20816;
    Connect(client);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        client.services = HostServiceTable{};
        c.set(client.services);
        mark = fake.LogSize();
        client.table->SetHostServices(client.ctx, &client.services);
        EXPECT_EQ(c.calls, EngineCalls());
    }
}

TEST_F(HostTableTest, TheControlCallsTheClientsOwnTableNotACopy) {
    client.cookie = 31;
    client.services = AllServices(0);
    Connect(client);
    ASSERT_EQ(S_OK, control->ForceAllUpdate());
    client.services.ForceUpdate = ForceUpdateSecond;
    ASSERT_EQ(S_OK, control->ForceAllUpdate());
    client.services.ForceUpdate = nullptr;
    ASSERT_EQ(S_OK, control->ForceAllUpdate());
    EXPECT_EQ((Lines{"first ForceUpdate(31)", "second ForceUpdate(31)"}), g_serviceCalls);
}

// ---- the variant entries ----

const std::wstring kLongText(70000, L'x');

TEST_F(HostTableTest, SavingToAVariantCallsTheEngineThenReadsTheFourTexts) {
    fake.setPropertyText(768, L"Ann");
    fake.setPropertyText(769, L"Notes");
    fake.setPropertyText(771, L"Page");
    fake.setPropertyText(770, L"");
    struct Case {
        const char* what;
        int engineResult;
        int propertyResult;
        bool places; // the client gives places for the four texts
        int result;
        Lines calls;
        std::vector<const wchar_t*> texts; // author, comments, title, subject
    };
    const Lines all = {"GetAnnIntoVariant(ptr,ptr)", "GetProperty(768,ptr)",
                       "GetProperty(769,ptr)", "GetProperty(771,ptr)", "GetProperty(770,ptr)"};
    const Case cases[] = {
        {"saved", 0, 0, true, 1, all, {L"Ann", L"Notes", L"Page", L""}},
        {"no places for the texts", 0, 0, false, 1, {"GetAnnIntoVariant(ptr,ptr)"}, {}},
        // The texts still go out; the client is told the annotations did not.
        {"the engine fails", QMK_ErrInvalidVariant, 0, true, 0, all,
         {L"Ann", L"Notes", L"Page", L""}},
        {"storage fails", QMK_ErrStorageStream, 0, true, 0, all,
         {L"Ann", L"Notes", L"Page", L""}},
        {"texts that cannot be read", 0, QMK_ErrInvalidAttribute, true, 1, all,
         {nullptr, nullptr, nullptr, nullptr}},
    };
    Connect(client);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.setResult(EngineSlot_GetAnnIntoVariant, c.engineResult);
        fake.setResult(EngineSlot_GetProperty, c.propertyResult);
        if (c.propertyResult != 0)
            for (int code : {768, 769, 770, 771}) fake.setProperty(code, 0);
        VARIANT v;
        VariantInit(&v);
        int count = -1;
        BSTR texts[4] = {SysAllocString(L"old"), nullptr, nullptr, nullptr};
        BSTR kept = texts[0];
        mark = fake.LogSize();
        const int result =
            c.places ? client.table->SaveAnnotationsToVariant(client.ctx, &v, &count, &texts[1],
                                                              &texts[0], &texts[2], &texts[3])
                     : client.table->SaveAnnotationsToVariant(client.ctx, &v, &count, nullptr,
                                                              nullptr, nullptr, nullptr);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.calls, EngineCalls());
        if (!c.places) {
            EXPECT_EQ(kept, texts[0]);
        }
        for (size_t i = 0; i < c.texts.size(); ++i) {
            if (c.texts[i])
                EXPECT_STREQ(c.texts[i], texts[i]) << i;
            else
                EXPECT_EQ(nullptr, texts[i]) << i;
        }
        SysFreeString(kept);
        if (c.places)
            for (BSTR t : texts) SysFreeString(t);
        VariantClear(&v);
    }
}

TEST_F(HostTableTest, LoadingFromAVariantPutsTheFourTextsThenLoadsAndReportsANewCurrentLayer) {
    client.cookie = 44;
    client.services.CurrentLayerChanged = RecordLayerChange;
    Connect(client);
    quillmark_test::RecordingSink* sink = Advise();
    fake.setLayerProperty(QMK_LayerActive, -1);
    const std::string longText(kLongText.begin(), kLongText.end());
    struct Case {
        const char* what;
        const wchar_t* texts[4]; // author, comments, title, subject; kNoPlace: none given
        int engineResult;
        bool layerChanges; // the load makes layer 9 current in place of 5
        int result;
        Lines calls;
        Lines events;
        Lines services;
    };
    const wchar_t* const kNoPlace = L"\x1";
    const Lines load = {"GetCurrentLayer()", "SetAnnFromVariant(ptr,ptr,ptr)", "GetCurrentLayer()"};
    const Case cases[] = {
        {"the current layer stays", {L"Ann", L"Notes", L"Page", L"Topic"}, 0, false, 5,
         Then({"SetProperty(768,\"Ann\")", "SetProperty(769,\"Notes\")",
               "SetProperty(771,\"Page\")", "SetProperty(770,\"Topic\")"},
              load),
         {"13(I4 1,I4 2,I4 3)"}, {}},
        {"null, empty and long texts", {nullptr, L"", kLongText.c_str(), L"s"}, 0, false, 5,
         Then({"SetProperty(768,\"\")", "SetProperty(769,\"\")",
               "SetProperty(771,\"" + longText + "\")", "SetProperty(770,\"s\")"},
              load),
         {"13(I4 1,I4 2,I4 3)"}, {}},
        {"no places for the texts", {kNoPlace, kNoPlace, kNoPlace, kNoPlace}, 0, false, 5, load,
         {"13(I4 1,I4 2,I4 3)"}, {}},
        // A new current layer is told to the client and the host; the entry
        // gives what the host's event answered.
        {"a new current layer", {kNoPlace, kNoPlace, kNoPlace, kNoPlace}, 0, true, 77,
         Then(load, {"GetCurrentLayer()", "GetLayerProperty(9,513,ptr)"}), {"13(I4 1,I4 2,I4 3)", "5(I4 9)"},
         {"CurrentLayerChanged(44,-1)"}},
        // A failed load gives the current layer, whether it changed or not.
        {"the engine fails", {kNoPlace, kNoPlace, kNoPlace, kNoPlace}, QMK_ErrInvalidVariant,
         false, 5, load, {"13(I4 1,I4 2,I4 3)"}, {}},
        {"the engine fails after a change", {kNoPlace, kNoPlace, kNoPlace, kNoPlace},
         QMK_ErrInvalidVariant, true, 9, load, {"13(I4 1,I4 2,I4 3)"}, {}},
    };
    fake.reportChangeOn(EngineSlot_SetAnnFromVariant);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.setResult(EngineSlot_GetCurrentLayer, 5);
        fake.setResult(EngineSlot_SetAnnFromVariant, c.engineResult);
        // The engine reports what it loads while it loads; the current layer
        // it makes is the one asked for after.
        const bool changes = c.layerChanges;
        sink->onEvent = [this, changes](DISPID id, DISPPARAMS&) -> long {
            if (id == 13 && changes) fake.setResult(EngineSlot_GetCurrentLayer, 9);
            return id == 5 ? 77 : 0;
        };
        BSTR texts[4] = {};
        BSTR* places[4] = {};
        for (int i = 0; i < 4; ++i) {
            if (c.texts[i] == kNoPlace) continue;
            texts[i] = c.texts[i] ? SysAllocString(c.texts[i]) : nullptr;
            places[i] = &texts[i];
        }
        VARIANT v;
        VariantInit(&v);
        int width = 300, height = 200;
        events.clear();
        g_serviceCalls.clear();
        mark = fake.LogSize();
        EXPECT_EQ(c.result, client.table->LoadAnnotationsFromVariant(client.ctx, &v, &width,
                                                                     &height, places[1],
                                                                     places[0], places[2],
                                                                     places[3]));
        EXPECT_EQ(c.calls, EngineCalls());
        EXPECT_EQ(c.events, events);
        EXPECT_EQ(c.services, g_serviceCalls);
        for (BSTR t : texts) SysFreeString(t);
    }
}

// ---- key, mouse and focus messages ----

// The client's view: a window that hands its input to the annotations
// first and acts on what they leave (0 from the entry: taken).
struct View {
    ImageClientStandIn* client = nullptr;
    Lines acted;
};

bool IsKey(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool IsMouse(UINT m) { return m == WM_SETCURSOR || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST); }

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!view || !view->client || (!IsKey(message) && !IsMouse(message) &&
                                   message != WM_SETFOCUS && message != WM_KILLFOCUS))
        return DefWindowProcW(window, message, wParam, lParam);
    HostCallbackTable* t = view->client->table;
    const HostContext ctx = view->client->ctx;
    bool taken = false;
    if (t && (message == WM_SETFOCUS || message == WM_KILLFOCUS))
        t->FocusMessage(ctx, message); // the view's own handling follows
    else if (t)
        taken = (IsKey(message) ? t->KeyMessage : t->MouseMessage)(ctx, window, message, wParam,
                                                                  lParam) == 0;
    if (!taken)
        view->acted.push_back(std::to_string(message) + "," + std::to_string(wParam) + "," +
                              std::to_string(lParam));
    return 0;
}

HWND MakeView(View* view) {
    return quillmark_test::StandInWindow(L"stand_in_view", ViewProc, nullptr, view);
}

TEST_F(HostTableTest, TheViewActsOnlyOnInputTheEngineLeaves) {
    Connect(client);
    View view;
    view.client = &client;
    HWND window = MakeView(&view);
    const std::string w = std::to_string(reinterpret_cast<intptr_t>(window));
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int engineResult; // of the key, mouse or focus operation
        std::string call; // the engine call after its name and window
        bool viewActs;
    };
    const LPARAM at = MAKELPARAM(30, 40);
    const Case cases[] = {
        {WM_KEYDOWN, VK_DELETE, 0x00530001, 0, "KeyMessage(" + w + ",256,46,5439489)", false},
        {WM_KEYDOWN, VK_DELETE, 0x00530001, -1, "KeyMessage(" + w + ",256,46,5439489)", true},
        {WM_CHAR, 'q', 1, 0, "KeyMessage(" + w + ",258,113,1)", false},
        {WM_CHAR, 'q', 1, -1, "KeyMessage(" + w + ",258,113,1)", true},
        {WM_KEYUP, VK_RETURN, 0, 0, "KeyMessage(" + w + ",257,13,0)", false},
        {WM_SYSKEYDOWN, VK_F10, 0, -1, "KeyMessage(" + w + ",260,121,0)", true},
        // Only 0 means taken: another answer leaves the key to the view.
        {WM_KEYDOWN, VK_ESCAPE, 0, 1, "KeyMessage(" + w + ",256,27,0)", true},
        {WM_LBUTTONDOWN, MK_LBUTTON, at, 0, "MouseMessage(" + w + ",513,1,2621470)", false},
        {WM_LBUTTONDOWN, MK_LBUTTON, at, -1, "MouseMessage(" + w + ",513,1,2621470)", true},
        {WM_MOUSEMOVE, 0, at, 0, "MouseMessage(" + w + ",512,0,2621470)", false},
        {WM_RBUTTONUP, 0, at, -1, "MouseMessage(" + w + ",517,0,2621470)", true},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, at, 0, "MouseMessage(" + w + ",515,1,2621470)", false},
        {WM_SETCURSOR, 0, HTCLIENT, 0, "MouseMessage(" + w + ",32,0,1)", false},
        {WM_SETCURSOR, 0, HTCLIENT, -1, "MouseMessage(" + w + ",32,0,1)", true},
        // Focus goes to the engine and always on to the view.
        {WM_SETFOCUS, 0, 0, 0, "FocusMessage(7)", true},
        {WM_KILLFOCUS, 0, 0, -1, "FocusMessage(8)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call + " answered " + std::to_string(c.engineResult));
        for (int slot : {EngineSlot_KeyMessage, EngineSlot_MouseMessage, EngineSlot_FocusMessage})
            fake.setResult(slot, c.engineResult);
        view.acted.clear();
        mark = fake.LogSize();
        SendMessageW(window, c.message, c.wParam, c.lParam);
        EXPECT_EQ(Lines{c.call}, EngineCalls());
        const Lines acted = {std::to_string(c.message) + "," + std::to_string(c.wParam) + "," +
                             std::to_string(c.lParam)};
        EXPECT_EQ(c.viewActs ? acted : Lines{}, view.acted);
    }
    // Each entry gives the engine's answer as it is.
    for (int answer : {0, -1, 1, static_cast<int>(QMK_ErrInvalidLayer)}) {
        fake.setResult(EngineSlot_KeyMessage, answer);
        fake.setResult(EngineSlot_MouseMessage, answer);
        EXPECT_EQ(answer, client.table->KeyMessage(client.ctx, window, WM_KEYDOWN, 'A', 0));
        EXPECT_EQ(answer, client.table->MouseMessage(client.ctx, window, WM_MOUSEMOVE, 0, 0));
    }
    DestroyWindow(window);
}

TEST_F(HostTableTest, AHostThatUnbindsInsideAKeysEventStillHasTheKeyTaken) {
    Connect(client);
    View view;
    view.client = &client;
    HWND window = MakeView(&view);
    quillmark_test::RecordingSink* sink = Advise();
    IQuillmark* q = control;
    sink->onEvent = [q](DISPID, DISPPARAMS&) -> long {
        q->InterfaceDisconnect();
        return 0;
    };
    fake.reportChangeOn(EngineSlot_KeyMessage);
    fake.setResult(EngineSlot_KeyMessage, 0);
    mark = fake.LogSize();
    SendMessageW(window, WM_KEYDOWN, VK_DELETE, 0);
    const std::string w = std::to_string(reinterpret_cast<intptr_t>(window));
    EXPECT_EQ(Then(Then({"KeyMessage(" + w + ",256,46,0)"}, kWithdrawn), {"DeleteAllLayers()"}),
              EngineCalls());
    EXPECT_EQ((Lines{"13(I4 1,I4 2,I4 3)"}), events);
    EXPECT_TRUE(view.acted.empty());
    EXPECT_EQ(nullptr, client.table);
    // Unbound, the view acts on its input alone.
    SendMessageW(window, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ((Lines{"256,46,0"}), view.acted);
    DestroyWindow(window);
}

TEST_F(HostTableTest, AHostThatLetsTheControlGoInsideAKeysEventStillHasTheKeyTaken) {
    Connect(client);
    View view;
    view.client = &client;
    HWND window = MakeView(&view);
    quillmark_test::RecordingSink* sink = Advise();
    IQuillmark* doomed = control;
    control = nullptr;
    sink->onEvent = [doomed](DISPID, DISPPARAMS&) -> long {
        doomed->InterfaceDisconnect();
        doomed->Release();
        return 0;
    };
    fake.reportChangeOn(EngineSlot_KeyMessage);
    fake.setResult(EngineSlot_KeyMessage, 0);
    mark = fake.LogSize();
    SendMessageW(window, WM_KEYDOWN, VK_DELETE, 0);
    sink->ForgetControl(); // the control dropped its sinks when it went
    const std::string w = std::to_string(reinterpret_cast<intptr_t>(window));
    const Lines calls = EngineCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ("KeyMessage(" + w + ",256,46,0)", calls.front());
    EXPECT_TRUE(view.acted.empty());
    EXPECT_EQ(nullptr, client.table);
    EXPECT_EQ(1u, client.refs);
    // The engine outlives the call it was in.
    EXPECT_EQ(1, fake.liveCount());
    DestroyWindow(window);
}

TEST_F(HostTableTest, AClientLetGoInsideAVariantLoadIsNotToldOfTheNewCurrentLayer) {
    client.cookie = 44;
    client.services.CurrentLayerChanged = RecordLayerChange;
    Connect(client);
    quillmark_test::RecordingSink* sink = Advise();
    IQuillmark* q = control;
    sink->onEvent = [this, q](DISPID id, DISPPARAMS&) -> long {
        if (id == 13) {
            q->InterfaceDisconnect();
            fake.setResult(EngineSlot_GetCurrentLayer, 9);
        }
        return id == 5 ? 77 : 0;
    };
    fake.setResult(EngineSlot_GetCurrentLayer, 5);
    fake.reportChangeOn(EngineSlot_SetAnnFromVariant);
    HostCallbackTable* t = client.table;
    const HostContext ctx = client.ctx;
    VARIANT v;
    VariantInit(&v);
    mark = fake.LogSize();
    EXPECT_EQ(77, t->LoadAnnotationsFromVariant(ctx, &v, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr));
    EXPECT_EQ(Then(Then({"GetCurrentLayer()", "SetAnnFromVariant(ptr,null,null)"}, kWithdrawn),
                   {"DeleteAllLayers()", "GetCurrentLayer()", "GetCurrentLayer()",
                    "GetLayerProperty(9,513,ptr)"}),
              EngineCalls());
    EXPECT_EQ((Lines{"13(I4 1,I4 2,I4 3)", "5(I4 9)"}), events);
    EXPECT_TRUE(g_serviceCalls.empty());
}

} // namespace

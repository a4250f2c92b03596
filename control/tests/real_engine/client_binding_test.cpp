// The control and its client image control: binding by name, object and
// window, the calls the client sees in order, unbinding, and the callback
// table's entries with the real engine behind the control. The client is a
// stand-in written here that records what it is asked.
#include "stand_in_client.h" // before quillmark.h: the two declarations agree

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "control_fixture.h"

namespace {

std::vector<std::string> g_log;

HostCookie const kCookie = 0x5150;

int g_forceUpdates = 0;
HostCookie g_forceCookie = 0;
int __stdcall ForceUpdate(HostCookie cookie) {
    ++g_forceUpdates;
    g_forceCookie = cookie;
    return 0;
}
std::vector<int> g_layerChanges;
int __stdcall CurrentLayerChanged(HostCookie, int active) {
    g_layerChanges.push_back(active);
    return 0;
}
int __stdcall GetViewGeometry(HostCookie, int* kind, RECT* view, RECT* image, int* w, int* h) {
    *kind = 0;
    *view = {0, 0, 200, 200};
    *image = {0, 0, 200, 200};
    *w = 200;
    *h = 200;
    return 0;
}
int __stdcall GetResolution(HostCookie, double* x, double* y) {
    *x = *y = 96.0;
    return 0;
}

// View services that record their calls, for the view mode tests.
std::vector<std::string> g_viewCalls;
int __stdcall RecordGetViewGeometry(HostCookie cookie, int* kind, RECT* view, RECT* image, int* w,
                                    int* h) {
    g_viewCalls.push_back("GetViewGeometry(" + std::to_string(cookie) + ")");
    return GetViewGeometry(cookie, kind, view, image, w, h);
}
int __stdcall RecordSetViewGeometry(HostCookie cookie, int) {
    g_viewCalls.push_back("SetViewGeometry(" + std::to_string(cookie) + ")");
    return 0;
}

// The stand-in client, with services that answer a 200 x 200 view and
// record the control's own calls.
class StandInClient : public quillmark_test::ImageClientStandIn {
public:
    StandInClient(const wchar_t* name, const char* tag) : ImageClientStandIn(name, tag, &g_log) {
        cookie = kCookie;
        services.ViewMode = 0;
        services.GetViewGeometry = GetViewGeometry;
        services.GetFixedViewGeometry = GetViewGeometry;
        services.GetResolution = GetResolution;
        services.ForceUpdate = ForceUpdate;
        services.CurrentLayerChanged = CurrentLayerChanged;
    }
};

// An enumerator over the container's objects, in order.
class ObjectList : public IEnumUnknown {
public:
    virtual ~ObjectList() = default;
    explicit ObjectList(std::vector<IUnknown*> objects) : objects_(std::move(objects)) {}
    ULONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IEnumUnknown))
            return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP Next(ULONG count, IUnknown** out, ULONG* fetched) override {
        ULONG n = 0;
        while (n < count && next_ < objects_.size()) {
            out[n] = objects_[next_++];
            out[n++]->AddRef();
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        next_ += count;
        return next_ <= objects_.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumUnknown**) override { return E_NOTIMPL; }

private:
    std::vector<IUnknown*> objects_;
    size_t next_ = 0;
};

// A site with a container of embedded objects, or (without objects) an
// in-place frame whose child windows answer the query message.
class BindingSite : public TestSite, public IOleContainer, public IOleInPlaceFrame {
public:
    std::vector<IUnknown*> objects;
    bool hasContainer = true;
    HWND frame = nullptr;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IOleInPlaceFrame) && !hasContainer && frame) {
            *object = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
            return S_OK;
        }
        return TestSite::QueryInterface(riid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return TestSite::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TestSite::Release(); }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        if (!hasContainer) return E_NOINTERFACE;
        *container = this;
        AddRef();
        return S_OK;
    }
    // IOleContainer
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown** list) override {
        *list = new ObjectList(objects);
        return S_OK;
    }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }
    // IOleInPlaceFrame: its window is all that is asked.
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = frame;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModeless(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }
};

// A child window standing for a client: it answers the query message with
// the client in its user data.
LRESULT CALLBACK ClientWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kControlQueryMessage && wParam == kControlQueryParam) {
        auto* client = reinterpret_cast<StandInClient*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (client) {
            client->Log("Query");
            client->AddRef();
            *reinterpret_cast<ImageControlInterface**>(lParam) = client;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND ClientWindow(HWND parent, StandInClient* client) {
    return quillmark_test::StandInWindow(L"stand_in_client", ClientWindowProc, parent, client);
}

class ClientBindingTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        g_log.clear();
        g_forceUpdates = 0;
        g_forceCookie = 0;
        g_layerChanges.clear();
        g_viewCalls.clear();
        control = NewControl();
        ASSERT_NE(nullptr, control);
    }
    void TearDown() override {
        if (control) {
            control->InterfaceDisconnect();
            SetSite(control, nullptr);
            control->Release();
        }
        ControlTest::TearDown();
    }
    void Put(BSTR name) { EXPECT_EQ(S_OK, control->put_Client(name)); }

    IQuillmark* control = nullptr;
    BindingSite site;
};

using Log = std::vector<std::string>;

TEST_F(ClientBindingTest, BindsByNameInTheContainersOrder) {
    StandInClient first(L"View", "A"), other(L"Other", "B"), second(L"View", "C");
    site.objects = {static_cast<IOleObject*>(&first), static_cast<IOleObject*>(&other),
                    static_cast<IOleObject*>(&second)};
    ASSERT_EQ(S_OK, SetSite(control, &site));

    struct Case {
        const wchar_t* name;
        Log expected;
    };
    const Case cases[] = {
        // Every match is bound in turn; the one bound before is let go, the
        // last one stays bound.
        {L"View",
         {"A:GetControlName", "A:SetAnnotateServer", "A:QuerySupport", "A:SetAnnotationCallbacks",
          "B:GetControlName", "C:GetControlName", "A:ReleaseAnnotateServer",
          "C:SetAnnotateServer", "C:QuerySupport", "C:SetAnnotationCallbacks"}},
        // Names compare exactly; the bound one is let go first.
        {L"view",
         {"C:ReleaseAnnotateServer", "A:GetControlName", "B:GetControlName", "C:GetControlName"}},
        {L"Other",
         {"A:GetControlName", "B:GetControlName", "B:SetAnnotateServer", "B:QuerySupport",
          "B:SetAnnotationCallbacks", "C:GetControlName"}},
        {L"", {"B:ReleaseAnnotateServer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Client " << std::string(c.name, c.name + wcslen(c.name)));
        g_log.clear();
        BSTR name = SysAllocString(c.name);
        Put(name);
        SysFreeString(name);
        EXPECT_EQ(c.expected, g_log);
        BSTR got = nullptr;
        ASSERT_EQ(S_OK, control->get_Client(&got));
        EXPECT_EQ(std::wstring(c.name), std::wstring(got ? got : L""));
        SysFreeString(got);
    }
    // Every reference the control took is given back.
    EXPECT_EQ(1u, first.refs);
    EXPECT_EQ(1u, other.refs);
    EXPECT_EQ(1u, second.refs);
}

TEST_F(ClientBindingTest, BindsByObjectAndUnbinds) {
    StandInClient client(L"View", "A");
    client.support = false; // its absence changes nothing
    ASSERT_EQ(S_OK, SetSite(control, &site));
    VARIANT_BOOL bound = VARIANT_FALSE;
    ASSERT_EQ(S_OK, control->InterfaceConnect(static_cast<IOleObject*>(&client), &bound));
    EXPECT_EQ(VARIANT_TRUE, bound);
    EXPECT_NE(nullptr, client.ctx);
    ASSERT_NE(nullptr, client.table);
    ASSERT_EQ(S_OK, control->ForceAllUpdate());
    EXPECT_EQ(1, g_forceUpdates);
    EXPECT_EQ(kCookie, g_forceCookie);

    // The client renames itself: Client follows, nothing is rebound.
    BSTR renamed = SysAllocString(L"Renamed");
    EXPECT_EQ(S_OK, client.server->NameChange(renamed));
    SysFreeString(renamed);
    BSTR got = nullptr;
    ASSERT_EQ(S_OK, control->get_Client(&got));
    EXPECT_STREQ(L"Renamed", got);
    SysFreeString(got);

    ASSERT_EQ(S_OK, control->InterfaceDisconnect());
    const Log expected = {"A:SetAnnotateServer", "A:QuerySupport", "A:SetAnnotationCallbacks",
                          "A:ReleaseAnnotateServer"};
    EXPECT_EQ(expected, g_log);
    // Unbound, the control calls nothing of the client that is gone.
    ASSERT_EQ(S_OK, control->ForceAllUpdate());
    long layer = 0;
    ASSERT_EQ(S_OK, control->CreateLayer(&layer));
    EXPECT_EQ(1, g_forceUpdates);
    EXPECT_TRUE(g_layerChanges.empty());
    EXPECT_EQ(1u, client.refs);

    // An object that is no client binds nothing.
    ASSERT_EQ(S_OK, control->InterfaceConnect(static_cast<IDispatch*>(&site), &bound));
    EXPECT_EQ(VARIANT_FALSE, bound);
}

TEST_F(ClientBindingTest, AFailingClientEndsTheMemberWithAnError) {
    StandInClient client(L"View", "A");
    client.serverAnswer = E_UNEXPECTED;
    ASSERT_EQ(S_OK, SetSite(control, &site));
    VARIANT_BOOL bound = VARIANT_FALSE;
    EXPECT_EQ(E_UNEXPECTED, control->InterfaceConnect(static_cast<IOleObject*>(&client), &bound));
    IErrorInfo* info = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    GUID guid = GUID_NULL;
    info->GetGUID(&guid);
    EXPECT_TRUE(IsEqualGUID(IID_ImageControlInterface, guid));
    info->Release();
    control->InterfaceDisconnect();
    EXPECT_EQ(1u, client.refs);
}

TEST_F(ClientBindingTest, BindsByWindowAndThroughTheFramesChildren) {
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 300, 300, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    StandInClient a(L"Left", "A"), b(L"Right", "B");
    HWND wa = ClientWindow(frame, &a);
    HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, frame, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    HWND wb = ClientWindow(frame, &b);
    site.hasContainer = false;
    site.frame = frame;
    ASSERT_EQ(S_OK, SetSite(control, &site));

    BSTR name = SysAllocString(L"Right");
    Put(name);
    SysFreeString(name);
    const Log byName = {"A:Query", "B:Query", "A:GetControlName", "B:GetControlName",
                        "B:SetAnnotateServer", "B:QuerySupport", "B:SetAnnotationCallbacks"};
    EXPECT_EQ(byName, g_log);

    g_log.clear();
    ASSERT_EQ(S_OK, control->SetClientWindow(static_cast<long>(reinterpret_cast<intptr_t>(wa))));
    const Log byWindow = {"B:ReleaseAnnotateServer", "A:Query", "A:SetAnnotateServer",
                          "A:QuerySupport", "A:SetAnnotationCallbacks"};
    EXPECT_EQ(byWindow, g_log);

    // A window that is no client, and no window: unbound, S_OK.
    g_log.clear();
    ASSERT_EQ(S_OK,
              control->SetClientWindow(static_cast<long>(reinterpret_cast<intptr_t>(plain))));
    ASSERT_EQ(S_OK, control->SetClientWindow(0));
    EXPECT_EQ(Log{"A:ReleaseAnnotateServer"}, g_log);
    EXPECT_EQ(1u, a.refs);
    EXPECT_EQ(1u, b.refs);
    DestroyWindow(wa);
    DestroyWindow(wb);
    DestroyWindow(plain);
    DestroyWindow(frame);
}

TEST_F(ClientBindingTest, InDesignModeTheClientGetsNoCallbacks) {
    StandInClient client(L"View", "A");
    site.objects = {static_cast<IOleObject*>(&client)};
    site.userMode = false;
    ASSERT_EQ(S_OK, SetSite(control, &site));
    BSTR name = SysAllocString(L"View");
    Put(name);
    SysFreeString(name);
    EXPECT_EQ((Log{"A:GetControlName", "A:SetAnnotateServer"}), g_log);
    EXPECT_EQ(nullptr, client.table);
    ASSERT_EQ(S_OK, control->InterfaceDisconnect());
    EXPECT_EQ(1u, client.refs);
}

// The engine keeps the view mode a client gave after the client is let go:
// with the client's services withdrawn it lays the view out by itself
// whatever the mode, and the next client's table replaces the mode.
TEST_F(ClientBindingTest, TheViewModeLeftByAClientCallsNothingAndTheNextClientsModeHolds) {
    StandInClient engineLaidOut(L"View", "A"), hostLaidOut(L"View", "B");
    for (StandInClient* c : {&engineLaidOut, &hostLaidOut}) {
        c->services.GetViewGeometry = RecordGetViewGeometry;
        c->services.SetViewGeometry = RecordSetViewGeometry;
    }
    engineLaidOut.services.ViewMode = 2;
    engineLaidOut.cookie = 61;
    hostLaidOut.cookie = 62;
    ASSERT_EQ(S_OK, SetSite(control, &site));
    HostCallbackTable* t = nullptr;
    HostContext ctx = nullptr;
    struct Step {
        const char* what;
        StandInClient* binds; // null: the client is let go
        Log viewCalls;        // of a key message through the table after the step
    };
    const Step steps[] = {
        {"a client whose view the engine lays out", &engineLaidOut, {"SetViewGeometry(61)"}},
        {"it is let go", nullptr, {}},
        {"a client that lays out its own view", &hostLaidOut, {"GetViewGeometry(62)"}},
        {"it is let go", nullptr, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.binds) {
            VARIANT_BOOL bound = VARIANT_FALSE;
            ASSERT_EQ(S_OK, control->InterfaceConnect(static_cast<IOleObject*>(step.binds),
                                                      &bound));
            t = step.binds->table;
            ctx = step.binds->ctx;
        } else {
            ASSERT_EQ(S_OK, control->InterfaceDisconnect());
        }
        ASSERT_NE(nullptr, t);
        long layer = 0;
        ASSERT_EQ(S_OK, control->CreateLayer(&layer));
        g_viewCalls.clear();
        // Unbound, as a client would that kept the table.
        t->KeyMessage(ctx, nullptr, WM_KEYDOWN, 'A', 0);
        EXPECT_EQ(step.viewCalls, g_viewCalls);
    }
    EXPECT_EQ(1u, engineLaidOut.refs);
    EXPECT_EQ(1u, hostLaidOut.refs);
}

// The entries of the table with the real engine.
class HostEntriesTest : public ClientBindingTest {
protected:
    void SetUp() override {
        ClientBindingTest::SetUp();
        ASSERT_EQ(S_OK, SetSite(control, &site));
        VARIANT_BOOL bound = VARIANT_FALSE;
        ASSERT_EQ(S_OK, control->InterfaceConnect(static_cast<IOleObject*>(&client), &bound));
        ASSERT_NE(nullptr, client.table);
        t = client.table;
        ctx = client.ctx;
    }
    // The annotations saved as the client would, with the given type.
    std::vector<uint8_t> Saved(TIFFAnnType type, int* tag) {
        EXPECT_EQ(S_OK, control->put_TIFFAnnotationType(type));
        void* data = reinterpret_cast<void*>(1);
        const int n = t->SaveTiffTagAnnotations(ctx, &data, tag);
        std::vector<uint8_t> bytes;
        if (n > 0 && data) bytes.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
        CoTaskMemFree(data);
        return bytes;
    }
    long Layers() {
        long n = -1;
        EXPECT_EQ(S_OK, control->get_NumLayers(&n));
        return n;
    }

    StandInClient client{L"View", "A"};
    HostCallbackTable* t = nullptr;
    HostContext ctx = nullptr;
};

TEST_F(HostEntriesTest, SavingIsSuppressedUntilTheClientSaysOtherwise) {
    long layer = 0;
    ASSERT_EQ(S_OK, control->CreateLayer(&layer));
    for (TIFFAnnType type : {static_cast<TIFFAnnType>(0), static_cast<TIFFAnnType>(1)}) {
        int tag = 0;
        EXPECT_TRUE(Saved(type, &tag).empty());
        EXPECT_EQ(0, tag);
    }
    t->SetSaveSuppressed(ctx, 0);
    struct Case {
        int type;
        int tag;
    };
    for (const Case c : {Case{0, kTiffTagWang}, Case{1, kTiffTagQuillmark}}) {
        int tag = 0;
        EXPECT_FALSE(Saved(static_cast<TIFFAnnType>(c.type), &tag).empty()) << c.type;
        EXPECT_EQ(c.tag, tag);
    }
    // No place for the data: nothing, no crash.
    EXPECT_EQ(0, t->SaveTiffTagAnnotations(ctx, nullptr, nullptr));
}

TEST_F(HostEntriesTest, LoadingTakesOnlyTheTagOfTheType) {
    long layer = 0;
    ASSERT_EQ(S_OK, control->CreateLayer(&layer));
    ASSERT_EQ(S_OK, control->CreateLayer(&layer));
    t->SetSaveSuppressed(ctx, 0);
    int wangTag = 0, ownTag = 0;
    const std::vector<uint8_t> wang = Saved(static_cast<TIFFAnnType>(0), &wangTag);
    const std::vector<uint8_t> own = Saved(static_cast<TIFFAnnType>(1), &ownTag);
    ASSERT_FALSE(wang.empty());
    ASSERT_FALSE(own.empty());
    std::vector<uint8_t> damagedOwn(own.begin(), own.begin() + own.size() / 2);
    std::vector<uint8_t> damagedWang(wang.begin(), wang.begin() + 6);

    EventRecorder events;
    DWORD cookie = 0;
    IConnectionPointContainer* cpc = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(&cpc)));
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(S_OK, cpc->FindConnectionPoint(DIID__IQuillmarkEvents, &point));
    ASSERT_EQ(S_OK, point->Advise(&events, &cookie));

    struct Case {
        const char* what;
        int type;
        const std::vector<uint8_t>* data;
        int length; // kWhole: the data's size
        int tag;
        long layersAfter;
        std::vector<DISPID> fired;
    };
    const int kWhole = INT_MAX;
    const std::vector<DISPID> loaded = {3, 3, 5}; // LayerRestored per layer, CurrentLayerChange
    const Case cases[] = {
        {"Wang tag under type 1", 1, &wang, kWhole, kTiffTagWang, 2, {}},
        {"own tag under type 0", 0, &own, kWhole, kTiffTagQuillmark, 2, {}},
        {"no length", 1, &own, 0, kTiffTagQuillmark, 2, {}},
        {"negative length", 1, &own, -5, kTiffTagQuillmark, 2, {}},
        {"damaged own stream", 1, &damagedOwn, kWhole, kTiffTagQuillmark, 2, loaded},
        // A Wang page replaces what was there even when nothing of it can be
        // read: the engine reports its current layer gone, the client has none.
        {"damaged Wang data", 0, &damagedWang, kWhole, kTiffTagWang, 0, {5}},
        {"own stream", 1, &own, kWhole, kTiffTagQuillmark, 2, loaded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(S_OK, control->put_TIFFAnnotationType(static_cast<TIFFAnnType>(c.type)));
        events.fired.clear();
        g_layerChanges.clear();
        const int length = c.length == kWhole ? static_cast<int>(c.data->size()) : c.length;
        t->LoadTiffTagAnnotations(ctx, c.data->data(), length, 200, 200, c.tag);
        EXPECT_EQ(c.layersAfter, Layers());
        // The load's own reports end with LayerRestored per layer and
        // CurrentLayerChange; the engine's notifications come before them.
        std::vector<DISPID> tail = events.fired;
        if (tail.size() > c.fired.size()) tail.erase(tail.begin(), tail.end() - c.fired.size());
        EXPECT_EQ(c.fired, tail);
        if (c.fired.empty()) {
            EXPECT_TRUE(events.fired.empty());
        }
        EXPECT_EQ(c.layersAfter > 0 && !c.fired.empty() ? 1u : 0u, g_layerChanges.size());
    }
    EXPECT_EQ(0, t->LoadTiffTagAnnotations(ctx, nullptr, 10, 0, 0, kTiffTagQuillmark));

    // LoadAnnotations 0: nothing is loaded, whatever the tag.
    ASSERT_EQ(S_OK, control->put_LoadAnnotations(VARIANT_FALSE));
    EXPECT_EQ(0, t->ClearAnnotations(ctx));
    events.fired.clear();
    EXPECT_EQ(0, t->LoadTiffTagAnnotations(ctx, own.data(), static_cast<int>(own.size()), 0, 0,
                                           kTiffTagQuillmark));
    EXPECT_EQ(0, Layers());
    EXPECT_TRUE(events.fired.empty());

    point->Unadvise(cookie);
    point->Release();
    cpc->Release();
}

TEST_F(HostEntriesTest, PaintingFollowsAllowPaintAndInputReachesTheEngine) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 200;
    info.bmiHeader.biHeight = -200;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    const RECT view = {0, 0, 200, 200};
    const RECT image = {0, 0, 200, 200};

    // Without layers the engine refuses to paint (-1); with AllowPaint 0 it
    // is not asked at all.
    ASSERT_EQ(S_OK, control->put_AllowPaint(VARIANT_FALSE));
    EXPECT_EQ(0, t->PaintAnnotationsEx(ctx, 3, dc, 0, 0, 0, &view, &image));
    EXPECT_EQ(0, t->PaintAnnotations(ctx, dc, 0, 0, 0, &view, &image));
    EXPECT_EQ(-1, t->PaintAnnotationsToDC(ctx, dc, 0, 0, &view, &image)); // whatever AllowPaint is
    ASSERT_EQ(S_OK, control->put_AllowPaint(VARIANT_TRUE));
    EXPECT_EQ(-1, t->PaintAnnotations(ctx, dc, 0, 0, 0, &view, &image));

    // Without layers and interaction the engine leaves input to the client.
    EXPECT_EQ(-1, t->MouseMessage(ctx, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)));
    EXPECT_EQ(-1, t->KeyMessage(ctx, nullptr, WM_KEYDOWN, VK_DELETE, 0));
    // A null ctx does nothing.
    EXPECT_EQ(-1, t->MouseMessage(nullptr, nullptr, WM_LBUTTONDOWN, 0, 0));
    EXPECT_EQ(0, t->PaintAnnotations(nullptr, dc, 0, 0, 0, &view, &image));

    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
}

// A VARIANT of each kind a client may hand the load entry.
struct VariantKind {
    const char* what;
    bool loads; // the annotations in it replace those there
    void (*make)(const std::vector<uint8_t>& saved, VARIANT* v, VARIANT* inner, SAFEARRAY** kept);
};

SAFEARRAY* Bytes(const std::vector<uint8_t>& bytes) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(a, &data);
    if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(a);
    return a;
}

const VariantKind kVariantKinds[] = {
    {"byte array", true,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_ARRAY | VT_UI1;
         V_ARRAY(v) = Bytes(b);
     }},
    {"byte array by reference", true,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT*, SAFEARRAY** kept) {
         *kept = Bytes(b);
         V_VT(v) = VT_BYREF | VT_ARRAY | VT_UI1;
         V_ARRAYREF(v) = kept;
     }},
    {"a VARIANT by reference holding a byte array", true,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT* inner, SAFEARRAY**) {
         V_VT(inner) = VT_ARRAY | VT_UI1;
         V_ARRAY(inner) = Bytes(b);
         V_VT(v) = VT_BYREF | VT_VARIANT;
         V_VARIANTREF(v) = inner;
     }},
    {"empty", false, [](const std::vector<uint8_t>&, VARIANT*, VARIANT*, SAFEARRAY**) {}},
    {"a number", false,
     [](const std::vector<uint8_t>&, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_I4;
         V_I4(v) = 42;
     }},
    {"a text", false,
     [](const std::vector<uint8_t>&, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_BSTR;
         V_BSTR(v) = SysAllocString(L"annotations");
     }},
    {"an array of numbers", false,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_ARRAY | VT_I4;
         V_ARRAY(v) = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(b.size() / 4));
     }},
    {"an empty byte array", false,
     [](const std::vector<uint8_t>&, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_ARRAY | VT_UI1;
         V_ARRAY(v) = Bytes({});
     }},
    {"a byte array of two dimensions", false,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT*, SAFEARRAY**) {
         SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(b.size()), 0}, {1, 0}};
         V_VT(v) = VT_ARRAY | VT_UI1;
         V_ARRAY(v) = SafeArrayCreate(VT_UI1, 2, bounds);
     }},
    {"half of the bytes", false,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_ARRAY | VT_UI1;
         V_ARRAY(v) = Bytes(std::vector<uint8_t>(b.begin(), b.begin() + b.size() / 2));
     }},
    {"bytes that are no annotations", false,
     [](const std::vector<uint8_t>& b, VARIANT* v, VARIANT*, SAFEARRAY**) {
         V_VT(v) = VT_ARRAY | VT_UI1;
         V_ARRAY(v) = Bytes(std::vector<uint8_t>(b.size(), 0xA5));
     }},
};

TEST_F(HostEntriesTest, TheVariantEntriesCarryTheAnnotationsAndRefuseWhatIsNone) {
    long layer = 0;
    ASSERT_EQ(S_OK, control->CreateLayer(&layer));
    ASSERT_EQ(S_OK, control->CreateLayer(&layer));
    // Saved: a byte array of the annotations, its length given.
    VARIANT saved;
    VariantInit(&saved);
    int count = -1;
    EXPECT_EQ(1, t->SaveAnnotationsToVariant(ctx, &saved, &count, nullptr, nullptr, nullptr,
                                             nullptr));
    ASSERT_EQ(VT_ARRAY | VT_UI1, V_VT(&saved));
    ASSERT_EQ(1u, SafeArrayGetDim(V_ARRAY(&saved)));
    ASSERT_GT(count, 0);
    ASSERT_EQ(static_cast<ULONG>(count), V_ARRAY(&saved)->rgsabound[0].cElements);
    std::vector<uint8_t> bytes(count);
    void* data = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(V_ARRAY(&saved), &data));
    memcpy(bytes.data(), data, bytes.size());
    SafeArrayUnaccessData(V_ARRAY(&saved));
    VariantClear(&saved);
    // Nowhere to put them: 0, nothing else changes.
    EXPECT_EQ(0, t->SaveAnnotationsToVariant(ctx, nullptr, &count, nullptr, nullptr, nullptr,
                                             nullptr));
    EXPECT_EQ(0, count);

    for (const VariantKind& kind : kVariantKinds) {
        SCOPED_TRACE(kind.what);
        // Three layers before, the saved two after a load.
        ASSERT_EQ(S_OK, control->CreateLayer(&layer));
        long current = 0;
        ASSERT_EQ(S_OK, control->get_CurrentLayer(&current));
        const long before = Layers();
        VARIANT v, inner;
        VariantInit(&v);
        VariantInit(&inner);
        SAFEARRAY* kept = nullptr;
        kind.make(bytes, &v, &inner, &kept);
        int width = 200, height = 200;
        g_layerChanges.clear();
        const int result =
            t->LoadAnnotationsFromVariant(ctx, &v, &width, &height, nullptr, nullptr, nullptr,
                                          nullptr);
        long after = 0;
        ASSERT_EQ(S_OK, control->get_CurrentLayer(&after));
        if (kind.loads) {
            EXPECT_EQ(2, Layers());
            EXPECT_NE(current, after);
            EXPECT_EQ(1u, g_layerChanges.size()); // told to the client
            EXPECT_EQ(0, result);                 // what the host's event answered
        } else {
            EXPECT_EQ(before, Layers());
            EXPECT_EQ(current, after);
            EXPECT_TRUE(g_layerChanges.empty());
            EXPECT_EQ(current, result); // the current layer, as it was
        }
        VariantClear(&v);
        VariantClear(&inner);
        if (kept) SafeArrayDestroy(kept);
    }
    // No VARIANT at all: refused alike.
    long current = 0;
    ASSERT_EQ(S_OK, control->get_CurrentLayer(&current));
    const long before = Layers();
    EXPECT_EQ(current, t->LoadAnnotationsFromVariant(ctx, nullptr, nullptr, nullptr, nullptr,
                                                     nullptr, nullptr, nullptr));
    EXPECT_EQ(before, Layers());
}

TEST_F(HostEntriesTest, TheFourTextsOfALoadedSetReplaceThoseThere) {
    const std::wstring longText(70000, L'w');
    struct Case {
        const char* what;
        bool places;           // the client gives places for the texts
        const wchar_t* in[4];  // author, comments, title, subject
        const wchar_t* out[4]; // as the save entry gives them back after
    };
    const Case cases[] = {
        {"plain", true, {L"Ann", L"Notes", L"Page", L"Topic"},
         {L"Ann", L"Notes", L"Page", L"Topic"}},
        {"no places: the texts stay", false, {}, {L"Ann", L"Notes", L"Page", L"Topic"}},
        // A set without texts leaves none of the texts before it.
        {"none", true, {nullptr, nullptr, nullptr, nullptr}, {L"", L"", L"", L""}},
        {"empty and long", true, {L"", longText.c_str(), L"", L"\x00e9t\x00e9"},
         {L"", longText.c_str(), L"", L"\x00e9t\x00e9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BSTR in[4];
        for (int i = 0; i < 4; ++i) in[i] = c.in[i] ? SysAllocString(c.in[i]) : nullptr;
        VARIANT none;
        VariantInit(&none);
        if (c.places)
            t->LoadAnnotationsFromVariant(ctx, &none, nullptr, nullptr, &in[1], &in[0], &in[2],
                                          &in[3]);
        else
            t->LoadAnnotationsFromVariant(ctx, &none, nullptr, nullptr, nullptr, nullptr,
                                          nullptr, nullptr);
        BSTR out[4] = {};
        VARIANT saved;
        VariantInit(&saved);
        EXPECT_EQ(1, t->SaveAnnotationsToVariant(ctx, &saved, nullptr, &out[1], &out[0], &out[2],
                                                 &out[3]));
        for (int i = 0; i < 4; ++i) {
            // Compared whole, reported short: the long text runs to 70000 characters.
            const std::wstring want = c.out[i], got = out[i] ? out[i] : L"";
            EXPECT_TRUE(want == got) << i << ": " << got.size() << " characters, "
                                     << want.size() << " wanted";
            SysFreeString(in[i]);
            SysFreeString(out[i]);
        }
        VariantClear(&saved);
    }
}

} // namespace

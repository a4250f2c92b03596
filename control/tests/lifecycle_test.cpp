// The control's lifetime as hosts drive it: the event-connection exports,
// and many create/release cycles that leave nothing behind.
#include "control_fixture.h"

#include <psapi.h>

namespace {

using ConnectFn = unsigned char(__cdecl*)(IQuillmark** holder, DWORD* cookie, IUnknown* sink,
                                          LONG* counter);
using DisconnectFn = unsigned char(__cdecl*)(IUnknown* control, DWORD cookie);

class ControlLifecycleTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        module_ = LoadLibraryW(L"inkctl7.dll");
        ASSERT_NE(nullptr, module_);
        connect_ = reinterpret_cast<ConnectFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "YQ_ConnectEvents")));
        disconnect_ =
            reinterpret_cast<DisconnectFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "YQ_DisConnectEvents")));
        ASSERT_NE(nullptr, connect_);
        ASSERT_NE(nullptr, disconnect_);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
        ControlTest::TearDown();
    }
    HRESULT CanUnloadNow() {
        auto fn = reinterpret_cast<HRESULT(__stdcall*)()>(GetProcAddress(module_, "DllCanUnloadNow"));
        return fn ? fn() : E_NOTIMPL;
    }

    HMODULE module_ = nullptr;
    ConnectFn connect_ = nullptr;
    DisconnectFn disconnect_ = nullptr;
};

// One connect takes exactly the reference that one disconnect gives back,
// whether or not the sink was connected; either export answers true once
// it reaches the control's event point, whatever Advise or Unadvise said.
TEST_F(ControlLifecycleTest, ConnectTakesTheReferenceThatDisconnectGivesBack) {
    const struct {
        const char* what;
        IID events;   // what the sink answers for
        bool wrongCookie; // disconnect with a cookie that names no connection
        bool connected;
    } cases[] = {
        {"an event sink, disconnected by its cookie", DIID__IQuillmarkEvents, false, true},
        {"an event sink, disconnected by another cookie", DIID__IQuillmarkEvents, true, true},
        {"a sink of another interface", IID_IPropertyNotifySink, false, false},
    };
    LONG counter = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IQuillmark* holder = nullptr;
        DWORD cookie = 0xDEAD;
        EventRecorder sink(c.events);
        sink.AddRef(); // the reference the export consumes
        const LONG counted = counter;
        ASSERT_EQ(1, connect_(&holder, &cookie, static_cast<IDispatch*>(&sink), &counter));
        ASSERT_NE(nullptr, holder);
        EXPECT_EQ(counted + 1, counter);
        EXPECT_EQ(c.connected, cookie != 0);
        EXPECT_EQ(c.connected ? 1u : 0u, sink.refs) << "held by the connection only";

        // The holder's own reference and the one for the disconnect.
        holder->AddRef();
        EXPECT_EQ(2u, holder->Release());
        EXPECT_EQ(1, disconnect_(holder, c.wrongCookie ? cookie + 100 : cookie));
        if (c.wrongCookie) {
            EXPECT_EQ(1u, sink.refs) << "still connected";
        }
        holder->AddRef();
        EXPECT_EQ(1u, holder->Release()) << "the holder's reference is left";
        EXPECT_EQ(0u, holder->Release());
        EXPECT_EQ(0u, sink.refs);
    }
    EXPECT_EQ(0, disconnect_(nullptr, 1));
    EXPECT_EQ(S_OK, CanUnloadNow());
}

// The holder's earlier control is let go when a new one is made into it.
TEST_F(ControlLifecycleTest, ConnectLetsTheHoldersEarlierControlGo) {
    IQuillmark* holder = nullptr;
    DWORD cookie = 0;
    LONG counter = 0;
    ASSERT_EQ(1, connect_(&holder, &cookie, nullptr, &counter));
    IQuillmark* first = holder;
    ASSERT_EQ(1, connect_(&holder, &cookie, nullptr, &counter));
    EXPECT_NE(first, holder);
    EXPECT_EQ(2, counter);
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(1, disconnect_(first, 0)) << "its connect's reference, the last one";
    EXPECT_EQ(1, disconnect_(holder, 0));
    EXPECT_EQ(0u, holder->Release());
    EXPECT_EQ(S_OK, CanUnloadNow());
}

size_t ModuleCount() {
    HMODULE modules[512];
    DWORD needed = 0;
    EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &needed);
    return needed / sizeof(HMODULE);
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int ThreadWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// One life of a control as a container gives it: created, sited, driven,
// saved, closed and released.
void OneLife(ControlTest& test, IQuillmark* control) {
    TestSite site;
    IOleObject* ole = nullptr;
    control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    ole->SetClientSite(&site);
    EventRecorder events;
    IConnectionPointContainer* cpc = nullptr;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc));
    IConnectionPoint* point = nullptr;
    cpc->FindConnectionPoint(DIID__IQuillmarkEvents, &point);
    DWORD cookie = 0;
    point->Advise(static_cast<IDispatch*>(&events), &cookie);
    annotationTOOL tool = static_cast<annotationTOOL>(0);
    control->get_DefaultTool(&tool);
    control->put_DefaultPenWidth(4);
    (void)test;
    IPersistStreamInit* persist = nullptr;
    control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    persist->Save(stream, TRUE);
    stream->Release();
    persist->Release();
    point->Release();
    cpc->Release();
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    ole->Release();
    control->Release();
}

TEST_F(ControlLifecycleTest, ManyLivesLeaveNoModuleWindowOrGdiObjectBehind) {
    IQuillmark* first = NewControl();
    ASSERT_NE(nullptr, first);
    OneLife(*this, first); // the first life loads what stays for the process
    EXPECT_EQ(nullptr, GetModuleHandleW(L"inkcore7.dll")) << "the engine goes with its control";
    const size_t modules = ModuleCount();
    const int windows = ThreadWindowCount();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 25; ++i) {
        IQuillmark* control = NewControl();
        ASSERT_NE(nullptr, control);
        OneLife(*this, control);
    }
    EXPECT_EQ(nullptr, GetModuleHandleW(L"inkcore7.dll"));
    EXPECT_EQ(modules, ModuleCount());
    EXPECT_EQ(windows, ThreadWindowCount());
    EXPECT_EQ(gdi, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    EXPECT_EQ(user, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    EXPECT_EQ(S_OK, CanUnloadNow());
}

} // namespace

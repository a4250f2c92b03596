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

TEST_F(ControlLifecycleTest, ConnectAndDisconnectExportsReportWhetherTheSinkWasConnected) {
    IQuillmark* holder = nullptr;
    DWORD cookie = 0;
    LONG counter = 0;
    EventRecorder sink;
    sink.AddRef(); // the reference the export consumes
    ASSERT_EQ(1, connect_(&holder, &cookie, static_cast<IDispatch*>(&sink), &counter));
    ASSERT_NE(nullptr, holder);
    EXPECT_NE(0u, cookie);
    EXPECT_EQ(1, counter);
    EXPECT_EQ(1u, sink.refs) << "held by the connection only";

    // A cookie that names no connection is not reported as disconnected.
    holder->AddRef();
    EXPECT_EQ(0, disconnect_(holder, cookie + 100));
    EXPECT_EQ(1, disconnect_(holder, cookie));
    EXPECT_EQ(0u, sink.refs);
    EXPECT_EQ(0, disconnect_(nullptr, cookie));

    // A sink of some other interface cannot be connected: false, cookie 0,
    // and the counter still counts the attempt. The control stays in the
    // holder, whose earlier control is let go.
    EventRecorder stranger(IID_IPropertyNotifySink);
    stranger.AddRef();
    IQuillmark* first = holder;
    first->AddRef();
    EXPECT_EQ(0, connect_(&holder, &cookie, static_cast<IDispatch*>(&stranger), &counter));
    EXPECT_EQ(0u, cookie);
    EXPECT_EQ(2, counter);
    EXPECT_EQ(0u, stranger.refs);
    EXPECT_NE(first, holder);
    EXPECT_EQ(0u, first->Release()) << "the holder let go of its earlier control";
    ASSERT_NE(nullptr, holder);
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

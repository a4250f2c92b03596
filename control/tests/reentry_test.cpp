// A host that lets the control go from inside a notification: every member
// that notifies finishes on a live control, and the control goes only when
// the member is over. Run under heap checking, where a write to a freed block
// is reported.
#include "control_fixture.h"

#include <functional>

namespace {

// A property-change listener that, at its first OnChanged, lets go of the
// reference it was handed (the host's last one).
class ReleasingListener : public IPropertyNotifySink {
public:
    IUnknown* held = nullptr;
    int changes = 0;
    ULONG refs = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPropertyNotifySink))
            return E_NOINTERFACE;
        *object = static_cast<IPropertyNotifySink*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP OnChanged(DISPID) override {
        ++changes;
        if (IUnknown* h = held) {
            held = nullptr;
            h->Release();
        }
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
};

bool EveryHeapIsSound() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr)) return false;
    return true;
}

IFontDisp* NewFont() {
    FONTDESC desc = {sizeof desc, const_cast<LPOLESTR>(L"Arial"), {{90000, 0}}, 400,
                     ANSI_CHARSET, FALSE, FALSE, FALSE};
    IFontDisp* font = nullptr;
    OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font));
    return font;
}

class ControlReentryTest : public ControlTest {};

// Each member below notifies its listeners at design time. The listeners
// are one or two: the first lets the control go, the second must still be
// reached from a sound list.
TEST_F(ControlReentryTest, MembersThatNotifyFinishOnALiveControlReleasedByTheListener) {
    IFontDisp* font = NewFont();
    ASSERT_NE(nullptr, font);
    BSTR name = SysAllocString(L"NoSuchClient");
    const struct {
        const char* what;
        std::function<HRESULT(IQuillmark*)> call;
    } cases[] = {
        {"LoadAnnotations", [](IQuillmark* c) { return c->put_LoadAnnotations(VARIANT_FALSE); }},
        {"RequireToolPalette", [](IQuillmark* c) { return c->put_RequireToolPalette(VARIANT_FALSE); }},
        {"ToolbarActivated", [](IQuillmark* c) { return c->put_ToolbarActivated(VARIANT_FALSE); }},
        {"TIFFAnnotationType", [](IQuillmark* c) { return c->put_TIFFAnnotationType(static_cast<TIFFAnnType>(1)); }},
        {"PreserveWTLayers", [](IQuillmark* c) { return c->put_PreserveWTLayers(VARIANT_TRUE); }},
        {"EnableContextMenu", [](IQuillmark* c) { return c->put_EnableContextMenu(VARIANT_FALSE); }},
        {"MenuSetEnabled (context)", [](IQuillmark* c) { return c->MenuSetEnabled(static_cast<enumMenu>(1), static_cast<annotationTOOL>(4096), VARIANT_FALSE); }},
        {"AllowPaint", [](IQuillmark* c) { return c->put_AllowPaint(VARIANT_FALSE); }},
        {"Client", [name](IQuillmark* c) { return c->put_Client(name); }},
        {"DefaultTextFont", [font](IQuillmark* c) { return c->put_DefaultTextFont(font); }},
        {"DefaultStampFont by reference", [font](IQuillmark* c) { return c->putref_DefaultStampFont(font); }},
    };
    for (int listeners = 1; listeners <= 2; ++listeners) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (listeners == 2 ? ", two listeners" : ", one listener"));
            IQuillmark* control = NewControl();
            ASSERT_NE(nullptr, control);
            TestSite site;
            site.userMode = false;
            ASSERT_EQ(S_OK, SetSite(control, &site));
            IConnectionPointContainer* container = nullptr;
            ASSERT_EQ(S_OK, control->QueryInterface(IID_IConnectionPointContainer,
                                                    reinterpret_cast<void**>(&container)));
            IConnectionPoint* point = nullptr;
            ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, &point));
            container->Release();
            ReleasingListener first, second;
            DWORD cookie = 0;
            ASSERT_EQ(S_OK, point->Advise(&first, &cookie));
            if (listeners == 2) {
                ASSERT_EQ(S_OK, point->Advise(&second, &cookie));
            }
            point->Release();
            // From here the listener holds the only reference.
            first.held = control;

            const HRESULT hr = c.call(control);
            EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
            EXPECT_EQ(1, first.changes);
            if (listeners == 2) {
                EXPECT_EQ(1, second.changes);
            }
            EXPECT_EQ(nullptr, first.held) << "no notification reached the listener";
            EXPECT_EQ(0u, first.refs) << "the control let its listener go";
            EXPECT_EQ(0u, second.refs);
            EXPECT_EQ(0u, site.refs) << "the control went when the member was over";
            EXPECT_TRUE(EveryHeapIsSound());
        }
    }
    SysFreeString(name);
    font->Release();
}

} // namespace

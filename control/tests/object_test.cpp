// The control object as its hosts meet it: creation by ProgID and CLSID, the
// interfaces it answers, class information, safety options, connection
// points and quick activation, the members that keep control state, their
// error objects, design-time notices, and letting go of a container's sinks.
#include "control_fixture.h"

#include "notify_recorder.h"

#include <objsafe.h>

namespace {

const IID* const kInterfaces[] = {
    &IID_IQuillmark, &IID_IObjectSafety, &IID_IAnnotateServer7, &IID_IDispatch,
    &IID_IViewObjectEx, &IID_IViewObject2, &IID_IViewObject, &IID_IOleInPlaceObjectWindowless,
    &IID_IOleInPlaceObject, &IID_IOleWindow, &IID_IOleInPlaceActiveObject, &IID_IOleControl,
    &IID_IOleObject, &IID_IPersistStreamInit, &IID_IPersistPropertyBag, &IID_IPersist,
    &IID_ISupportErrorInfo, &IID_IConnectionPointContainer, &IID_ISpecifyPropertyPages,
    &IID_IQuickActivate, &IID_IPersistStorage, &IID_IDataObject, &IID_IProvideClassInfo,
    &IID_IProvideClassInfo2, &IID_IPerPropertyBrowsing,
};

class ControlObjectTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        control_ = NewControl();
        ASSERT_NE(nullptr, control_);
    }
    void TearDown() override {
        if (control_) control_->Release();
        control_ = nullptr;
        ControlTest::TearDown();
    }
    template <class I>
    I* As(const IID& iid) {
        I* p = nullptr;
        control_->QueryInterface(iid, reinterpret_cast<void**>(&p));
        return p;
    }

    IQuillmark* control_ = nullptr;
};

TEST_F(ControlObjectTest, CreatedByEitherProgIdAndByClsid) {
    for (const wchar_t* progId : {L"MorvaneImaging.Quillmark.7", L"MorvaneImaging.Quillmark"}) {
        SCOPED_TRACE(progId);
        CLSID clsid = {};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(CLSID_Quillmark, clsid));
        IDispatch* made = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                         reinterpret_cast<void**>(&made)));
        made->Release();
    }
}

TEST_F(ControlObjectTest, AnswersEveryInterfaceOfItsListWithOneIdentity) {
    IUnknown* identity = As<IUnknown>(IID_IUnknown);
    ASSERT_NE(nullptr, identity);
    for (const IID* iid : kInterfaces) {
        wchar_t name[40] = {};
        StringFromGUID2(*iid, name, 40);
        SCOPED_TRACE(name);
        IUnknown* p = As<IUnknown>(*iid);
        ASSERT_NE(nullptr, p);
        IUnknown* back = nullptr;
        ASSERT_EQ(S_OK, p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)));
        EXPECT_EQ(identity, back);
        back->Release();
        p->Release();
    }
    identity->Release();
}

TEST_F(ControlObjectTest, ClassInfoGivesTheCoclassAndTheEventInterface) {
    IProvideClassInfo2* info = As<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_NE(nullptr, info);
    GUID events = {};
    EXPECT_EQ(S_OK, info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events));
    EXPECT_TRUE(IsEqualGUID(DIID__IQuillmarkEvents, events));
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(S_OK, info->GetClassInfo(&coclass));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(CLSID_Quillmark, attr->guid));
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();
    info->Release();
}

TEST_F(ControlObjectTest, PropertyPagesAreTheColourPageTheControlsPageAndTheFontPage) {
    const CLSID colour = {0x7EBDAAE1, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};
    const CLSID font = {0x7EBDAAE0, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};
    ISpecifyPropertyPages* specify = As<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages);
    ASSERT_NE(nullptr, specify);
    CAUUID pages = {};
    ASSERT_EQ(S_OK, specify->GetPages(&pages));
    ASSERT_EQ(3u, pages.cElems);
    EXPECT_TRUE(IsEqualGUID(colour, pages.pElems[0]));
    EXPECT_TRUE(IsEqualGUID(CLSID_NoteProps, pages.pElems[1]));
    EXPECT_TRUE(IsEqualGUID(font, pages.pElems[2]));
    CoTaskMemFree(pages.pElems);
    specify->Release();

    IPerPropertyBrowsing* browsing = As<IPerPropertyBrowsing>(IID_IPerPropertyBrowsing);
    ASSERT_NE(nullptr, browsing);
    const struct {
        DISPID dispid;
        const CLSID* page;
    } cases[] = {{9, &colour}, {16, &CLSID_NoteProps}, {54, &font}, {400, &font}};
    for (const auto& c : cases) {
        CLSID page = {};
        EXPECT_EQ(S_OK, browsing->MapPropertyToPage(c.dispid, &page)) << c.dispid;
        EXPECT_TRUE(IsEqualGUID(*c.page, page)) << c.dispid;
    }
    CLSID none = {};
    EXPECT_EQ(PERPROP_E_NOPAGEAVAILABLE, browsing->MapPropertyToPage(170, &none));
    // The pen width is edited in the browser itself.
    EXPECT_EQ(E_NOTIMPL, browsing->MapPropertyToPage(12, &none));
    browsing->Release();
}

TEST_F(ControlObjectTest, SafeForUntrustedCallersAndDataWhateverIsAsked) {
    IObjectSafety* safety = As<IObjectSafety>(IID_IObjectSafety);
    ASSERT_NE(nullptr, safety);
    for (const IID* iid : {&IID_IDispatch, &IID_IPersistStreamInit, &IID_IPersistPropertyBag}) {
        EXPECT_EQ(S_OK, safety->SetInterfaceSafetyOptions(*iid, 0xFF, 0));
        DWORD supported = 0, enabled = 0;
        EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(*iid, &supported, &enabled));
        EXPECT_EQ(3u, supported);
        EXPECT_EQ(3u, enabled);
    }
    safety->Release();
}

TEST_F(ControlObjectTest, OffersTheEventAndPropertyNotifyPointsAndQuickActivateAdvisesBoth) {
    IConnectionPointContainer* cpc = As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_NE(nullptr, cpc);
    for (const IID* iid : {&DIID__IQuillmarkEvents, &IID_IPropertyNotifySink}) {
        IConnectionPoint* point = nullptr;
        EXPECT_EQ(S_OK, cpc->FindConnectionPoint(*iid, &point));
        if (point) point->Release();
    }
    cpc->Release();

    TestSite site;
    EventRecorder events;
    NotifyRecorder notices;
    IQuickActivate* quick = As<IQuickActivate>(IID_IQuickActivate);
    ASSERT_NE(nullptr, quick);
    QACONTAINER container = {};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    container.pUnkEventSink = static_cast<IDispatch*>(&events);
    container.pPropertyNotifySink = &notices;
    QACONTROL answer = {};
    answer.cbSize = sizeof answer;
    ASSERT_EQ(S_OK, quick->QuickActivate(&container, &answer));
    EXPECT_NE(0u, answer.dwEventCookie);
    EXPECT_NE(0u, answer.dwPropNotifyCookie);
    EXPECT_EQ(132497u, answer.dwMiscStatus);
    quick->Release();
    EXPECT_GT(events.refs, 0u);
    EXPECT_GT(notices.refs, 0u);

    // At design time a kept property's change reaches the container's sink.
    site.userMode = false;
    EXPECT_EQ(S_OK, control_->put_TIFFAnnotationType(QMK_Compatible));
    ASSERT_EQ(1u, notices.changed.size());
    EXPECT_EQ(253, notices.changed[0]);
    ASSERT_EQ(S_OK, SetSite(control_, nullptr));
    EXPECT_EQ(0u, events.refs) << "the container's site went, and with it its sinks";
    EXPECT_EQ(0u, notices.refs);
}

TEST_F(ControlObjectTest, KeptPropertiesChangedAtDesignTimeMarkDirtyAndNotifyButNotInUserMode) {
    TestSite site;
    ASSERT_EQ(S_OK, SetSite(control_, &site));
    NotifyRecorder notices;
    IConnectionPointContainer* cpc = As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(S_OK, cpc->FindConnectionPoint(IID_IPropertyNotifySink, &point));
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&notices, &cookie));
    IPersistStreamInit* persist = As<IPersistStreamInit>(IID_IPersistStreamInit);

    struct Put {
        const char* what;
        HRESULT (*put)(IQuillmark*);
        DISPID dispid;
    };
    const Put puts[] = {
        {"AllowPaint", [](IQuillmark* c) { return c->put_AllowPaint(VARIANT_FALSE); }, 256},
        {"PreserveWTLayers", [](IQuillmark* c) { return c->put_PreserveWTLayers(VARIANT_TRUE); },
         243},
        {"RequireToolPalette",
         [](IQuillmark* c) { return c->put_RequireToolPalette(VARIANT_FALSE); }, 248},
        {"TIFFAnnotationType",
         [](IQuillmark* c) { return c->put_TIFFAnnotationType(QMK_Compatible); }, 253},
        {"Client", [](IQuillmark* c) { return c->put_Client(nullptr); }, 1},
        {"EnableContextMenu",
         [](IQuillmark* c) { return c->put_EnableContextMenu(VARIANT_FALSE); }, 80},
    };
    for (const Put& p : puts) {
        SCOPED_TRACE(p.what);
        site.userMode = true;
        IStream* scratch = nullptr;
        CreateStreamOnHGlobal(nullptr, TRUE, &scratch);
        ASSERT_EQ(S_OK, persist->Save(scratch, TRUE));
        scratch->Release();
        notices.changed.clear();
        EXPECT_EQ(S_OK, p.put(control_));
        EXPECT_EQ(S_FALSE, persist->IsDirty()) << "user mode";
        EXPECT_TRUE(notices.changed.empty());
        site.userMode = false;
        EXPECT_EQ(S_OK, p.put(control_));
        EXPECT_EQ(S_OK, persist->IsDirty()) << "design time";
        ASSERT_EQ(1u, notices.changed.size());
        EXPECT_EQ(p.dispid, notices.changed[0]);
    }
    persist->Release();
    point->Unadvise(cookie);
    point->Release();
    cpc->Release();
    SetSite(control_, nullptr);
}

TEST_F(ControlObjectTest, StateMembersKeepTheirValues) {
    VARIANT_BOOL flag = 0;
    EXPECT_EQ(S_OK, control_->get_AllowPaint(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control_->get_AllowUserGrouping(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(S_OK, control_->get_RequireToolPalette(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control_->get_PreserveWTLayers(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(S_OK, control_->put_PreserveWTLayers(5));
    EXPECT_EQ(S_OK, control_->get_PreserveWTLayers(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control_->put_ToolbarActivated(VARIANT_FALSE));
    EXPECT_EQ(S_OK, control_->get_RequireToolPalette(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(S_OK, control_->put_AllowUserGrouping(VARIANT_TRUE));
    EXPECT_EQ(S_OK, control_->get_AllowUserGrouping(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);

    Bstr client;
    EXPECT_EQ(S_OK, control_->get_Client(client.out()));
    EXPECT_TRUE(client.isNull());
    Bstr name(L"ImageView1");
    EXPECT_EQ(S_OK, control_->put_Client(name.get()));
    EXPECT_EQ(S_OK, control_->get_Client(client.out()));
    EXPECT_EQ(L"ImageView1", client.text());

    // The engine is loaded at creation: its default tool, not the control's.
    annotationTOOL tool = static_cast<annotationTOOL>(0);
    EXPECT_EQ(S_OK, control_->get_DefaultTool(&tool));
    EXPECT_EQ(4103, static_cast<int>(tool));
}

TEST_F(ControlObjectTest, RefusedValuesGiveTheirErrorObjectAndChangeNothing) {
    ISupportErrorInfo* support = As<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_NE(nullptr, support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IQuillmark));
    support->Release();

    SetErrorInfo(0, nullptr);
    EXPECT_EQ(static_cast<HRESULT>(0x80040412),
              control_->put_TIFFAnnotationType(static_cast<TIFFAnnType>(2)));
    const ErrorDetails e = TakeErrorInfo();
    ASSERT_TRUE(e.present);
    EXPECT_EQ(L"Invalid TIFF annotation option", e.description);
    EXPECT_EQ(L"MorvaneImaging.Quillmark.7", e.source);
    EXPECT_EQ(L"inkctl7.chm", e.helpFile);
    EXPECT_EQ(1042u, e.helpContext);
    TIFFAnnType type = QMK_Compatible;
    EXPECT_EQ(S_OK, control_->get_TIFFAnnotationType(&type));
    EXPECT_EQ(I4W_Compatible, type);

    // Tool: no current layer in a fresh engine.
    SetErrorInfo(0, nullptr);
    annotationTOOL tool = static_cast<annotationTOOL>(0);
    EXPECT_EQ(static_cast<HRESULT>(0x800403F5), control_->get_Tool(&tool));
    EXPECT_EQ(L"Invalid layer", TakeErrorInfo().description);
    // At design time the current tool is not asked for.
    TestSite site;
    site.userMode = false;
    ASSERT_EQ(S_OK, SetSite(control_, &site));
    EXPECT_EQ(E_FAIL, control_->get_Tool(&tool));
    SetSite(control_, nullptr);
}

// A container's sink that holds the control keeps it alive until the
// container lets go: Close and a site taken away drop every sink.
TEST_F(ControlObjectTest, CloseAndSiteRemovalDropTheSinksThatHoldTheControl) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "Close" : "SetClientSite(NULL)");
        IQuillmark* control = NewControl();
        ASSERT_NE(nullptr, control);
        TestSite site;
        ASSERT_EQ(S_OK, SetSite(control, &site));
        EventRecorder events;
        IConnectionPointContainer* cpc = nullptr;
        control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc));
        IConnectionPoint* point = nullptr;
        ASSERT_EQ(S_OK, cpc->FindConnectionPoint(DIID__IQuillmarkEvents, &point));
        DWORD cookie = 0;
        ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&events), &cookie));
        point->Release();
        cpc->Release();
        control->AddRef();
        events.held = control; // the cycle: the sink holds the control
        IOleObject* ole = nullptr;
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
        if (way == 0) {
            EXPECT_EQ(S_OK, ole->Close(OLECLOSE_NOSAVE));
            ole->SetClientSite(nullptr);
        } else {
            EXPECT_EQ(S_OK, ole->SetClientSite(nullptr));
        }
        EXPECT_EQ(0u, events.refs);
        EXPECT_EQ(nullptr, events.held);
        ole->Release();
        EXPECT_EQ(0u, control->Release()) << "the host's release frees the control";
        EXPECT_EQ(0u, site.refs);
    }
}

} // namespace

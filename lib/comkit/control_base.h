#pragma once
// The ActiveX control base class: everything a container needs from a
// control (OLE embedding, in-place activation, view, ambient properties,
// connection points, class information and persistence), leaving the
// control's own dual interface, drawing and properties to the derived class.
//
//   class Thing : public comkit::Dispatch<IThing>, public comkit::ControlBase {
//   public:
//       Thing() : ControlBase(CLSID_Thing, DIID__IThingEvents) {}
//       COMKIT_CONTROL_IUNKNOWN
//   protected:
//       void* FindInterface(REFIID riid) override;   // IThing and IDispatch
//       PropertyMap Properties() const override;     // what is persisted
//       void OnDraw(HDC dc, const RECT& bounds) override;
//   };
//
// Persistence goes through the control's own IDispatch: each persisted
// property is read with its property get and restored with its property put,
// so a load runs the same checks as a container's put.
#include "comkit/connection_point.h"
#include "comkit/module.h"

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

namespace comkit {

// One persisted property: the name used in property bags, its dispid and
// the type it is stored as (VT_I2, VT_I4, VT_UI4, VT_BOOL, VT_R8, VT_BSTR, or
// VT_DISPATCH for a font object).
struct PersistedProperty {
    const wchar_t* name;
    DISPID dispid;
    VARTYPE type;
    const CLSID* page; // the property page that edits it; null: none
};

// The persisted properties in stream order; streamVersion is the first word
// of the stream form and the newest version the control loads.
struct PropertyMap {
    const PersistedProperty* rows;
    size_t count;
    DWORD streamVersion;
};

// The base answers QueryInterface for the interfaces every control needs.
// IViewObjectEx, IOleInPlaceObjectWindowless, IDataObject and
// ISpecifyPropertyPages are implemented too, but answered only when the
// derived control hands them out from FindInterface (ExtendedInterface does
// that for it).
class ControlBase : public IOleObject,
                    public IOleInPlaceObjectWindowless,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObjectEx,
                    public IDataObject,
                    public ISpecifyPropertyPages,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public IPersistStorage,
                    public IConnectionPointContainer,
                    public IProvideClassInfo2,
                    public IQuickActivate,
                    public IObjectSafety {
public:
    // IUnknown (the derived class forwards its own IUnknown here).
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // Called once after construction by CreateObject; a failure fails the
    // creation.
    virtual HRESULT FinalConstruct() { return S_OK; }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index,
                        HWND parent, LPCRECT posRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* name) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                              BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // IOleInPlaceObjectWindowless: the control always has its own window.
    STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    STDMETHODIMP GetDropTarget(IDropTarget** target) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject, IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                      HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL metafileBounds,
                      BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR), ULONG_PTR keepGoingArg)
        override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo,
                             DVTARGETDEVICE* device, HDC targetDevice,
                             LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* cookie) override;
    STDMETHODIMP Unfreeze(DWORD cookie) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                           LPSIZEL size) override;

    // IViewObjectEx
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                               DWORD* hitResult) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                              DWORD* hitResult) override;
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                  HDC targetDevice, DVEXTENTINFO* info, LPSIZEL size) override;

    // IDataObject: the control offers no data formats.
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                         DWORD* cookie) override;
    STDMETHODIMP DUnadvise(DWORD cookie) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override;

    // ISpecifyPropertyPages: the pages of the persisted properties, each
    // once, in the order they first appear in the property map.
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag, IPersistStorage
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // IProvideClassInfo, IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IQuickActivate
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                           DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

protected:
    // clsid: the control's coclass; events: its default source dispinterface.
    ControlBase(const CLSID& clsid, const IID& events);
    virtual ~ControlBase();
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    // --- what the derived control supplies ---
    // Its own interfaces (at least its dual interface for the IID and for
    // IID_IDispatch), without AddRef; null for the rest.
    virtual void* FindInterface(REFIID riid) = 0;
    // The base's optional interfaces (IViewObjectEx, IOleInPlaceObjectWindowless,
    // IDataObject, ISpecifyPropertyPages) for FindInterface; null otherwise.
    void* ExtendedInterface(REFIID riid);
    // The persisted properties; none by default.
    virtual PropertyMap Properties() const { return {nullptr, 0, 1}; }
    // Draws the control into dc (its window's paint and IViewObject::Draw).
    virtual void OnDraw(HDC dc, const RECT& bounds);
    // A message of the control's window; set handled to skip the default.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    // The container reported a change of an ambient property.
    virtual void OnAmbientChanged(DISPID) {}
    // The client site was set (null: the container is letting go).
    virtual void OnClientSiteChanged() {}
    // IOleObject::Close: the container is letting go of the running object.
    virtual void OnClose() {}
    // IObjectSafety options the control supports (INTERFACESAFE_*); none
    // unless the control claims to be safe.
    virtual DWORD SafetyOptions() const { return 0; }

    // --- services for the derived control ---
    // Fires an event on the events point (args in declaration order); does
    // not throw.
    HRESULT Fire(DISPID id, const VARIANT* args = nullptr, UINT count = 0,
                 VARIANT* lastResult = nullptr);
    ConnectionPoint& Events() { return events_; }
    // Drops every sink of both connection points (events, property notify).
    void UnadviseConnections();
    // IPropertyNotifySink: OnChanged(id) to every sink; OnRequestEdit(id) is
    // true when no sink refuses. Neither throws.
    void NotifyChanged(DISPID id);
    bool RequestEdit(DISPID id);
    void SetDirty(bool dirty) { dirty_ = dirty; }
    // Reads an ambient property from the client site's IDispatch.
    HRESULT GetAmbient(DISPID id, VARIANT* value);
    // The ambient UserMode; true when it cannot be read (e.g. no site yet).
    bool IsUserMode();
    IOleClientSite* ClientSite() const { return clientSite_; }
    HWND Window() const { return window_; }
    bool IsInPlaceActive() const { return inPlaceActive_; }
    // Repaints the window, or tells the view sink the picture changed.
    void Invalidate();
    // The extent in HIMETRIC and the same set from pixels of the screen.
    SIZEL Extent() const { return extent_; }
    void SetExtentPixels(int width, int height);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
    HRESULT ActivateInPlace(bool uiActivate);
    HRESULT SaveToStream(IStream* stream);
    HRESULT LoadFromStream(IStream* stream);
    HRESULT GetProperty(DISPID id, VARIANT* value);
    HRESULT PutProperty(DISPID id, VARIANT* value);
    // Puts every value of the map (a VT_EMPTY one is left as it is) and then
    // the extent; when a put is refused, every value put is restored and the
    // load fails with E_FAIL.
    HRESULT PutAll(VARIANT* values, SIZEL extent);
    IUnknown* Identity() { return static_cast<IOleObject*>(this); }

    LONG refs_ = 1;
    CountedObject counted_;
    CLSID clsid_;
    ConnectionPoint events_;
    ConnectionPoint propertyNotify_;
    IOleClientSite* clientSite_ = nullptr;
    IOleAdviseHolder* adviseHolder_ = nullptr;
    IAdviseSink* viewSink_ = nullptr;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    IOleInPlaceFrame* frame_ = nullptr;
    IOleInPlaceUIWindow* uiWindow_ = nullptr;
    HWND window_ = nullptr;
    RECT posRect_ = {};
    bool inPlaceActive_ = false;
    bool uiActive_ = false;
    bool dirty_ = false;
    SIZEL extent_ = {};
    DWORD safetyEnabled_ = 0;
    bool safetyRead_ = false;
};

} // namespace comkit

// The IUnknown of a control class deriving from its dual interface and
// ControlBase: one identity, the base's.
#define COMKIT_CONTROL_IUNKNOWN                                                          \
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {                   \
        return comkit::ControlBase::QueryInterface(riid, object);                        \
    }                                                                                    \
    STDMETHODIMP_(ULONG) AddRef() override { return comkit::ControlBase::AddRef(); }    \
    STDMETHODIMP_(ULONG) Release() override { return comkit::ControlBase::Release(); }

// ControlBase: identity, embedding (IOleObject), control and ambient
// properties, connection points, class information and safety options.
#include "comkit/control_base.h"

#include "comkit/enumerator.h"

#include <vector>

namespace comkit {

ControlBase::ControlBase(const CLSID& clsid, const IID& events)
    : clsid_(clsid), events_(this, events), propertyNotify_(this, IID_IPropertyNotifySink) {
    SetExtentPixels(32, 32);
}

ControlBase::~ControlBase() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    events_.UnadviseAll();
    propertyNotify_.UnadviseAll();
    for (IUnknown* held : std::initializer_list<IUnknown*>{
             uiWindow_, frame_, inPlaceSite_, viewSink_, adviseHolder_, clientSite_})
        if (held) held->Release();
}

// ---- IUnknown ----

STDMETHODIMP ControlBase::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    void* found = nullptr;
    try {
        found = FindInterface(riid);
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (!found) {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
            found = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceObject) || IsEqualIID(riid, IID_IOleWindow))
            found = static_cast<IOleInPlaceObjectWindowless*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject))
            found = static_cast<IOleInPlaceActiveObject*>(this);
        else if (IsEqualIID(riid, IID_IOleControl))
            found = static_cast<IOleControl*>(this);
        else if (IsEqualIID(riid, IID_IViewObject2) || IsEqualIID(riid, IID_IViewObject))
            found = static_cast<IViewObjectEx*>(this);
        else if (IsEqualIID(riid, IID_IPersistStreamInit))
            found = static_cast<IPersistStreamInit*>(this);
        else if (IsEqualIID(riid, IID_IPersist))
            found = static_cast<IPersistStreamInit*>(this);
        else if (IsEqualIID(riid, IID_IPersistPropertyBag))
            found = static_cast<IPersistPropertyBag*>(this);
        else if (IsEqualIID(riid, IID_IPersistStorage))
            found = static_cast<IPersistStorage*>(this);
        else if (IsEqualIID(riid, IID_IConnectionPointContainer))
            found = static_cast<IConnectionPointContainer*>(this);
        else if (IsEqualIID(riid, IID_IProvideClassInfo2) ||
                 IsEqualIID(riid, IID_IProvideClassInfo))
            found = static_cast<IProvideClassInfo2*>(this);
        else if (IsEqualIID(riid, IID_IQuickActivate))
            found = static_cast<IQuickActivate*>(this);
        else if (IsEqualIID(riid, IID_IObjectSafety))
            found = static_cast<IObjectSafety*>(this);
    }
    if (!found) return E_NOINTERFACE;
    *object = found;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ControlBase::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) ControlBase::Release() {
    ULONG n = InterlockedDecrement(&refs_);
    if (n == 0) {
        refs_ = 1; // a call made while tearing down must not destroy us twice
        delete this;
    }
    return n;
}

// ---- IOleObject ----

STDMETHODIMP ControlBase::SetClientSite(IOleClientSite* site) {
    return Guarded([&]() -> HRESULT {
        if (!site && inPlaceActive_) InPlaceDeactivate();
        if (site) site->AddRef();
        if (clientSite_) clientSite_->Release();
        clientSite_ = site;
        OnClientSiteChanged();
        return S_OK;
    });
}

STDMETHODIMP ControlBase::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = clientSite_;
    if (clientSite_) clientSite_->AddRef();
    return S_OK;
}

STDMETHODIMP ControlBase::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP ControlBase::Close(DWORD saveOption) {
    return Guarded([&]() -> HRESULT {
        AddRef(); // the calls below may release the container's last reference
        InPlaceDeactivate();
        if (dirty_ && clientSite_ &&
            (saveOption == OLECLOSE_SAVEIFDIRTY || saveOption == OLECLOSE_PROMPTSAVE))
            clientSite_->SaveObject();
        if (adviseHolder_) adviseHolder_->SendOnClose();
        OnClose();
        Release();
        return S_OK;
    });
}

STDMETHODIMP ControlBase::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND,
                                 LPCRECT posRect) {
    return Guarded([&]() -> HRESULT {
        HRESULT hr = S_OK;
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
            hr = ActivateInPlace(false);
            break;
        case OLEIVERB_UIACTIVATE:
            hr = ActivateInPlace(true);
            break;
        case OLEIVERB_HIDE:
            UIDeactivate();
            if (window_) ShowWindow(window_, SW_HIDE);
            return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE:
            return S_OK;
        case OLEIVERB_OPEN:
        case OLEIVERB_PROPERTIES:
            return E_NOTIMPL;
        default:
            if (verb < 0) return OLEOBJ_E_INVALIDVERB;
            // An unknown positive verb acts as the primary one.
            hr = ActivateInPlace(false);
            if (SUCCEEDED(hr)) hr = OLEOBJ_S_INVALIDVERB;
            break;
        }
        if (SUCCEEDED(hr) && posRect && inPlaceActive_) SetObjectRects(posRect, posRect);
        return hr;
    });
}

STDMETHODIMP ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
    if (!verbs) return E_POINTER;
    return OleRegEnumVerbs(clsid_, verbs);
}

STDMETHODIMP ControlBase::Update() { return S_OK; }
STDMETHODIMP ControlBase::IsUpToDate() { return S_OK; }

STDMETHODIMP ControlBase::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

STDMETHODIMP ControlBase::GetUserType(DWORD form, LPOLESTR* name) {
    if (!name) return E_POINTER;
    return OleRegGetUserType(clsid_, form, name);
}

STDMETHODIMP ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (size->cx < 0 || size->cy < 0) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP ControlBase::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!adviseHolder_) {
        HRESULT hr = CreateOleAdviseHolder(&adviseHolder_);
        if (FAILED(hr)) return hr;
    }
    return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP ControlBase::Unadvise(DWORD cookie) {
    if (!adviseHolder_) return OLE_E_NOCONNECTION;
    return adviseHolder_->Unadvise(cookie);
}

STDMETHODIMP ControlBase::EnumAdvise(IEnumSTATDATA** advises) {
    if (!advises) return E_POINTER;
    *advises = nullptr;
    if (!adviseHolder_) return S_OK;
    return adviseHolder_->EnumAdvise(advises);
}

STDMETHODIMP ControlBase::GetMiscStatus(DWORD aspect, DWORD* status) {
    if (!status) return E_POINTER;
    *status = 0;
    if (aspect != DVASPECT_CONTENT) return S_OK;
    if (const ClassEntry* entry = FindClass(clsid_)) {
        *status = entry->miscStatus;
        return S_OK;
    }
    return OleRegGetMiscStatus(clsid_, aspect, status);
}

STDMETHODIMP ControlBase::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleControl ----

STDMETHODIMP ControlBase::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    if (info->cb < sizeof(CONTROLINFO)) return E_INVALIDARG;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP ControlBase::OnMnemonic(MSG*) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::OnAmbientPropertyChange(DISPID id) {
    return Guarded([&]() -> HRESULT {
        OnAmbientChanged(id);
        return S_OK;
    });
}

STDMETHODIMP ControlBase::FreezeEvents(BOOL) { return S_OK; }

// ---- connection points ----

STDMETHODIMP ControlBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return Guarded([&] {
        std::vector<IConnectionPoint*> all = {&events_, &propertyNotify_};
        return Enumerator<IEnumConnectionPoints, IConnectionPoint*>::Create(all, points);
    });
}

STDMETHODIMP ControlBase::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    for (ConnectionPoint* p : {&events_, &propertyNotify_}) {
        if (IsEqualIID(riid, p->Iid())) {
            p->AddRef();
            *point = p;
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ControlBase::Fire(DISPID id, const VARIANT* args, UINT count, VARIANT* lastResult) {
    return FireEvent(events_, id, args, count, lastResult);
}

void ControlBase::UnadviseConnections() {
    events_.UnadviseAll();
    propertyNotify_.UnadviseAll();
}

void ControlBase::NotifyChanged(DISPID id) {
    try {
        propertyNotify_.ForEachSink(
            [id](IUnknown* sink) { static_cast<IPropertyNotifySink*>(sink)->OnChanged(id); });
    } catch (...) {
        // Out of memory for the list of sinks: the notice is lost, nothing else.
    }
}

bool ControlBase::RequestEdit(DISPID id) {
    bool allowed = true;
    try {
        propertyNotify_.ForEachSink([&](IUnknown* sink) {
            if (allowed && static_cast<IPropertyNotifySink*>(sink)->OnRequestEdit(id) == S_FALSE)
                allowed = false;
        });
    } catch (...) {
        return false; // the sinks could not be asked: no edit
    }
    return allowed;
}

// ---- class information ----

STDMETHODIMP ControlBase::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    return Guarded([&] { return ModuleTypeInfo(clsid_, info); });
}

STDMETHODIMP ControlBase::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = events_.Iid();
    return S_OK;
}

// ---- IQuickActivate ----

STDMETHODIMP ControlBase::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control) return E_POINTER;
    if (container->cbSize < sizeof(QACONTAINER) || control->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    return Guarded([&]() -> HRESULT {
        HRESULT hr = SetClientSite(container->pClientSite);
        if (FAILED(hr)) return hr;
        if (container->pAdviseSink)
            SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
        control->dwEventCookie = 0;
        control->dwPropNotifyCookie = 0;
        if (container->pUnkEventSink)
            events_.Advise(container->pUnkEventSink, &control->dwEventCookie);
        if (container->pPropertyNotifySink)
            propertyNotify_.Advise(container->pPropertyNotifySink,
                                   &control->dwPropNotifyCookie);
        GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
        control->dwViewStatus = 0;
        control->dwPointerActivationPolicy = 0;
        return S_OK;
    });
}

STDMETHODIMP ControlBase::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }
STDMETHODIMP ControlBase::GetContentExtent(LPSIZEL size) {
    return GetExtent(static_cast<DWORD>(DVASPECT_CONTENT), size);
}

// ---- IObjectSafety ----

STDMETHODIMP ControlBase::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                    DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    *supported = *enabled = 0;
    IUnknown* probe = nullptr;
    if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
    probe->Release();
    if (!safetyRead_) {
        safetyEnabled_ = SafetyOptions();
        safetyRead_ = true;
    }
    *supported = SafetyOptions();
    *enabled = safetyEnabled_;
    return S_OK;
}

STDMETHODIMP ControlBase::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
    IUnknown* probe = nullptr;
    if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
    probe->Release();
    const DWORD supported = SafetyOptions();
    if (mask & ~supported) return E_FAIL;
    if (!safetyRead_) {
        safetyEnabled_ = supported;
        safetyRead_ = true;
    }
    safetyEnabled_ = (safetyEnabled_ & ~mask) | (enabled & mask);
    return S_OK;
}

// ---- ambient properties ----

HRESULT ControlBase::GetAmbient(DISPID id, VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (!clientSite_) return E_FAIL;
    IDispatch* ambients = nullptr;
    HRESULT hr = clientSite_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambients));
    if (FAILED(hr) || !ambients) return FAILED(hr) ? hr : E_FAIL;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    hr = ambients->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value,
                          nullptr, nullptr);
    ambients->Release();
    return hr;
}

bool ControlBase::IsUserMode() {
    VARIANT v;
    if (FAILED(GetAmbient(DISPID_AMBIENT_USERMODE, &v))) return true;
    bool userMode = true;
    if (SUCCEEDED(VariantChangeType(&v, &v, 0, VT_BOOL))) userMode = v.boolVal != VARIANT_FALSE;
    VariantClear(&v);
    return userMode;
}

void ControlBase::SetExtentPixels(int width, int height) {
    HDC screen = GetDC(nullptr);
    const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    extent_.cx = MulDiv(width, 2540, dpiX);
    extent_.cy = MulDiv(height, 2540, dpiY);
}

} // namespace comkit

#include "forms/activex_site.h"

#include "comkit/enumerator.h"
#include "comkit/event_sink.h"

#include <algorithm>
#include <vector>

namespace forms {
namespace {

const wchar_t kWindowClass[] = L"forms.ActiveXSite";

// The live sites of this thread: the ones with the same parent window make
// up one container.
std::vector<ActiveXSite*>& LiveSites() {
    static std::vector<ActiveXSite*> sites;
    return sites;
}

HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LiveSites), &module);
    return module;
}

int ScreenDpi(int axis) {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, axis) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

template <class T>
void ReleaseAndClear(T*& p) {
    if (p) {
        T* held = p;
        p = nullptr;
        held->Release();
    }
}

} // namespace

ActiveXSite::ActiveXSite(HWND parent, const RECT& rect) : parent_(parent) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(OwnModule(), kWindowClass, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = OwnModule();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kWindowClass;
        RegisterClassExW(&wc);
    }
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN |
                                                        WS_CLIPSIBLINGS,
                              rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, parent, nullptr, OwnModule(), this);
    LiveSites().push_back(this);
}

ActiveXSite::~ActiveXSite() {
    Destroy();
    auto& sites = LiveSites();
    sites.erase(std::remove(sites.begin(), sites.end(), this), sites.end());
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

HRESULT ActiveXSite::Create(REFCLSID clsid) {
    if (control_) return E_UNEXPECTED;
    if (!window_) return E_FAIL;
    IUnknown* control = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&control));
    if (FAILED(hr)) return hr;
    hr = Host(control);
    control->Release();
    return hr;
}

HRESULT ActiveXSite::Create(const wchar_t* progId) {
    if (!progId) return E_POINTER;
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return hr;
    return Create(clsid);
}

HRESULT ActiveXSite::Host(IUnknown* control) {
    HRESULT hr = comkit::Guarded([&]() -> HRESULT {
        control->AddRef();
        control_ = control;
        HRESULT hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&oleObject_));
        if (FAILED(hr)) return hr;
        IOleClientSite* site = this;
        hr = oleObject_->SetClientSite(site);
        if (FAILED(hr)) return hr;
        IPersistStreamInit* persist = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IPersistStreamInit,
                                              reinterpret_cast<void**>(&persist)))) {
            hr = persist->InitNew();
            persist->Release();
            if (FAILED(hr)) return hr;
        }
        control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));

        // Events: the default source interface, when the control has one.
        IID events;
        if (SUCCEEDED(comkit::DefaultSourceInterface(control, &events))) {
            IConnectionPointContainer* points = nullptr;
            if (SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer,
                                                  reinterpret_cast<void**>(&points)))) {
                if (SUCCEEDED(points->FindConnectionPoint(events, &eventPoint_))) {
                    hr = comkit::EventSink::Create(
                        events,
                        [this](DISPID id, const DISPPARAMS& params) {
                            EventHandler handler = handler_;
                            if (handler) handler(id, params);
                        },
                        &sink_);
                    if (SUCCEEDED(hr)) hr = eventPoint_->Advise(sink_, &eventCookie_);
                    if (FAILED(hr)) ReleaseAndClear(eventPoint_);
                }
                points->Release();
            }
            if (FAILED(hr)) return hr;
        }

        RECT rect;
        GetClientRect(window_, &rect);
        SIZEL extent = {MulDiv(rect.right, 2540, ScreenDpi(LOGPIXELSX)),
                        MulDiv(rect.bottom, 2540, ScreenDpi(LOGPIXELSY))};
        oleObject_->SetExtent(DVASPECT_CONTENT, &extent);
        hr = oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, window_, &rect);
        if (FAILED(hr)) return hr;
        control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlaceObject_));
        return S_OK;
    });
    if (FAILED(hr)) Destroy();
    return hr;
}

void ActiveXSite::SetEventHandler(EventHandler handler) { handler_ = std::move(handler); }

HRESULT ActiveXSite::SetRect(const RECT& rect) {
    if (!window_) return E_FAIL;
    if (!MoveWindow(window_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                    TRUE))
        return HRESULT_FROM_WIN32(GetLastError());
    ResizeControl(); // WM_SIZE does it too, but not when the size stays
    return S_OK;
}

void ActiveXSite::ResizeControl() {
    if (!inPlaceObject_) return;
    RECT rect;
    GetClientRect(window_, &rect);
    // The extent follows the size, so that the control saves the size it has.
    SIZEL extent = {MulDiv(rect.right, 2540, ScreenDpi(LOGPIXELSX)),
                    MulDiv(rect.bottom, 2540, ScreenDpi(LOGPIXELSY))};
    if (oleObject_) oleObject_->SetExtent(DVASPECT_CONTENT, &extent);
    inPlaceObject_->SetObjectRects(&rect, &rect);
}

void ActiveXSite::SetDisplayName(const std::wstring& name) {
    if (displayName_ == name) return;
    displayName_ = name;
    IOleControl* control = nullptr;
    if (control_ &&
        SUCCEEDED(control_->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control)))) {
        control->OnAmbientPropertyChange(DISPID_AMBIENT_DISPLAYNAME);
        control->Release();
    }
}

void ActiveXSite::SetUserMode(bool userMode) {
    if (userMode_ == userMode) return;
    userMode_ = userMode;
    IOleControl* control = nullptr;
    if (control_ &&
        SUCCEEDED(control_->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control)))) {
        control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
        control->Release();
    }
}

void ActiveXSite::Destroy() {
    if (eventPoint_) {
        eventPoint_->Unadvise(eventCookie_);
        eventCookie_ = 0;
        ReleaseAndClear(eventPoint_);
    }
    ReleaseAndClear(sink_);
    if (oleObject_) {
        oleObject_->Close(OLECLOSE_NOSAVE);
        oleObject_->SetClientSite(nullptr);
    }
    ReleaseAndClear(activeObject_);
    ReleaseAndClear(inPlaceObject_);
    ReleaseAndClear(dispatch_);
    ReleaseAndClear(oleObject_);
    ReleaseAndClear(control_);
}

LRESULT CALLBACK ActiveXSite::WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* site = reinterpret_cast<ActiveXSite*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (site && msg == WM_SIZE) site->ResizeControl();
    if (site && msg == WM_DESTROY) {
        // The parent is going (e.g. its form closes): the control goes first.
        site->Destroy();
        site->window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    return DefWindowProcW(window, msg, wp, lp);
}

// ---- IUnknown ----

STDMETHODIMP ActiveXSite::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceSite) || IsEqualIID(riid, IID_IOleWindow))
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceFrame) || IsEqualIID(riid, IID_IOleInPlaceUIWindow))
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(riid, IID_IOleControlSite))
        *object = static_cast<IOleControlSite*>(this);
    else if (IsEqualIID(riid, IID_IDispatch))
        *object = static_cast<IDispatch*>(this);
    else if (IsEqualIID(riid, IID_IOleContainer) || IsEqualIID(riid, IID_IParseDisplayName))
        *object = static_cast<IOleContainer*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// The site belongs to its owner, not to its reference count.
STDMETHODIMP_(ULONG) ActiveXSite::AddRef() { return InterlockedIncrement(&refs_); }
STDMETHODIMP_(ULONG) ActiveXSite::Release() { return InterlockedDecrement(&refs_); }

// ---- IOleClientSite ----

STDMETHODIMP ActiveXSite::SaveObject() { return S_OK; }

STDMETHODIMP ActiveXSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ActiveXSite::GetContainer(IOleContainer** container) {
    if (!container) return E_POINTER;
    *container = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP ActiveXSite::ShowObject() { return S_OK; }
STDMETHODIMP ActiveXSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ActiveXSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IOleWindow, IOleInPlaceSite ----

STDMETHODIMP ActiveXSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP ActiveXSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ActiveXSite::CanInPlaceActivate() { return window_ ? S_OK : S_FALSE; }
STDMETHODIMP ActiveXSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP ActiveXSite::OnUIActivate() { return S_OK; }

STDMETHODIMP ActiveXSite::GetWindowContext(IOleInPlaceFrame** frame,
                                           IOleInPlaceUIWindow** document, LPRECT pos,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !pos || !clip || !info) return E_POINTER;
    *frame = this;
    AddRef();
    *document = nullptr; // the frame is the document window too
    GetClientRect(window_, pos);
    *clip = *pos;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(window_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP ActiveXSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ActiveXSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP ActiveXSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP ActiveXSite::DiscardUndoState() { return S_OK; }

STDMETHODIMP ActiveXSite::DeactivateAndUndo() {
    return inPlaceObject_ ? inPlaceObject_->UIDeactivate() : S_OK;
}

STDMETHODIMP ActiveXSite::OnPosRectChange(LPCRECT pos) {
    if (!pos) return E_POINTER;
    return inPlaceObject_ ? inPlaceObject_->SetObjectRects(pos, pos) : S_OK;
}

// ---- IOleInPlaceUIWindow, IOleInPlaceFrame ----

STDMETHODIMP ActiveXSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP ActiveXSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP ActiveXSite::SetBorderSpace(LPCBORDERWIDTHS widths) {
    return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
}

STDMETHODIMP ActiveXSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    if (object) object->AddRef();
    ReleaseAndClear(activeObject_);
    activeObject_ = object;
    return S_OK;
}

STDMETHODIMP ActiveXSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP ActiveXSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP ActiveXSite::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP ActiveXSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP ActiveXSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP ActiveXSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// ---- IOleControlSite ----

STDMETHODIMP ActiveXSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP ActiveXSite::LockInPlaceActive(BOOL) { return S_OK; }

STDMETHODIMP ActiveXSite::GetExtendedControl(IDispatch** control) {
    if (control) *control = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ActiveXSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
    if (!himetric || !container) return E_POINTER;
    const int dpiX = ScreenDpi(LOGPIXELSX), dpiY = ScreenDpi(LOGPIXELSY);
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
        container->x = himetric->x * dpiX / 2540.0f;
        container->y = himetric->y * dpiY / 2540.0f;
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
        himetric->x = static_cast<LONG>(container->x * 2540.0f / dpiX + 0.5f);
        himetric->y = static_cast<LONG>(container->y * 2540.0f / dpiY + 0.5f);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

STDMETHODIMP ActiveXSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
STDMETHODIMP ActiveXSite::OnFocus(BOOL) { return S_OK; }
STDMETHODIMP ActiveXSite::ShowPropertyFrame() { return E_NOTIMPL; }

// ---- IDispatch: ambient properties ----

STDMETHODIMP ActiveXSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP ActiveXSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ActiveXSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP ActiveXSite::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS*,
                                 VARIANT* result, EXCEPINFO*, UINT*) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    // Every ambient the site does not set is left to the control's default.
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (id == DISPID_AMBIENT_DISPLAYNAME && !displayName_.empty()) {
        if (!result) return E_POINTER;
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(displayName_.c_str());
        return result->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    if (id != DISPID_AMBIENT_USERMODE) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = userMode_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// ---- IOleContainer ----

STDMETHODIMP ActiveXSite::ParseDisplayName(IBindCtx*, LPOLESTR, ULONG* eaten,
                                           IMoniker** moniker) {
    if (eaten) *eaten = 0;
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ActiveXSite::EnumObjects(DWORD flags, IEnumUnknown** objects) {
    return comkit::Guarded([&] {
        std::vector<IUnknown*> controls;
        if (flags & OLECONTF_EMBEDDINGS)
            for (ActiveXSite* site : LiveSites())
                if (site->parent_ == parent_ && site->control_) controls.push_back(site->control_);
        return comkit::Enumerator<IEnumUnknown, IUnknown*>::Create(controls, objects);
    });
}

STDMETHODIMP ActiveXSite::LockContainer(BOOL) { return S_OK; }

} // namespace forms

// The Quillmark control: construction and teardown, identity, the members
// that keep control state, and About.
#include "quillmark_control.h"

#include "control_resources.h"
#include "error_reporter.h"

namespace {

const DWORD kSafeForScripting =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

const int kEnableContextMenuCode = 131;

// Dispids of the persisted properties kept here.
const DISPID kEnableContextMenuId = 80;
const DISPID kPreserveWTLayersId = 243;
const DISPID kRequireToolPaletteId = 248;
const DISPID kTiffAnnotationTypeId = 253;
const DISPID kAllowPaintId = 256;

VARIANT_BOOL AsVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wp));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        break;
    }
    return FALSE;
}

} // namespace

QuillmarkControl::QuillmarkControl()
    : ControlBase(CLSID_Quillmark, DIID__IQuillmarkEvents), fonts_(*this),
      defaults_(*this, fonts_) {
    designIcon_ = LoadIconW(comkit::ModuleHandle(), MAKEINTRESOURCEW(IDI_DESIGN));
}

QuillmarkControl::~QuillmarkControl() {
    TearDown();
    SysFreeString(client_);
}

HRESULT QuillmarkControl::FinalConstruct() {
    HRESULT hr = fonts_.Create();
    if (FAILED(hr)) return hr;
    // Before a container hands over its site the control counts as running,
    // so a created control always has its engine.
    if (IsUserMode() && !link_.Engine()) {
        hr = quillmark::LoadEngine(link_, *this, defaults_, fonts_, toolPalette_);
        if (FAILED(hr)) return E_FAIL;
    }
    quillmark::SatelliteResources(); // looked for once per process
    return S_OK;
}

void QuillmarkControl::TearDown() {
    fonts_.DisconnectSinks();
    link_.Unload();
}

void QuillmarkControl::LetGo() { UnadviseConnections(); }

void QuillmarkControl::OnClientSiteChanged() {
    if (!ClientSite()) LetGo();
}

void QuillmarkControl::OnClose() {
    UnbindImageControl();
    LetGo();
}

void* QuillmarkControl::FindInterface(REFIID riid) {
    if (IsEqualIID(riid, IID_IQuillmark) || IsEqualIID(riid, IID_IDispatch))
        return static_cast<IQuillmark*>(this);
    if (IsEqualIID(riid, IID_IAnnotateServer7)) return static_cast<IAnnotateServer7*>(this);
    if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    if (IsEqualIID(riid, IID_IPerPropertyBrowsing))
        return static_cast<IPerPropertyBrowsing*>(this);
    return ExtendedInterface(riid);
}

void QuillmarkControl::OnDraw(HDC dc, const RECT& bounds) {
    if (designIcon_) DrawIcon(dc, bounds.left, bounds.top, designIcon_);
}

DWORD QuillmarkControl::SafetyOptions() const { return kSafeForScripting; }

STDMETHODIMP QuillmarkControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                         DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    *supported = *enabled = 0;
    IUnknown* probe = nullptr;
    if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
    probe->Release();
    *supported = *enabled = kSafeForScripting;
    return S_OK;
}

STDMETHODIMP QuillmarkControl::SetInterfaceSafetyOptions(REFIID, DWORD, DWORD) { return S_OK; }

HRESULT QuillmarkControl::ReportError(int engineCode) {
    return quillmark::ReportError(CLSID_Quillmark, engineCode);
}

void QuillmarkControl::NotifyPropertyChanged(DISPID dispid) {
    if (IsUserMode()) return;
    SetDirty(true);
    NotifyChanged(dispid);
}

void QuillmarkControl::HostCurrentLayerChanged(int active) {
    if (hostServices_ && hostServices_->CurrentLayerChanged)
        hostServices_->CurrentLayerChanged(hostCookie_, active);
}

bool QuillmarkControl::HoldsHostServices() const { return hostServices_ != nullptr; }

STDMETHODIMP QuillmarkControl::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IQuillmark) ? S_OK : S_FALSE;
}

// ---- members that keep control state ----

STDMETHODIMP QuillmarkControl::get_AllowPaint(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = allowPaint_;
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_AllowPaint(VARIANT_BOOL newVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    const bool wasOff = allowPaint_ == 0;
    allowPaint_ = newVal;
    // Painting allowed again: the client repaints its annotations.
    if (wasOff && newVal != 0 && IsUserMode() && Engine() && hostWindow_ &&
        IsWindow(hostWindow_))
        InvalidateRect(hostWindow_, nullptr, FALSE);
    NotifyPropertyChanged(kAllowPaintId);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::get_AllowUserGrouping(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = allowUserGrouping_;
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_AllowUserGrouping(VARIANT_BOOL newVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    allowUserGrouping_ = newVal;
    if (IsUserMode() && Engine())
        return ReportError(Engine()->AllowUserGrouping(newVal == VARIANT_TRUE ? 1 : 0));
    return S_OK;
}

STDMETHODIMP QuillmarkControl::get_RequireToolPalette(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = AsVariantBool(toolPalette_);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_RequireToolPalette(VARIANT_BOOL newVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    toolPalette_ = newVal != 0;
    NotifyPropertyChanged(kRequireToolPaletteId);
    // The flag is what counts: the engine shows its palette when it can (it
    // refuses while it has no window to show it in), as at load time.
    if (IsUserMode() && Engine()) Engine()->ActivateToolbar(toolPalette_ ? 1 : 0);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::get_ToolbarActivated(VARIANT_BOOL* pVal) {
    return get_RequireToolPalette(pVal);
}

STDMETHODIMP QuillmarkControl::put_ToolbarActivated(VARIANT_BOOL newVal) {
    return put_RequireToolPalette(newVal);
}

STDMETHODIMP QuillmarkControl::get_TIFFAnnotationType(TIFFAnnType* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<TIFFAnnType>(tiffAnnotationType_);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_TIFFAnnotationType(TIFFAnnType newVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    const LONG value = static_cast<LONG>(newVal);
    if (value != 0 && value != 1) return ReportError(1042);
    tiffAnnotationType_ = value;
    NotifyPropertyChanged(kTiffAnnotationTypeId);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::get_PreserveWTLayers(VARIANT_BOOL* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = AsVariantBool(preserveWTLayers_);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_PreserveWTLayers(VARIANT_BOOL newVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    preserveWTLayers_ = newVal != 0;
    NotifyPropertyChanged(kPreserveWTLayersId);
    return S_OK;
}

// The engine's answer is not the member's: the switch reads and sets as a
// plain flag, and a host that asks sees S_OK.
STDMETHODIMP QuillmarkControl::get_EnableContextMenu(VARIANT_BOOL* pVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!pVal) return E_POINTER;
    AnnotationEngine* engine = Engine();
    if (!engine) {
        *pVal = enableContextMenu_;
        return S_OK;
    }
    EngineValue value = 0;
    engine->GetProperty(kEnableContextMenuCode, &value);
    *pVal = AsVariantBool((value & 0xFF) != 0);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_EnableContextMenu(VARIANT_BOOL newVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (AnnotationEngine* engine = Engine())
        engine->SetProperty(kEnableContextMenuCode, newVal != 0 ? 1 : 0);
    else
        enableContextMenu_ = newVal;
    NotifyPropertyChanged(kEnableContextMenuId);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::get_Client(BSTR* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (!client_) return S_OK;
    *pVal = SysAllocStringLen(client_, SysStringLen(client_));
    return *pVal ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP QuillmarkControl::get_Tool(annotationTOOL* pVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!pVal) return E_POINTER;
    *pVal = static_cast<annotationTOOL>(0);
    if (!IsUserMode()) return E_FAIL;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const int layer = engine->GetCurrentLayer();
    if (layer == 0) return ReportError(quillmark::kErrInvalidLayer);
    int tool = 0;
    const HRESULT hr = ReportError(engine->GetTool(layer, &tool));
    *pVal = static_cast<annotationTOOL>(tool);
    return hr;
}

STDMETHODIMP QuillmarkControl::About() {
    DialogBoxParamW(comkit::ModuleHandle(), MAKEINTRESOURCEW(IDD_ABOUT), GetActiveWindow(),
                    AboutProc, 0);
    return S_OK;
}

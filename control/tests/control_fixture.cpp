// The control tests' shared fixtures.
#include "control_fixture.h"

// ---- TestSite ----

STDMETHODIMP TestSite::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
        *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IDispatch))
        *object = static_cast<IDispatch*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP TestSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP TestSite::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP TestSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP TestSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP TestSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                              EXCEPINFO*, UINT*) {
    if (id != DISPID_AMBIENT_USERMODE || !(flags & DISPATCH_PROPERTYGET) || !result)
        return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = userMode ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// ---- EventRecorder ----

STDMETHODIMP EventRecorder::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, events_))
        *object = static_cast<IDispatch*>(this);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) EventRecorder::Release() {
    const ULONG left = --refs;
    if (left == 0 && held) {
        IUnknown* h = held;
        held = nullptr;
        h->Release();
    }
    return left;
}

STDMETHODIMP EventRecorder::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP EventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP EventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP EventRecorder::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) {
    fired.push_back(id);
    if (result) VariantInit(result);
    return S_OK;
}

// ---- ControlTest ----

IQuillmark* ControlTest::NewControl() {
    IQuillmark* control = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_Quillmark, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IQuillmark, reinterpret_cast<void**>(&control));
    EXPECT_EQ(S_OK, hr);
    return SUCCEEDED(hr) ? control : nullptr;
}

std::vector<uint8_t> ControlTest::SavedBytes(IUnknown* control) {
    IPersistStreamInit* persist = nullptr;
    if (FAILED(control->QueryInterface(IID_IPersistStreamInit,
                                       reinterpret_cast<void**>(&persist))))
        return {};
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    std::vector<uint8_t> bytes;
    if (persist->Save(stream, TRUE) == S_OK) bytes = StreamBytes(stream);
    stream->Release();
    persist->Release();
    return bytes;
}

HRESULT ControlTest::LoadBytes(IUnknown* control, const std::vector<uint8_t>& bytes) {
    IPersistStreamInit* persist = nullptr;
    HRESULT hr = control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    if (FAILED(hr)) return hr;
    IStream* stream = StreamOf(bytes);
    hr = persist->Load(stream);
    stream->Release();
    persist->Release();
    return hr;
}

HRESULT ControlTest::SetSite(IUnknown* control, IOleClientSite* site) {
    IOleObject* ole = nullptr;
    HRESULT hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    if (FAILED(hr)) return hr;
    hr = ole->SetClientSite(site);
    ole->Release();
    return hr;
}

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

// ---- helpers ----

ErrorDetails TakeErrorInfo() {
    ErrorDetails d;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return d;
    d.present = true;
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text)) && text) d.description = text;
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(info->GetSource(&text)) && text) d.source = text;
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(info->GetHelpFile(&text)) && text) d.helpFile = text;
    SysFreeString(text);
    info->GetHelpContext(&d.helpContext);
    info->Release();
    return d;
}

std::vector<uint8_t> StreamBytes(IStream* stream) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
    return bytes;
}

IStream* StreamOf(const std::vector<uint8_t>& bytes) {
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

void Append(std::vector<uint8_t>& bytes, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
}
void Append16(std::vector<uint8_t>& bytes, uint16_t v) { Append(bytes, &v, 2); }
void Append32(std::vector<uint8_t>& bytes, uint32_t v) { Append(bytes, &v, 4); }

std::wstring VariantText(const VARIANT& v) {
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&v), 0, VT_BSTR))) return L"?";
    std::wstring text = copy.bstrVal ? copy.bstrVal : L"";
    VariantClear(&copy);
    return text;
}

// ---- ControlTest ----

void ControlTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    initialised_ = true;
}

void ControlTest::TearDown() {
    if (initialised_) OleUninitialize();
}

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

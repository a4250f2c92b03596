#include "sample_fixture.h"

#include "testkit.h"

namespace {

template <class F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
using NoArgFn = HRESULT(__stdcall*)();

} // namespace

std::wstring SampleServer::Path() {
    const std::string folder = testkit::ProgramFolder();
    return std::wstring(folder.begin(), folder.end()) + L"\\comkit_sample.dll";
}

SampleServer::SampleServer() : module_(LoadLibraryW(Path().c_str())) {}

SampleServer::~SampleServer() {
    if (module_) FreeLibrary(module_);
}

HRESULT SampleServer::GetClassObject(REFCLSID clsid, REFIID riid, void** object) const {
    auto f = Export<GetClassObjectFn>(module_, "DllGetClassObject");
    return f ? f(clsid, riid, object) : E_FAIL;
}

HRESULT SampleServer::CanUnloadNow() const {
    auto f = Export<NoArgFn>(module_, "DllCanUnloadNow");
    return f ? f() : E_FAIL;
}

HRESULT SampleServer::Register() const {
    auto f = Export<NoArgFn>(module_, "DllRegisterServer");
    return f ? f() : E_FAIL;
}

HRESULT SampleServer::Unregister() const {
    auto f = Export<NoArgFn>(module_, "DllUnregisterServer");
    return f ? f() : E_FAIL;
}

HRESULT SampleServer::Create(REFIID riid, void** object) const {
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(CLSID_SampleControl, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, riid, object);
    factory->Release();
    return hr;
}

void OleTest::SetUp() {
    ASSERT_TRUE(server_.Loaded()) << "comkit_sample.dll not found beside the test";
    OleInitialisedTest::SetUp();
}

VARIANT IntArg(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT BoolArg(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT TextArg(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* value) {
    VariantInit(value);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value, nullptr,
                          nullptr);
}

HRESULT PutProperty(IDispatch* object, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                          nullptr);
}

LONG GetNumber(IDispatch* object) {
    VARIANT v;
    if (FAILED(GetProperty(object, 2, &v)) || v.vt != VT_I4) return -1;
    return v.lVal;
}

std::wstring GetCaption(IDispatch* object) {
    VARIANT v;
    if (FAILED(GetProperty(object, 1, &v))) return L"<failed>";
    std::wstring text = v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L"";
    VariantClear(&v);
    return text;
}

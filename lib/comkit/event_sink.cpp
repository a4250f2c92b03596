#include "comkit/event_sink.h"

#include <ocidl.h>

namespace comkit {

HRESULT EventSink::Create(const IID& events, Handler handler, EventSink** sink) {
    if (!sink) return E_POINTER;
    *sink = nullptr;
    return Guarded([&]() -> HRESULT {
        *sink = new EventSink(events, std::move(handler));
        return S_OK;
    });
}

STDMETHODIMP EventSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, events_)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) EventSink::Release() {
    ULONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID riid, LCID, WORD, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO*, UINT*) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (result) VariantInit(result);
    return Guarded([&]() -> HRESULT {
        if (!handler_) return S_OK;
        // Keeps the sink alive should the handler unadvise it.
        AddRef();
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        try {
            Handler handler = handler_;
            handler(id, params ? *params : none);
        } catch (...) {
            Release();
            throw;
        }
        Release();
        return S_OK;
    });
}

HRESULT DefaultSourceInterface(IUnknown* object, IID* events) {
    if (!object || !events) return E_POINTER;
    *events = IID_NULL;
    IProvideClassInfo2* info2 = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo2,
                                         reinterpret_cast<void**>(&info2)))) {
        HRESULT hr = info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, events);
        info2->Release();
        if (SUCCEEDED(hr)) return hr;
    }
    IProvideClassInfo* info = nullptr;
    HRESULT hr = object->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&info));
    if (FAILED(hr)) return hr;
    ITypeInfo* coclass = nullptr;
    hr = info->GetClassInfo(&coclass);
    info->Release();
    if (FAILED(hr)) return hr;
    hr = E_NOINTERFACE;
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(coclass->GetTypeAttr(&attr))) {
        for (UINT i = 0; i < attr->cImplTypes && FAILED(hr); ++i) {
            INT flags = 0;
            if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
            if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) !=
                (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
                continue;
            HREFTYPE ref = 0;
            ITypeInfo* source = nullptr;
            if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)) &&
                SUCCEEDED(coclass->GetRefTypeInfo(ref, &source))) {
                TYPEATTR* sourceAttr = nullptr;
                if (SUCCEEDED(source->GetTypeAttr(&sourceAttr))) {
                    *events = sourceAttr->guid;
                    hr = S_OK;
                    source->ReleaseTypeAttr(sourceAttr);
                }
                source->Release();
            }
        }
        coclass->ReleaseTypeAttr(attr);
    }
    coclass->Release();
    return hr;
}

} // namespace comkit

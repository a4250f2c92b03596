#pragma once
// IDispatch for a dual interface, answered from the interface's type
// information in the module's own type library.
//
//   class Thing : public comkit::Dispatch<IThing>, ... { ... };
//
// Invoke goes through ITypeInfo::Invoke, so the type library decides how
// names, dispids, argument counts and types are checked; the vtable methods
// of IThing do the work.
#include "comkit/module.h"

namespace comkit {

template <class Dual>
class Dispatch : public Dual {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return Guarded([&]() -> HRESULT {
            HRESULT hr = LoadTypeInfo();
            if (FAILED(hr)) return hr;
            typeInfo_->AddRef();
            *info = typeInfo_;
            return S_OK;
        });
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return Guarded([&]() -> HRESULT {
            HRESULT hr = LoadTypeInfo();
            if (FAILED(hr)) return hr;
            return DispGetIDsOfNames(typeInfo_, names, count, ids);
        });
    }

    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return Guarded([&]() -> HRESULT {
            HRESULT hr = LoadTypeInfo();
            if (FAILED(hr)) return hr;
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            return typeInfo_->Invoke(static_cast<Dual*>(this), id, flags,
                                     params ? params : &none, result, exception, argError);
        });
    }

protected:
    Dispatch() = default;
    ~Dispatch() {
        if (typeInfo_) typeInfo_->Release();
    }
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;

private:
    HRESULT LoadTypeInfo() {
        if (typeInfo_) return S_OK;
        return ModuleTypeInfo(__uuidof(Dual), &typeInfo_);
    }

    ITypeInfo* typeInfo_ = nullptr;
};

} // namespace comkit

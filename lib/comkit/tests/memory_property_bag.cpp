#include "memory_property_bag.h"

#include <string>

// A VARIANT's value as text: the test fixture of each program that uses
// the bag defines it.
std::wstring VariantText(const VARIANT& v);

MemoryPropertyBag::~MemoryPropertyBag() {
    for (auto& entry : values_) VariantClear(&entry.second);
}

STDMETHODIMP MemoryPropertyBag::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyBag)) {
        *object = static_cast<IPropertyBag*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    auto found = values_.find(name);
    if (found == values_.end()) return E_INVALIDARG;
    const VARTYPE wanted = value->vt;
    VariantInit(value);
    if (wanted == VT_EMPTY) return VariantCopy(value, &found->second);
    return VariantChangeType(value, &found->second, 0, wanted);
}

STDMETHODIMP MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    Set(name, *value);
    return S_OK;
}

void MemoryPropertyBag::Set(const wchar_t* name, const VARIANT& value) {
    VARIANT& slot = values_[name];
    VariantClear(&slot);
    VariantCopy(&slot, const_cast<VARIANT*>(&value));
}

std::wstring MemoryPropertyBag::Text(const wchar_t* name) const {
    auto found = values_.find(name);
    return found == values_.end() ? L"<none>" : VariantText(found->second);
}

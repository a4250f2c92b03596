#pragma once
// An IPropertyBag kept in memory, as a container's form file would keep it.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <map>
#include <string>

class MemoryPropertyBag : public IPropertyBag {
public:
    MemoryPropertyBag() = default;
    ~MemoryPropertyBag();
    MemoryPropertyBag(const MemoryPropertyBag&) = delete;
    MemoryPropertyBag& operator=(const MemoryPropertyBag&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    // Lives on the test's stack; the count only tells whether it was let go.
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

    // The stored value as text ("<none>" when absent).
    std::wstring Text(const wchar_t* name) const;
    void Set(const wchar_t* name, const VARIANT& value);

    ULONG refs = 0;

private:
    std::map<std::wstring, VARIANT> values_;
};

#pragma once
// The one class factory of a server: creates objects of one class entry.
#include "comkit/module.h"

namespace comkit {

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    virtual ~ClassFactory() = default;

    LONG refs_ = 1;
    const ClassEntry& entry_;
    CountedObject counted_;
};

} // namespace comkit

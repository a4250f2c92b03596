#pragma once
// An IPropertyNotifySink that records OnChanged dispids and answers
// OnRequestEdit as told.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <vector>

class NotifyRecorder : public IPropertyNotifySink {
public:
    std::vector<DISPID> changed;
    std::vector<DISPID> editRequests;
    bool refuseEdits = false;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyNotifySink)) {
            *object = static_cast<IPropertyNotifySink*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack; the count only tells whether it was let go.
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID id) override {
        editRequests.push_back(id);
        return refuseEdits ? S_FALSE : S_OK;
    }

    ULONG refs = 0;
};

#pragma once
// What the control's tests share: the control created the way its hosts
// create it (registered by the build, made through COM), a test container
// site with a switchable UserMode ambient and an event sink that records;
// OLE per test and the stream and error-information helpers come from the
// COM test support.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "com_test_support.h"
#include "quillmark.h"

// A client site whose ambient UserMode reads as set (DISPID_AMBIENT_USERMODE);
// every other ambient is missing. Lives on the test's stack.
class TestSite : public IOleClientSite, public IDispatch {
public:
    bool userMode = true;
    ULONG refs = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IDispatch: the ambients
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                        EXCEPINFO*, UINT*) override;
};

// A sink of _IQuillmarkEvents (or of any dispinterface given) that records
// the dispids it is called with. It may hold a reference to the control, as
// a container's sink often does.
class EventRecorder : public IDispatch {
public:
    explicit EventRecorder(const IID& events = DIID__IQuillmarkEvents) : events_(events) {}
    std::vector<DISPID> fired;
    ULONG refs = 0;
    IUnknown* held = nullptr; // released when the sink is let go

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

private:
    IID events_;
};

// Each test runs with OLE initialised.
class ControlTest : public OleInitialisedTest {
protected:

    // A new control, created by CLSID through COM; null (and a test
    // failure) when that fails.
    IQuillmark* NewControl();
    // The control's saved stream form.
    std::vector<uint8_t> SavedBytes(IUnknown* control);
    // Loads bytes through IPersistStreamInit.
    HRESULT LoadBytes(IUnknown* control, const std::vector<uint8_t>& bytes);
    static HRESULT SetSite(IUnknown* control, IOleClientSite* site);
};

#pragma once
// An IDispatch sink for an events dispinterface that hands every call to a
// handler: handler(dispid, params), params in IDispatch order (last argument
// first). By-reference arguments may be written through.
#include "comkit/module.h"

#include <functional>

namespace comkit {

class EventSink : public IDispatch {
public:
    using Handler = std::function<void(DISPID id, const DISPPARAMS& params)>;

    // A sink answering QueryInterface for IDispatch and for events (the DIID),
    // with one reference for the caller.
    static HRESULT Create(const IID& events, Handler handler, EventSink** sink);

    // Replaces the handler (an empty one drops calls).
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    EventSink(const IID& events, Handler handler)
        : events_(events), handler_(std::move(handler)) {}
    virtual ~EventSink() = default;

    LONG refs_ = 1;
    IID events_;
    Handler handler_;
    CountedObject counted_;
};

// Finds the default source (events) interface of a control through
// IProvideClassInfo2, or else through IProvideClassInfo's coclass.
HRESULT DefaultSourceInterface(IUnknown* object, IID* events);

} // namespace comkit

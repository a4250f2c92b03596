#pragma once
// One connection point of an object: the sinks advised on one outgoing
// interface. A member of its owner (the IConnectionPointContainer); its
// reference count is the owner's.
#include "comkit/module.h"

#include <ocidl.h>
#include <olectl.h>
#include <vector>

namespace comkit {

class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& Iid() const { return iid_; }
    size_t ConnectionCount() const { return connections_.size(); }

    // Calls f(sink) for every sink advised when the call starts and still
    // advised when its turn comes; each sink (the point's interface, e.g.
    // an IDispatch) is held by a reference of its own during its call, so a
    // sink may unadvise itself or others from inside. The owner is held
    // too: a sink that lets it go does not free the list under the loop.
    template <class F>
    void ForEachSink(F&& f) {
        IConnectionPointContainer* owner = owner_;
        owner->AddRef();
        struct Held {
            IConnectionPointContainer* owner;
            std::vector<CONNECTDATA> snapshot;
            ~Held() {
                for (const CONNECTDATA& c : snapshot) c.pUnk->Release();
                owner->Release(); // may be the last: nothing of the point is used after
            }
        } held{owner, {}};
        held.snapshot = Snapshot();
        for (const CONNECTDATA& c : held.snapshot) {
            if (IsAdvised(c)) f(c.pUnk);
        }
    }

    // Drops every sink (the owner is going away).
    void UnadviseAll();

private:
    std::vector<CONNECTDATA> Snapshot() const; // with references
    bool IsAdvised(const CONNECTDATA& c) const;

    IConnectionPointContainer* owner_;
    IID iid_;
    std::vector<CONNECTDATA> connections_; // pUnk holds the QI'd iid_ pointer
    DWORD nextCookie_ = 1;
};

// Fires event id of a dispinterface point: IDispatch::Invoke(DISPATCH_METHOD)
// on every sink with args given in declaration order (they are handed over in
// the reverse order IDispatch expects, unchanged: by-reference arguments
// reach the caller's values). lastResult, when given, receives the result of
// the last sink called (VT_EMPTY when none was). Returns the HRESULT of the
// last call, S_OK with no sink.
HRESULT FireEvent(ConnectionPoint& point, DISPID id, const VARIANT* args, UINT count,
                  VARIANT* lastResult = nullptr);

} // namespace comkit

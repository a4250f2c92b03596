#include "comkit/connection_point.h"

#include "comkit/enumerator.h"

namespace comkit {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* owner, const IID& iid)
    : owner_(owner), iid_(iid) {}

ConnectionPoint::~ConnectionPoint() { UnadviseAll(); }

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ConnectionPoint::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) ConnectionPoint::Release() { return owner_->Release(); }

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    owner_->AddRef();
    *container = owner_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        IUnknown* typed = nullptr;
        if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&typed))) || !typed)
            return CONNECT_E_CANNOTCONNECT;
        try {
            connections_.push_back({typed, nextCookie_});
        } catch (...) {
            typed->Release();
            throw;
        }
        *cookie = nextCookie_++;
        if (nextCookie_ == 0) nextCookie_ = 1;
        return S_OK;
    });
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto c = connections_.begin(); c != connections_.end(); ++c) {
        if (c->dwCookie == cookie) {
            IUnknown* sink = c->pUnk;
            connections_.erase(c);
            sink->Release(); // after the erase: the sink may call back into us
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    return Guarded([&] {
        return Enumerator<IEnumConnections, CONNECTDATA>::Create(connections_, connections);
    });
}

void ConnectionPoint::UnadviseAll() {
    std::vector<CONNECTDATA> dropped;
    dropped.swap(connections_);
    for (const CONNECTDATA& c : dropped) c.pUnk->Release();
}

std::vector<CONNECTDATA> ConnectionPoint::Snapshot() const {
    std::vector<CONNECTDATA> snapshot = connections_;
    for (const CONNECTDATA& c : snapshot) c.pUnk->AddRef();
    return snapshot;
}

bool ConnectionPoint::IsAdvised(const CONNECTDATA& c) const {
    for (const CONNECTDATA& now : connections_)
        if (now.dwCookie == c.dwCookie && now.pUnk == c.pUnk) return true;
    return false;
}

HRESULT FireEvent(ConnectionPoint& point, DISPID id, const VARIANT* args, UINT count,
                  VARIANT* lastResult) {
    return Guarded([&]() -> HRESULT {
        if (lastResult) VariantInit(lastResult);
        std::vector<VARIANTARG> reversed(args, args + count);
        for (UINT i = 0; i < count / 2; ++i) std::swap(reversed[i], reversed[count - 1 - i]);
        HRESULT last = S_OK;
        point.ForEachSink([&](IUnknown* sink) {
            DISPPARAMS params = {count ? reversed.data() : nullptr, nullptr, count, 0};
            VARIANT result;
            VariantInit(&result);
            last = static_cast<IDispatch*>(sink)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                                         DISPATCH_METHOD, &params, &result,
                                                         nullptr, nullptr);
            if (lastResult) {
                VariantClear(lastResult);
                *lastResult = result; // hands over ownership
            } else {
                VariantClear(&result);
            }
        });
        return last;
    });
}

} // namespace comkit

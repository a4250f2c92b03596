#pragma once
// A COM enumerator over a snapshot of items (IEnumUnknown,
// IEnumConnections, IEnumConnectionPoints and the like). Every item it holds
// and every item it hands out carries a reference.
#include "comkit/module.h"

#include <ocidl.h>
#include <vector>

namespace comkit {

inline void AddRefItem(IUnknown* item) {
    if (item) item->AddRef();
}
inline void ReleaseItem(IUnknown* item) {
    if (item) item->Release();
}
inline void AddRefItem(const CONNECTDATA& item) { AddRefItem(item.pUnk); }
inline void ReleaseItem(const CONNECTDATA& item) { ReleaseItem(item.pUnk); }

template <class IEnum, class Item>
class Enumerator : public IEnum {
public:
    // Takes a reference of its own on every item.
    explicit Enumerator(std::vector<Item> items) : items_(std::move(items)) {
        for (const Item& item : items_) AddRefItem(item);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IEnum))) {
            *object = static_cast<IEnum*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    STDMETHODIMP Next(ULONG count, Item* items, ULONG* fetched) override {
        if (!items || (count != 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && next_ < items_.size()) {
            items[n] = items_[next_++];
            AddRefItem(items[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = items_.size() - next_;
        if (count > left) {
            next_ = items_.size();
            return S_FALSE;
        }
        next_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        next_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** copy) override {
        if (!copy) return E_POINTER;
        *copy = nullptr;
        return Guarded([&]() -> HRESULT {
            auto* clone = new Enumerator(items_);
            clone->next_ = next_;
            *copy = clone;
            return S_OK;
        });
    }

    // Hands out a new enumerator over items.
    static HRESULT Create(std::vector<Item> items, IEnum** result) {
        if (!result) return E_POINTER;
        *result = nullptr;
        return Guarded([&]() -> HRESULT {
            *result = new Enumerator(std::move(items));
            return S_OK;
        });
    }

private:
    virtual ~Enumerator() {
        for (const Item& item : items_) ReleaseItem(item);
    }

    LONG refs_ = 1;
    std::vector<Item> items_;
    size_t next_ = 0;
    CountedObject counted_;
};

} // namespace comkit

#include "font_change_sink.h"

#include <new>

namespace quillmark {

HRESULT FontChangeSink::Create(Owner* owner, int code, FontChangeSink** sink)
{
    if (!sink)
        return E_POINTER;
    *sink = new (std::nothrow) FontChangeSink(owner, code);
    return *sink ? S_OK : E_OUTOFMEMORY;
}

FontChangeSink::~FontChangeSink() { Disconnect(); }

bool FontChangeSink::Connect(IUnknown* font)
{
    Disconnect();
    if (!font)
        return false;
    IConnectionPointContainer* container = nullptr;
    if (FAILED(font->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(&container))) ||
        !container)
        return false;
    IConnectionPoint* point = nullptr;
    HRESULT hr = container->FindConnectionPoint(IID_IPropertyNotifySink, &point);
    container->Release();
    if (FAILED(hr) || !point)
        return false;
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IPropertyNotifySink*>(this), &cookie))) {
        point->Release();
        return false;
    }
    point_ = point;
    cookie_ = cookie;
    return true;
}

void FontChangeSink::Disconnect()
{
    IConnectionPoint* point = point_;
    const DWORD cookie = cookie_;
    point_ = nullptr;
    cookie_ = 0;
    if (point) {
        point->Unadvise(cookie);
        point->Release();
    }
}

STDMETHODIMP FontChangeSink::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyNotifySink)) {
        *object = static_cast<IPropertyNotifySink*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FontChangeSink::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) FontChangeSink::Release()
{
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP FontChangeSink::OnChanged(DISPID)
{
    AddRef();  // the owner may let go of the sink while it is told
    if (owner_)
        owner_->FontChangeNotice(code_);
    Release();
    return S_OK;
}

STDMETHODIMP FontChangeSink::OnRequestEdit(DISPID) { return S_OK; }

} // namespace quillmark

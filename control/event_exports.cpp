// The two plain exports that create a control and connect an event sink to
// its _IQuillmarkEvents point, and disconnect it again, for a caller outside
// the usual container machinery.
#include <windows.h>
#include <ocidl.h>

#include "comkit/module.h"
#include "quillmark.h"

namespace {

// The control's _IQuillmarkEvents point; null when it has none.
IConnectionPoint* EventPointOf(IUnknown* control) {
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer,
                                       reinterpret_cast<void**>(&container))) ||
        !container)
        return nullptr;
    IConnectionPoint* point = nullptr;
    if (FAILED(container->FindConnectionPoint(DIID__IQuillmarkEvents, &point))) point = nullptr;
    container->Release();
    return point;
}

} // namespace

// holder: the caller's smart-pointer record, whose first field receives the
// new control's IQuillmark (what it held before is released first). One
// reference of sink is consumed. *counter is incremented for every attempt
// that reaches the connection point. False when no control was made or the
// sink could not be connected; a control made stays in the holder.
extern "C" unsigned char __cdecl YQ_ConnectEvents(IQuillmark** holder, DWORD* cookie,
                                                  IUnknown* sink, LONG* counter) {
    unsigned char connected = 0;
    comkit::Guarded([&]() -> HRESULT {
        if (!holder || !cookie || !counter) return E_POINTER;
        if (*holder) {
            IQuillmark* old = *holder;
            *holder = nullptr;
            old->Release();
        }
        IQuillmark* control = nullptr;
        if (FAILED(CoCreateInstance(CLSID_Quillmark, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IQuillmark, reinterpret_cast<void**>(&control))) ||
            !control)
            return E_FAIL;
        *holder = control;
        IConnectionPoint* point = EventPointOf(control);
        if (!point) return E_FAIL;
        InterlockedIncrement(counter);
        *cookie = 0;
        if (sink && SUCCEEDED(point->Advise(sink, cookie))) {
            // The reference YQ_DisConnectEvents gives back.
            control->AddRef();
            connected = 1;
        }
        point->Release();
        return S_OK;
    });
    if (sink) sink->Release();
    return connected;
}

// control: one reference of it is consumed. False when it is null, has no
// event point, or the cookie names no connection of it.
extern "C" unsigned char __cdecl YQ_DisConnectEvents(IUnknown* control, DWORD cookie) {
    if (!control) return 0;
    unsigned char disconnected = 0;
    comkit::Guarded([&]() -> HRESULT {
        IConnectionPoint* point = EventPointOf(control);
        if (!point) return E_FAIL;
        if (SUCCEEDED(point->Unadvise(cookie))) disconnected = 1;
        point->Release();
        return S_OK;
    });
    control->Release();
    return disconnected;
}

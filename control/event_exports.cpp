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
// reference of sink is consumed. True once the control's event point is
// reached: *counter is then incremented, *cookie is what Advise gave (0 when
// it refused the sink) and the control carries one reference more, the one
// YQ_DisConnectEvents gives back, whatever Advise answered. False when no
// control was made or it has no event point; a control made stays in the
// holder.
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
        // The reference YQ_DisConnectEvents gives back.
        control->AddRef();
        connected = 1;
        InterlockedIncrement(counter);
        *cookie = 0;
        if (!sink || FAILED(point->Advise(sink, cookie))) *cookie = 0;
        point->Release();
        return S_OK;
    });
    if (sink) sink->Release();
    return connected;
}

// control: one reference of it is consumed. True when it has an event point,
// whether or not the cookie named a connection of it; false when it is null
// or has no event point.
extern "C" unsigned char __cdecl YQ_DisConnectEvents(IUnknown* control, DWORD cookie) {
    if (!control) return 0;
    unsigned char disconnected = 0;
    comkit::Guarded([&]() -> HRESULT {
        IConnectionPoint* point = EventPointOf(control);
        if (!point) return E_FAIL;
        point->Unadvise(cookie); // a cookie it never gave is no failure here
        disconnected = 1;
        point->Release();
        return S_OK;
    });
    control->Release();
    return disconnected;
}

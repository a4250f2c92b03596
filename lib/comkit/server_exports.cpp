// The four exports of a COM server built on the kit. Compiled into each
// server DLL (see add_com_server); the .def file exports them by name.
#include "comkit/module.h"

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return comkit::Guarded([&] { return comkit::GetClassObject(clsid, riid, object); });
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return comkit::Guarded([] { return comkit::CanUnloadNow(); });
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    return comkit::Guarded([] { return comkit::RegisterServer(); });
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    return comkit::Guarded([] { return comkit::UnregisterServer(); });
}

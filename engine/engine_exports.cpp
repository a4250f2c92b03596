// The library's two exports, bound by ordinal (see inkcore7.def).
#include <memory>
#include <new>

#include "engine_object.h"

#include <commctrl.h>

// The palette's toolbar and tooltips are common controls.
// The cursors the engines shared go when the library is unloaded; at the
// process's end the system takes them.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        ReleaseLibraryCursors();
    }
    return TRUE;
}

extern "C" AnnotationEngine* __stdcall Ann_Init(HostCookie hostCookie, HWND hostWindow, int)
{
    try {
        std::unique_ptr<EngineObject> engine(new (std::nothrow) EngineObject(hostCookie, hostWindow));
        if (!engine)
            return nullptr;
        engine->LoadDefaults();
        return engine.release();
    } catch (...) {
        return nullptr;
    }
}

extern "C" void __stdcall Ann_Deinit(AnnotationEngine* engine)
{
    if (!engine)
        return;
    auto* object = static_cast<EngineObject*>(engine);
    try {
        object->BeginTeardown();
        delete object;
    } catch (...) {
    }
}

// The library's two exports, bound by ordinal (see inkcore7.def).
#include <memory>
#include <new>

#include "engine_object.h"

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

#pragma once
// Loading and wiring the annotation engine inkcore7.dll.
//
// The control owns one EngineLink: the engine library's module handle and
// the AnnotationEngine made by Ann_Init (export ordinal 1), kept from
// LoadEngine to Unload, which hands the engine to Ann_Deinit (ordinal 2) and
// unloads the library.
//
// Typical use by the control:
//   FinalConstruct:  if (IsUserMode() && !link_.Engine())
//                        hr = LoadEngine(link_, *this, defaults_, fonts_, toolPalette_);
//   FinalRelease:    fonts_.DisconnectSinks(); link_.Unload();
#include <windows.h>

#include "annotation_engine.h"
#include "control_services.h"

namespace quillmark {

class DefaultsCache;
class ControlFonts;

constexpr const wchar_t* kEngineFileName = L"inkcore7.dll";

class EngineLink {
public:
    EngineLink() = default;
    ~EngineLink() { Unload(); }
    EngineLink(const EngineLink&) = delete;
    EngineLink& operator=(const EngineLink&) = delete;

    // Loads the engine library, from the folder of ownModule first and then
    // by name through the system's search, and makes the engine with
    // Ann_Init(cookie, 0, 0). A missing library, a missing ordinal 1 or an
    // Ann_Init that gives no engine fail with E_FAIL, the library unloaded
    // again and nothing kept. With an engine already loaded: S_OK, nothing
    // done. fileName exists for tests; the control uses the default.
    HRESULT Load(HMODULE ownModule, HostCookie cookie, const wchar_t* fileName = kEngineFileName);

    // Ann_Deinit(engine) when the library has ordinal 2, then the library is
    // unloaded; both fields are cleared. Safe to call with nothing loaded.
    // Called while an engine callback is running (the host released the
    // control from inside an event), the engine is silenced (its callbacks
    // cleared) and retired, because the engine's own code is still on the
    // stack below the callback: it is torn down on its thread once that code
    // has returned to the message loop (a message posted to a window of the
    // thread), or at an earlier Load or Unload made outside any callback.
    // Until then the module counts it as a live object.
    void Unload();

    AnnotationEngine* Engine() const { return engine_; }
    HMODULE Library() const { return library_; }

private:
    HMODULE library_ = nullptr;
    AnnotationEngine* engine_ = nullptr;
};

// Loads the engine when none is loaded (link.Load with the control's own
// module and the services as host cookie), then wires it, in this order:
//  1. the 13 engine callbacks (control_events.h, kEngineCallbacks);
//  2. the six control-side strings straight to SetProperty: 4128, 4131,
//     769, 770, 768, 771 (results not looked at);
//  3. ActivateToolbar(toolPalette);
//  4. defaults set(130 InteractMode, 0);
//  5. the four font-change sinks advised: stamp, text, button, ruler.
// A control that already has an engine is wired again. Failures of the load
// are returned (E_FAIL); the wiring itself does not fail.
HRESULT LoadEngine(EngineLink& link, ControlServices& services, DefaultsCache& defaults,
                   ControlFonts& fonts, bool toolPalette,
                   const wchar_t* fileName = kEngineFileName);

// Tears down the engines retired on this thread (see EngineLink::Unload);
// does nothing while an engine callback runs. Load and Unload do it
// themselves; a server may also call it when asked whether it can unload.
void TearDownRetiredEngines();

// Marks the extent of an engine callback (control_events.cpp): while one is
// running, EngineLink::Unload retires instead of tearing down.
class EngineCallScope {
public:
    EngineCallScope();
    ~EngineCallScope();
    EngineCallScope(const EngineCallScope&) = delete;
    EngineCallScope& operator=(const EngineCallScope&) = delete;
    static bool Active();
};

} // namespace quillmark

#include "engine_link.h"

#include "comkit/module.h"
#include "control_events.h"
#include "control_fonts.h"
#include "defaults_cache.h"

#include <mutex>
#include <string>
#include <vector>

namespace quillmark {

namespace {

// Engine callbacks running (events are fired synchronously, so on one thread
// this is the nesting depth of engine calls that reached the control). It is
// shared by the threads of the process: a callback running on another
// thread only delays a teardown until the next chance, never makes one
// unsafe.
LONG callDepth = 0;

// Engines whose control went away inside one of their callbacks: torn down
// on their own thread once no callback runs there any more.
struct RetiredEngine {
    HMODULE library;
    AnnotationEngine* engine;
    DWORD thread;
};
std::mutex retiredLock;
std::vector<RetiredEngine> retired;

void TearDown(HMODULE library, AnnotationEngine* engine)
{
    if (engine) {
        auto deinit = reinterpret_cast<AnnDeinitFn>(
            reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kAnnDeinitOrdinal))));
        if (deinit)
            deinit(engine);
    }
    if (library)
        FreeLibrary(library);
}

} // namespace

void TearDownRetiredEngines()
{
    if (EngineCallScope::Active())
        return;
    std::vector<RetiredEngine> due;
    {
        std::lock_guard<std::mutex> hold(retiredLock);
        const DWORD self = GetCurrentThreadId();
        for (auto r = retired.begin(); r != retired.end();) {
            if (r->thread == self) {
                due.push_back(*r);
                r = retired.erase(r);
            } else {
                ++r;
            }
        }
    }
    for (const RetiredEngine& r : due)
        TearDown(r.library, r.engine);
}

namespace {

// The folder of a module with its trailing backslash, or "" when unknown.
std::wstring FolderOf(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

HMODULE LoadEngineLibrary(HMODULE ownModule, const wchar_t* fileName)
{
    const std::wstring folder = FolderOf(ownModule);
    if (!folder.empty()) {
        const std::wstring beside = folder + fileName;
        if (HMODULE library = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
            return library;
    }
    return LoadLibraryW(fileName);
}

} // namespace

EngineCallScope::EngineCallScope() { InterlockedIncrement(&callDepth); }
EngineCallScope::~EngineCallScope() { InterlockedDecrement(&callDepth); }
bool EngineCallScope::Active() { return InterlockedCompareExchange(&callDepth, 0, 0) > 0; }

HRESULT EngineLink::Load(HMODULE ownModule, HostCookie cookie, const wchar_t* fileName)
{
    TearDownRetiredEngines();
    if (engine_)
        return S_OK;
    HMODULE library = LoadEngineLibrary(ownModule, fileName ? fileName : kEngineFileName);
    if (!library)
        return E_FAIL;
    auto init = reinterpret_cast<AnnInitFn>(
        reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kAnnInitOrdinal))));
    AnnotationEngine* engine = init ? init(cookie, nullptr, 0) : nullptr;
    if (!engine) {
        FreeLibrary(library);
        return E_FAIL;
    }
    library_ = library;
    engine_ = engine;
    return S_OK;
}

void EngineLink::Unload()
{
    HMODULE library = library_;
    AnnotationEngine* engine = engine_;
    library_ = nullptr;
    engine_ = nullptr;
    if (!library) {
        TearDownRetiredEngines();
        return;
    }
    if (EngineCallScope::Active() && engine) {
        // The engine's own code is below us on the stack: silence it now and
        // let it go once it has returned.
        for (const EngineCallback& callback : kEngineCallbacks)
            engine->RegisterCallback(callback.channel, nullptr);
        try {
            std::lock_guard<std::mutex> hold(retiredLock);
            retired.push_back({library, engine, GetCurrentThreadId()});
            return;
        } catch (...) {
            // No room to keep it: leave it loaded rather than pull it away
            // from under its caller.
            return;
        }
    }
    TearDown(library, engine);
    TearDownRetiredEngines();
}

HRESULT LoadEngine(EngineLink& link, ControlServices& services, DefaultsCache& defaults,
                   ControlFonts& fonts, bool toolPalette, const wchar_t* fileName)
{
    if (!link.Engine()) {
        HRESULT hr = link.Load(comkit::ModuleHandle(), CookieOf(&services), fileName);
        if (FAILED(hr))
            return hr;
    }
    AnnotationEngine* engine = link.Engine();
    for (const EngineCallback& callback : kEngineCallbacks)
        engine->RegisterCallback(callback.channel, callback.function);

    static const int kPushedStrings[] = {
        QMK_DefaultStampText, QMK_DefaultButtonText, QMK_SummaryComments,
        QMK_SummarySubject,   QMK_SummaryAuthor,     QMK_SummaryTitle,
    };
    for (int code : kPushedStrings) {
        // Each call may re-enter; look the engine up again every time.
        if (AnnotationEngine* now = link.Engine())
            now->SetProperty(code, reinterpret_cast<EngineValue>(defaults.ControlString(code)));
    }
    if (AnnotationEngine* now = link.Engine())
        now->ActivateToolbar(toolPalette ? 1 : 0);
    defaults.Set(QMK_InteractMode, 0);
    fonts.ConnectSinks();
    return S_OK;
}

} // namespace quillmark

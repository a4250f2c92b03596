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

// Engine callbacks running on this thread (events are fired synchronously,
// so this is the nesting depth of engine calls that reached the control).
thread_local LONG callDepth = 0;

// Engines whose control went away inside one of their callbacks: torn down
// on their own thread once no callback runs there any more.
struct RetiredEngine {
    HMODULE library;
    AnnotationEngine* engine;
    DWORD thread;
};
std::mutex retiredLock;
std::vector<RetiredEngine> retired;

// A message-only window of the thread that retired an engine: a message
// posted to it is handled once the engine's code has returned to the
// thread's message loop, and tears the engine down there.
const wchar_t kTeardownClass[] = L"QuillmarkRetiredEngines";
constexpr UINT kTeardownMessage = WM_APP + 0x51;
thread_local HWND teardownWindow = nullptr;

bool RetiredHere()
{
    std::lock_guard<std::mutex> hold(retiredLock);
    const DWORD self = GetCurrentThreadId();
    for (const RetiredEngine& r : retired)
        if (r.thread == self)
            return true;
    return false;
}

LRESULT CALLBACK TeardownProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == kTeardownMessage) {
        TearDownRetiredEngines();
        return 0;
    }
    return DefWindowProcW(window, message, wp, lp);
}

void AskForTeardown()
{
    if (!teardownWindow) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = TeardownProc;
        wc.hInstance = comkit::ModuleHandle();
        wc.lpszClassName = kTeardownClass;
        RegisterClassW(&wc);  // already registered by another thread: fine
        teardownWindow = CreateWindowExW(0, kTeardownClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, comkit::ModuleHandle(), nullptr);
    }
    if (teardownWindow)
        PostMessageW(teardownWindow, kTeardownMessage, 0, 0);
}

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
    for (const RetiredEngine& r : due) {
        TearDown(r.library, r.engine);
        comkit::ObjectDestroyed();
    }
    if (teardownWindow && !RetiredHere()) {
        DestroyWindow(teardownWindow);
        teardownWindow = nullptr;
        UnregisterClassW(kTeardownClass, comkit::ModuleHandle());  // fails while another thread uses it
    }
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

EngineCallScope::EngineCallScope() { ++callDepth; }
EngineCallScope::~EngineCallScope()
{
    // The engine's own frame is still below: the teardown waits for the loop.
    if (--callDepth == 0 && RetiredHere())
        AskForTeardown();
}
bool EngineCallScope::Active() { return callDepth > 0; }

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
            {
                std::lock_guard<std::mutex> hold(retiredLock);
                retired.push_back({library, engine, GetCurrentThreadId()});
            }
            // Until it is torn down, the module is not free to unload.
            comkit::ObjectCreated();
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

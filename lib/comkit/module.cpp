// The module: object and lock counts, its own type library and window class.
#include "comkit/module.h"

#include <cwchar>

namespace comkit {
namespace {

LONG g_objects = 0;
LONG g_locks = 0;
ITypeLib* g_typeLib = nullptr;
ATOM g_windowClass = 0;
wchar_t g_windowClassName[64];

} // namespace

HRESULT LoadModuleTypeLib(ITypeLib** lib) {
    if (!lib) return E_POINTER;
    *lib = nullptr;
    if (!FindResourceW(ModuleHandle(), MAKEINTRESOURCEW(1), L"TYPELIB"))
        return TYPE_E_CANTLOADLIBRARY;
    const std::wstring path = ModulePath();
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

HMODULE ModuleHandle() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModuleHandle), &module);
    return module;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(ModuleHandle(), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void LockModule(bool lock) {
    if (lock)
        InterlockedIncrement(&g_locks);
    else
        InterlockedDecrement(&g_locks);
}
LONG ObjectCount() { return g_objects; }
LONG LockCount() { return g_locks; }

HRESULT ModuleTypeLib(ITypeLib** lib) {
    if (!lib) return E_POINTER;
    *lib = nullptr;
    if (!g_typeLib) {
        HRESULT hr = LoadModuleTypeLib(&g_typeLib);
        if (FAILED(hr)) return hr;
    }
    g_typeLib->AddRef();
    *lib = g_typeLib;
    return S_OK;
}

HRESULT ModuleTypeInfo(REFGUID guid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    ITypeLib* lib = nullptr;
    HRESULT hr = ModuleTypeLib(&lib);
    if (FAILED(hr)) return hr;
    hr = lib->GetTypeInfoOfGuid(guid, info);
    lib->Release();
    return hr;
}

const wchar_t* ControlWindowClass(WNDPROC proc) {
    if (!g_windowClass) {
        swprintf(g_windowClassName, 64, L"comkit.control.%p", static_cast<void*>(ModuleHandle()));
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = ModuleHandle();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = g_windowClassName;
        g_windowClass = RegisterClassExW(&wc);
        if (!g_windowClass) return nullptr;
    }
    return g_windowClassName;
}

HRESULT CanUnloadNow() {
    if (g_objects != 0 || g_locks != 0) return S_FALSE;
    // Nothing of ours is alive: let go of what the module keeps for itself.
    if (g_typeLib) {
        g_typeLib->Release();
        g_typeLib = nullptr;
    }
    if (g_windowClass) {
        UnregisterClassW(g_windowClassName, ModuleHandle());
        g_windowClass = 0;
    }
    return S_OK;
}

} // namespace comkit

#pragma once
// The in-process server module: its class table, object and lock counts,
// its own type library, and the work behind the four standard exports.
//
// A server built on the kit defines comkit::ServerClasses() with ONE table
// of its creatable classes; server_exports.cpp turns the exports into calls
// of the functions below.
#include <windows.h>
#include <ole2.h>
#include <cstddef>
#include <new>
#include <string>

namespace comkit {

// Creates a new object of a class and hands back the interface riid.
using CreateFunction = HRESULT (*)(REFIID riid, void** object);

// A verb registered under the class's "Verb" key: number = "text".
struct ClassVerb {
    int number;
    const wchar_t* text; // e.g. L"&Properties,0,2"
};

// One creatable class of the server, and everything its registration needs.
struct ClassEntry {
    const CLSID* clsid;
    CreateFunction create;
    const wchar_t* progId;                   // e.g. L"Vendor.Thing.1"; null: none
    const wchar_t* versionIndependentProgId; // e.g. L"Vendor.Thing"; null: none
    const wchar_t* description;              // default value of the CLSID key
    const wchar_t* threadingModel;           // L"Apartment"
    bool isControl;                          // writes the "Control" key
    DWORD miscStatus;                        // OLEMISC_* for DVASPECT_CONTENT
    const GUID* typeLibId;                   // null: no TypeLib/Version keys
    WORD typeLibMajor;
    WORD typeLibMinor;
    int toolboxBitmap;                       // bitmap resource id, 0: none
    const wchar_t* progIdDescription;        // value of the ProgID keys; null: description
    bool programmable;                       // writes the "Programmable" key
    bool insertable;                         // writes the "Insertable" key
    const ClassVerb* verbs;                  // null: no "Verb" key
    size_t verbCount;
    bool forceRemove;                        // the class key is cleared before it is written
    bool noProgIdUnderClass;                 // no ProgID keys under the class key
};

struct ClassTable {
    const ClassEntry* entries;
    size_t count;
};

// Defined by each server: its one table of classes.
ClassTable ServerClasses();

// The entry of clsid in the server's table, or null.
const ClassEntry* FindClass(REFCLSID clsid);

// The server's own module (found from the kit's code, so no DllMain needed).
HMODULE ModuleHandle();
std::wstring ModulePath();

// Live objects (every COM object of the server counts, class factories
// included) and IClassFactory::LockServer locks.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
LONG ObjectCount();
LONG LockCount();

// A member that counts its owner among the module's live objects.
class CountedObject {
public:
    CountedObject() { ObjectCreated(); }
    ~CountedObject() { ObjectDestroyed(); }
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;
};

// The type library embedded in the module as resource 1, loaded from the
// module's own path (no registration needed) and kept until the module can
// unload. The returned pointer carries a reference for the caller.
HRESULT ModuleTypeLib(ITypeLib** lib);
// The same, loaded afresh each call; TYPE_E_CANTLOADLIBRARY when the module
// holds none.
HRESULT LoadModuleTypeLib(ITypeLib** lib);
HRESULT ModuleTypeInfo(REFGUID guid, ITypeInfo** info);

// The window class the kit's controls create their windows with.
const wchar_t* ControlWindowClass(WNDPROC proc);

// The work of the exports (server.cpp, which needs ServerClasses()).
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);
HRESULT CanUnloadNow();
HRESULT RegisterServer();
HRESULT UnregisterServer();

// Runs f and turns any C++ exception into an HRESULT: exceptions must not
// leave a COM method or an export.
template <class F>
HRESULT Guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Creates a T (a class with FinalConstruct(), QueryInterface and Release, its
// reference count starting at 1) and hands back riid. For ClassEntry::create.
template <class T>
HRESULT CreateObject(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return Guarded([&]() -> HRESULT {
        T* created = new T();
        HRESULT hr = created->FinalConstruct();
        if (SUCCEEDED(hr)) hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    });
}

} // namespace comkit

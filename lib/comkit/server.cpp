// The server: its class table, the class objects and self-registration.
#include "comkit/module.h"

#include "comkit/class_factory.h"

#include <olectl.h>
#include <vector>

namespace comkit {
namespace {

// One value the registration writes under HKEY_CLASSES_ROOT.
struct RegValue {
    std::wstring key;
    const wchar_t* name; // null: the key's default value
    std::wstring value;
};

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// Everything registration writes for one class, parents before children.
std::vector<RegValue> RegistrationOf(const ClassEntry& c, const std::wstring& path) {
    std::vector<RegValue> values;
    const std::wstring clsid = GuidText(*c.clsid);
    const std::wstring key = L"CLSID\\" + clsid;
    values.push_back({key, nullptr, c.description ? c.description : L""});
    values.push_back({key + L"\\InprocServer32", nullptr, path});
    values.push_back({key + L"\\InprocServer32", L"ThreadingModel",
                      c.threadingModel ? c.threadingModel : L"Apartment"});
    if (c.progId && !c.noProgIdUnderClass)
        values.push_back({key + L"\\ProgID", nullptr, c.progId});
    if (c.versionIndependentProgId && !c.noProgIdUnderClass)
        values.push_back({key + L"\\VersionIndependentProgID", nullptr,
                          c.versionIndependentProgId});
    if (c.programmable) values.push_back({key + L"\\Programmable", nullptr, L""});
    if (c.isControl) {
        values.push_back({key + L"\\Control", nullptr, L""});
        values.push_back({key + L"\\MiscStatus", nullptr, L"0"});
        values.push_back({key + L"\\MiscStatus\\1", nullptr, std::to_wstring(c.miscStatus)});
    }
    if (c.typeLibId) {
        values.push_back({key + L"\\TypeLib", nullptr, GuidText(*c.typeLibId)});
        values.push_back({key + L"\\Version", nullptr,
                          std::to_wstring(c.typeLibMajor) + L"." +
                              std::to_wstring(c.typeLibMinor)});
    }
    if (c.insertable) values.push_back({key + L"\\Insertable", nullptr, L""});
    if (c.toolboxBitmap)
        values.push_back({key + L"\\ToolboxBitmap32", nullptr,
                          path + L", " + std::to_wstring(c.toolboxBitmap)});
    if (c.verbs && c.verbCount) {
        values.push_back({key + L"\\Verb", nullptr, L""});
        for (size_t i = 0; i < c.verbCount; ++i)
            values.push_back({key + L"\\Verb\\" + std::to_wstring(c.verbs[i].number), nullptr,
                              c.verbs[i].text});
    }
    const wchar_t* description = c.progIdDescription ? c.progIdDescription
                                 : c.description     ? c.description
                                                     : L"";
    if (c.progId) {
        values.push_back({c.progId, nullptr, description});
        values.push_back({std::wstring(c.progId) + L"\\CLSID", nullptr, clsid});
    }
    if (c.versionIndependentProgId) {
        const std::wstring vi = c.versionIndependentProgId;
        values.push_back({vi, nullptr, description});
        values.push_back({vi + L"\\CLSID", nullptr, clsid});
        if (c.progId) values.push_back({vi + L"\\CurVer", nullptr, c.progId});
    }
    return values;
}

HRESULT WriteValue(const RegValue& v) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, v.key.c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    // An empty marker key ("Control") gets no value at all.
    if (v.name || !v.value.empty())
        rc = RegSetValueExW(key, v.name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(v.value.c_str()),
                            static_cast<DWORD>((v.value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

// Removes our value; then the key, but only when nothing else lives in it.
void RemoveValue(const RegValue& v) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, v.key.c_str(), 0, KEY_READ | KEY_WRITE, &key) !=
        ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, v.name);
    DWORD subkeys = 0, values = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0)
        RegDeleteKeyW(HKEY_CLASSES_ROOT, v.key.c_str());
}

} // namespace

const ClassEntry* FindClass(REFCLSID clsid) {
    const ClassTable table = ServerClasses();
    for (size_t i = 0; i < table.count; ++i)
        if (IsEqualCLSID(*table.entries[i].clsid, clsid)) return &table.entries[i];
    return nullptr;
}

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    const ClassEntry* entry = FindClass(clsid);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    return Guarded([&]() -> HRESULT {
        ClassFactory* factory = new ClassFactory(*entry);
        HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    });
}

HRESULT RegisterServer() {
    const std::wstring path = ModulePath();
    if (path.empty()) return E_UNEXPECTED;
    const ClassTable table = ServerClasses();
    for (size_t i = 0; i < table.count; ++i) {
        // A class key marked for forced removal starts empty: nothing left
        // from an older registration survives under it.
        if (table.entries[i].forceRemove)
            RegDeleteTreeW(HKEY_CLASSES_ROOT,
                           (L"CLSID\\" + GuidText(*table.entries[i].clsid)).c_str());
        for (const RegValue& v : RegistrationOf(table.entries[i], path)) {
            if (FAILED(WriteValue(v))) {
                UnregisterServer(); // no half-registered classes
                return SELFREG_E_CLASS;
            }
        }
    }
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadModuleTypeLib(&lib);
    if (hr == TYPE_E_CANTLOADLIBRARY) return S_OK; // a server without a type library
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLib(lib, const_cast<LPOLESTR>(path.c_str()), nullptr);
        lib->Release();
    }
    if (FAILED(hr)) {
        UnregisterServer();
        return SELFREG_E_TYPELIB;
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    const std::wstring path = ModulePath();
    const ClassTable table = ServerClasses();
    for (size_t i = 0; i < table.count; ++i) {
        const std::vector<RegValue> values = RegistrationOf(table.entries[i], path);
        for (auto v = values.rbegin(); v != values.rend(); ++v) RemoveValue(*v);
    }
    ITypeLib* lib = nullptr;
    if (SUCCEEDED(LoadModuleTypeLib(&lib))) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(lib->GetLibAttr(&attr))) {
            UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                              attr->syskind);
            lib->ReleaseTLibAttr(attr);
        }
        lib->Release();
    }
    return S_OK;
}

} // namespace comkit

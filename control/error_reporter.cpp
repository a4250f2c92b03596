// The error reporter: engine codes to HRESULTs and error objects.
#include "error_reporter.h"

#include "comkit/error_object.h"
#include "comkit/module.h"

#include <oleauto.h>

namespace quillmark {
namespace {

const wchar_t kHelpFile[] = L"inkctl7.chm";
// The class's ProgID when the registry cannot tell (e.g. not registered).
const wchar_t kControlProgId[] = L"MorvaneImaging.Quillmark.7";
const int kMaxMessage = 1024;

HMODULE satellite = nullptr;
INIT_ONCE satelliteOnce = INIT_ONCE_STATIC_INIT;

std::wstring ModuleFolder() {
    const std::wstring path = comkit::ModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

BOOL CALLBACK LoadSatellite(INIT_ONCE*, void*, void**) {
    const std::wstring name =
        L"inkres7_" + std::to_wstring(LANGIDFROMLCID(GetThreadLocale())) + L".dll";
    const DWORD flags = LOAD_LIBRARY_AS_DATAFILE;
    const std::wstring folder = ModuleFolder();
    if (!folder.empty()) satellite = LoadLibraryExW((folder + name).c_str(), nullptr, flags);
    if (!satellite) satellite = LoadLibraryExW(name.c_str(), nullptr, flags);
    return TRUE;
}

} // namespace

HMODULE SatelliteResources() {
    InitOnceExecuteOnce(&satelliteOnce, LoadSatellite, nullptr, nullptr);
    return satellite;
}

std::wstring ErrorMessage(int code) {
    HMODULE texts = SatelliteResources();
    if (!texts) texts = comkit::ModuleHandle();
    char text[kMaxMessage + 1] = {};
    const int length = LoadStringA(texts, static_cast<UINT>(code) & 0xFFFF, text, sizeof text);
    if (length <= 0) return L"Unknown Error";
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring message(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, &message[0], wide);
    return message;
}

HRESULT ReportError(REFCLSID clsid, int code) {
    if (code == 0) return S_OK;
    if (code == kErrInvalidTool) return S_FALSE;
    // A failure HRESULT of the engine's own (E_FAIL, -1) is no code of ours:
    // it reaches the caller as it is, with no error object of ours.
    if (code < 0) {
        SetErrorInfo(0, nullptr);
        return static_cast<HRESULT>(code);
    }
    return comkit::Guarded([&]() -> HRESULT {
        const HRESULT result = ErrorResult(code);
        BSTR description = SysAllocString(ErrorMessage(code).c_str());
        if (!description) return E_OUTOFMEMORY;
        LPOLESTR progId = nullptr;
        const bool registered = SUCCEEDED(ProgIDFromCLSID(clsid, &progId));
        comkit::SetErrorObject(GUID_NULL, registered ? progId : kControlProgId, description,
                               kHelpFile, static_cast<DWORD>(code));
        if (progId) CoTaskMemFree(progId);
        SysFreeString(description);
        return result;
    });
}

} // namespace quillmark

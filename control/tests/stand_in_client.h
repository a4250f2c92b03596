#pragma once
// A stand-in for the client image control, shared by the control's binding
// tests: an embedded object with ImageControlInterface (and, switchably,
// ImageControlSupport) that records what the control asks of it and, when
// it gets the callback table, gives its cookie and its service table the
// way a client does. Lives on the test's stack.
#include "image_client.h" // before quillmark.h: the two declarations agree

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quillmark_test {

class ImageClientStandIn : public IOleObject, public ImageControlInterface {
public:
    // What the client does with the table it is given; by default it gives
    // its cookie, then its services.
    using OnCallbacks = std::function<void(ImageClientStandIn&, HostContext, HostCallbackTable*)>;

    // Each call is recorded as "tag:Operation" into log (when given).
    ImageClientStandIn(const wchar_t* name, const char* tag, std::vector<std::string>* log)
        : name_(name), tag_(tag), log_(log) {}
    virtual ~ImageClientStandIn() { EXPECT_EQ(nullptr, server); }

    ULONG refs = 1;
    IAnnotateServer7* server = nullptr;
    HostContext ctx = nullptr;
    HostCallbackTable* table = nullptr;
    HostServiceTable services = {};
    HostCookie cookie = 0x5150;
    bool support = true;
    HRESULT serverAnswer = S_OK;
    OnCallbacks onCallbacks = [](ImageClientStandIn& self, HostContext c, HostCallbackTable* t) {
        t->SetHostCookie(c, self.cookie);
        t->SetHostServices(c, &self.services);
    };

    void Log(const std::string& what) {
        if (log_) log_->push_back(tag_ + ":" + what);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
            *object = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_ImageControlInterface))
            *object = static_cast<ImageControlInterface*>(this);
        else if (IsEqualIID(riid, IID_ImageControlSupport)) {
            Log("QuerySupport");
            if (support) *object = static_cast<IOleObject*>(this);
        }
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }

    STDMETHODIMP ReleaseAnnotateServer() override {
        Log("ReleaseAnnotateServer");
        if (server) server->Release();
        server = nullptr;
        ctx = nullptr;
        table = nullptr;
        return S_OK;
    }
    STDMETHODIMP SetAnnotateServer(IAnnotateServer7* s) override {
        Log("SetAnnotateServer");
        if (FAILED(serverAnswer)) return serverAnswer;
        if (s) s->AddRef();
        if (server) server->Release();
        server = s;
        return S_OK;
    }
    STDMETHODIMP Unused() override { return E_NOTIMPL; }
    STDMETHODIMP SetAnnotationCallbacks(HostContext c, HostCallbackTable* t) override {
        Log("SetAnnotationCallbacks");
        ctx = c;
        table = t;
        EXPECT_EQ(kHostCallbackTableVersion, t->Version);
        EXPECT_EQ(nullptr, t->Reserved);
        if (onCallbacks) onCallbacks(*this, c, t);
        return S_OK;
    }
    STDMETHODIMP GetControlName(BSTR* name) override {
        Log("GetControlName");
        *name = SysAllocString(name_.c_str());
        return S_OK;
    }

    // IOleObject: only its presence counts.
    STDMETHODIMP SetClientSite(IOleClientSite*) override { return E_NOTIMPL; }
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP Close(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return E_NOTIMPL; }
    STDMETHODIMP IsUpToDate() override { return E_NOTIMPL; }
    STDMETHODIMP GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    IUnknown* Object() { return static_cast<IOleObject*>(this); }

private:
    std::wstring name_;
    std::string tag_;
    std::vector<std::string>* log_;
};

// A 200 x 200 window of the class named (registered with proc on first use),
// a child of parent when one is given, with data as its user data.
inline HWND StandInWindow(const wchar_t* className, WNDPROC proc, HWND parent, void* data) {
    WNDCLASSW wc = {};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), className, &wc)) {
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    HWND w = CreateWindowExW(0, className, L"", parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 200, 200,
                             parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    return w;
}

} // namespace quillmark_test

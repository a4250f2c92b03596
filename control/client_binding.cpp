// The Quillmark control and its client image control: finding the client by
// name, object or window, binding and unbinding it, and the services of the
// client the control calls itself.
#include "quillmark_control.h"

#include "comkit/error_object.h"

namespace {

const DISPID kClientId = 1;

// A failing call on the client ends the member with a COM error that names
// the client's interface.
HRESULT ClientFailed(HRESULT hr) {
    comkit::SetErrorObject(IID_ImageControlInterface, L"Quillmark",
                           L"The client image control failed.");
    return hr;
}

// The image control a window stands for, with a reference, or null.
ImageControlInterface* QueryWindow(HWND window) {
    ImageControlInterface* answer = nullptr;
    SendMessageW(window, kControlQueryMessage, kControlQueryParam,
                 reinterpret_cast<LPARAM>(&answer));
    return answer;
}

bool SameName(BSTR a, BSTR b) {
    const UINT length = SysStringLen(a);
    return length == SysStringLen(b) &&
           (length == 0 || memcmp(a, b, length * sizeof(OLECHAR)) == 0);
}

} // namespace

void QuillmarkControl::ResetAnnotations() {
    if (AnnotationEngine* engine = Engine()) engine->DeleteAllLayers();
    reportedLayer_ = 0;
}

void QuillmarkControl::PushHostServices() {
    AnnotationEngine* engine = Engine();
    if (!engine) return;
    const HostServiceTable* t = hostServices_;
    const HostCookie cookie = hostCookie_;
    engine->SetHostDrawCall(t ? t->HostDrawCall : nullptr);
    engine->SetHostMapValue(t ? t->MapHostValue : nullptr);
    engine->SetHostGetViewGeometry(cookie, t ? t->GetViewGeometry : nullptr);
    engine->SetHostSetViewGeometry(cookie, t ? t->SetViewGeometry : nullptr);
    engine->SetHostGetFixedViewGeometry(cookie, t ? t->GetFixedViewGeometry : nullptr);
    engine->SetHostGetImageDib(t ? t->GetImageDib : nullptr);
    engine->SetHostSetImageDib(t ? t->SetImageDib : nullptr);
    engine->SetHostGetResolution(cookie, t ? t->GetResolution : nullptr);
    if (t) {
        viewMode_ = t->ViewMode;
        engine->SetViewMode(viewMode_);
    }
}

void QuillmarkControl::UnbindImageControl() {
    if (!annotateServer_) return;
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (ImageControlInterface* client = imageControl_) {
        imageControl_ = nullptr;
        client->ReleaseAnnotateServer();
        client->Release();
    }
    IAnnotateServer7* server = annotateServer_;
    annotateServer_ = nullptr;
    // The client is gone: neither the control nor the engine calls it again.
    const bool hadServices = hostServices_ != nullptr;
    hostServices_ = nullptr;
    hostCookie_ = 0;
    hostWindow_ = nullptr;
    if (hadServices) PushHostServices();
    server->Release();
}

HRESULT QuillmarkControl::HandOverCallbacks() {
    ImageControlInterface* client = imageControl_;
    if (!client) return S_OK;
    HostCallbackTable* table = FilledHostCallbackTable();
    IUnknown* support = nullptr;
    if (SUCCEEDED(client->QueryInterface(IID_ImageControlSupport,
                                         reinterpret_cast<void**>(&support))) &&
        support)
        support->Release();
    const HRESULT hr =
        client->SetAnnotationCallbacks(static_cast<HostContext>(this), table);
    return FAILED(hr) ? ClientFailed(hr) : S_OK;
}

HRESULT QuillmarkControl::BindImageControl(ImageControlInterface* client) {
    // A control binds one client: one bound before (another match of the
    // same name) is let go first, so that no reference is left behind.
    UnbindImageControl();
    annotateServer_ = static_cast<IAnnotateServer7*>(this);
    annotateServer_->AddRef();
    client->AddRef();
    imageControl_ = client;
    const HRESULT hr = client->SetAnnotateServer(annotateServer_);
    if (FAILED(hr)) return ClientFailed(hr);
    if (!IsUserMode()) return S_OK;
    return HandOverCallbacks();
}

void QuillmarkControl::CollectImageControls(std::vector<ImageControlInterface*>& found) {
    IOleClientSite* site = ClientSite();
    if (!site) return;
    IOleContainer* container = nullptr;
    if (SUCCEEDED(site->GetContainer(&container)) && container) {
        IEnumUnknown* objects = nullptr;
        if (SUCCEEDED(container->EnumObjects(OLECONTF_EMBEDDINGS, &objects)) && objects) {
            IUnknown* object = nullptr;
            while (objects->Next(1, &object, nullptr) == S_OK) {
                if (!object) continue;
                IOleObject* ole = nullptr;
                if (SUCCEEDED(object->QueryInterface(IID_IOleObject,
                                                     reinterpret_cast<void**>(&ole))) &&
                    ole) {
                    ImageControlInterface* client = nullptr;
                    if (SUCCEEDED(ole->QueryInterface(IID_ImageControlInterface,
                                                      reinterpret_cast<void**>(&client))) &&
                        client)
                        found.push_back(client);
                    ole->Release();
                }
                object->Release();
            }
            objects->Release();
        }
        container->Release();
        return;
    }
    IOleInPlaceFrame* frame = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(&frame))) ||
        !frame)
        return;
    HWND frameWindow = nullptr;
    if (SUCCEEDED(frame->GetWindow(&frameWindow)) && frameWindow) {
        for (HWND child = ::GetWindow(frameWindow, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT))
            if (ImageControlInterface* client = QueryWindow(child)) found.push_back(client);
    }
    frame->Release();
}

STDMETHODIMP QuillmarkControl::put_Client(BSTR newVal) {
    return comkit::Guarded([&]() -> HRESULT {
        BSTR copy = nullptr;
        if (newVal) {
            copy = SysAllocStringLen(newVal, SysStringLen(newVal));
            if (!copy) return E_OUTOFMEMORY;
        }
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
        SysFreeString(client_);
        client_ = copy;
        noClient_ = SysStringLen(client_) == 0;
        UnbindImageControl();
        if (IsUserMode()) ResetAnnotations();
        HRESULT hr = S_OK;
        if (!noClient_) {
            std::vector<ImageControlInterface*> candidates;
            CollectImageControls(candidates);
            for (ImageControlInterface* candidate : candidates) {
                BSTR name = nullptr;
                if (SUCCEEDED(hr) && SUCCEEDED(candidate->GetControlName(&name)) &&
                    SameName(name, client_))
                    hr = BindImageControl(candidate);
                SysFreeString(name);
                candidate->Release();
            }
        }
        NotifyPropertyChanged(kClientId);
        return hr;
    });
}

STDMETHODIMP QuillmarkControl::InterfaceConnect(IUnknown* punk, VARIANT_BOOL* pResult) {
    return comkit::Guarded([&]() -> HRESULT {
        if (!pResult) return E_POINTER;
        *pResult = VARIANT_FALSE;
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
        UnbindImageControl();
        if (IsUserMode()) ResetAnnotations();
        if (!punk) return S_OK;
        IOleObject* ole = nullptr;
        if (FAILED(punk->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole))) || !ole)
            return S_OK;
        ImageControlInterface* client = nullptr;
        HRESULT hr = S_OK;
        if (SUCCEEDED(ole->QueryInterface(IID_ImageControlInterface,
                                          reinterpret_cast<void**>(&client))) &&
            client) {
            *pResult = VARIANT_TRUE;
            hr = BindImageControl(client);
            client->Release();
        }
        ole->Release();
        return hr;
    });
}

STDMETHODIMP QuillmarkControl::InterfaceDisconnect() {
    return comkit::Guarded([&]() -> HRESULT {
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
        UnbindImageControl();
        noClient_ = true;
        if (IsUserMode()) ResetAnnotations();
        return S_OK;
    });
}

STDMETHODIMP QuillmarkControl::SetClientWindow(long hWnd) {
    return comkit::Guarded([&]() -> HRESULT {
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
        const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(hWnd));
        UnbindImageControl();
        noClient_ = window == nullptr;
        if (IsUserMode()) ResetAnnotations();
        if (!window || !IsWindow(window)) return S_OK;
        ImageControlInterface* client = QueryWindow(window);
        if (!client) return S_OK;
        annotateServer_ = static_cast<IAnnotateServer7*>(this);
        annotateServer_->AddRef();
        imageControl_ = client; // the answer's reference
        const HRESULT hr = client->SetAnnotateServer(annotateServer_);
        if (FAILED(hr)) return ClientFailed(hr);
        if (!IsUserMode()) return S_OK;
        if (!Engine() &&
            FAILED(quillmark::LoadEngine(link_, *this, defaults_, fonts_, toolPalette_)))
            return E_FAIL;
        return HandOverCallbacks();
    });
}

STDMETHODIMP QuillmarkControl::NameChange(BSTR newName) {
    BSTR copy = nullptr;
    if (newName) {
        copy = SysAllocStringLen(newName, SysStringLen(newName));
        if (!copy) return E_OUTOFMEMORY;
    }
    SysFreeString(client_);
    client_ = copy;
    return S_OK;
}

STDMETHODIMP QuillmarkControl::ForceAllUpdate() {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (hostServices_ && hostServices_->ForceUpdate) hostServices_->ForceUpdate(hostCookie_);
    return S_OK;
}

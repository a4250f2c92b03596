// ControlBase: in-place activation, the control's window and its view.
#include "comkit/control_base.h"

namespace comkit {

HRESULT ControlBase::ActivateInPlace(bool uiActivate) {
    if (!clientSite_) return E_UNEXPECTED;
    if (!inPlaceActive_) {
        IOleInPlaceSite* site = nullptr;
        HRESULT hr = clientSite_->QueryInterface(IID_IOleInPlaceSite,
                                                 reinterpret_cast<void**>(&site));
        if (FAILED(hr) || !site) return FAILED(hr) ? hr : E_NOINTERFACE;
        if (site->CanInPlaceActivate() != S_OK) {
            site->Release();
            return E_FAIL;
        }
        site->OnInPlaceActivate();
        inPlaceSite_ = site;

        HWND parent = nullptr;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO frameInfo = {};
        frameInfo.cb = sizeof frameInfo;
        hr = site->GetWindow(&parent);
        if (SUCCEEDED(hr))
            hr = site->GetWindowContext(&frame_, &uiWindow_, &pos, &clip, &frameInfo);
        const wchar_t* windowClass = SUCCEEDED(hr) ? ControlWindowClass(WindowProc) : nullptr;
        if (SUCCEEDED(hr) && !windowClass) hr = HRESULT_FROM_WIN32(GetLastError());
        if (SUCCEEDED(hr)) {
            window_ = CreateWindowExW(0, windowClass, L"",
                                      WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, pos.left,
                                      pos.top, pos.right - pos.left, pos.bottom - pos.top,
                                      parent, nullptr, ModuleHandle(), this);
            if (!window_) hr = E_FAIL;
        }
        if (FAILED(hr)) {
            if (uiWindow_) uiWindow_->Release();
            if (frame_) frame_->Release();
            uiWindow_ = nullptr;
            frame_ = nullptr;
            inPlaceSite_ = nullptr;
            site->OnInPlaceDeactivate();
            site->Release();
            return hr;
        }
        posRect_ = pos;
        inPlaceActive_ = true;
    }
    ShowWindow(window_, SW_SHOWNA);
    if (uiActivate && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
        IOleInPlaceActiveObject* self = this;
        if (frame_) {
            frame_->SetActiveObject(self, nullptr);
            frame_->SetBorderSpace(nullptr);
        }
        if (uiWindow_) {
            uiWindow_->SetActiveObject(self, nullptr);
            uiWindow_->SetBorderSpace(nullptr);
        }
        SetFocus(window_);
    }
    return S_OK;
}

STDMETHODIMP ControlBase::UIDeactivate() {
    if (!uiActive_) return S_OK;
    return Guarded([&]() -> HRESULT {
        uiActive_ = false;
        if (uiWindow_) uiWindow_->SetActiveObject(nullptr, nullptr);
        if (frame_) frame_->SetActiveObject(nullptr, nullptr);
        if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
        return S_OK;
    });
}

STDMETHODIMP ControlBase::InPlaceDeactivate() {
    if (!inPlaceActive_) return S_OK;
    return Guarded([&]() -> HRESULT {
        UIDeactivate();
        inPlaceActive_ = false;
        if (window_) {
            HWND window = window_;
            window_ = nullptr;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
        IOleInPlaceSite* site = inPlaceSite_;
        inPlaceSite_ = nullptr;
        if (uiWindow_) uiWindow_->Release();
        if (frame_) frame_->Release();
        uiWindow_ = nullptr;
        frame_ = nullptr;
        if (site) {
            site->OnInPlaceDeactivate();
            site->Release();
        }
        return S_OK;
    });
}

STDMETHODIMP ControlBase::SetObjectRects(LPCRECT pos, LPCRECT) {
    if (!pos) return E_POINTER;
    posRect_ = *pos;
    if (window_)
        MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
                   TRUE);
    return S_OK;
}

STDMETHODIMP ControlBase::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP ControlBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::ReactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP ControlBase::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP ControlBase::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ControlBase::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ControlBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP ControlBase::EnableModeless(BOOL) { return S_OK; }

// ---- the window ----

LRESULT CALLBACK ControlBase::WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control) return DefWindowProcW(window, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // Destroyed from outside (its parent went): forget the handle.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (control->window_ == window) control->window_ = nullptr;
        return DefWindowProcW(window, msg, wp, lp);
    }
    try {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT bounds;
            GetClientRect(window, &bounds);
            control->OnDraw(dc, bounds);
            EndPaint(window, &ps);
            return 0;
        }
        bool handled = false;
        LRESULT result = control->OnMessage(msg, wp, lp, handled);
        if (handled) return result;
    } catch (...) {
        // Nothing may leave a window procedure; the default handling follows.
    }
    return DefWindowProcW(window, msg, wp, lp);
}

void ControlBase::OnDraw(HDC dc, const RECT& bounds) {
    FillRect(dc, &bounds, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

LRESULT ControlBase::OnMessage(UINT, WPARAM, LPARAM, bool&) { return 0; }

void ControlBase::Invalidate() {
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
    else if (viewSink_)
        viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

// ---- IViewObject2 ----

STDMETHODIMP ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                               LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                               ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc) return E_INVALIDARG;
    RECT r;
    if (bounds) {
        r = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    } else if (window_) {
        GetClientRect(window_, &r);
    } else {
        return E_INVALIDARG;
    }
    return Guarded([&]() -> HRESULT {
        OnDraw(dc, r);
        return S_OK;
    });
}

STDMETHODIMP ControlBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                      LOGPALETTE** colors) {
    if (colors) *colors = nullptr;
    return S_FALSE;
}

STDMETHODIMP ControlBase::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    if (sink) sink->AddRef();
    if (viewSink_) viewSink_->Release();
    viewSink_ = sink;
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
}

STDMETHODIMP ControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = viewAspects_;
    if (flags) *flags = viewFlags_;
    if (sink) {
        *sink = viewSink_;
        if (viewSink_) viewSink_->AddRef();
    }
    return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

} // namespace comkit

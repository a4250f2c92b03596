// PropertyPage: the COM side of a property page, around a child dialog.
#include "comkit/property_page.h"

namespace comkit {

PropertyPage::PropertyPage(UINT dialogId, UINT titleId) : dialogId_(dialogId), titleId_(titleId) {}

PropertyPage::~PropertyPage() {
    if (dialog_) DestroyWindow(dialog_);
    ReleaseObjects();
    if (site_) site_->Release();
}

STDMETHODIMP PropertyPage::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPage) ||
        IsEqualIID(riid, IID_IPropertyPage2)) {
        *object = static_cast<IPropertyPage2*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertyPage::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) PropertyPage::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP PropertyPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
}

STDMETHODIMP PropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (dialog_) return E_UNEXPECTED;
    return Guarded([&]() -> HRESULT {
        // The page is the dialog's user until it is destroyed; a reference
        // keeps it alive through the dialog's first messages.
        AddRef();
        HWND made = CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(dialogId_), parent,
                                       &PropertyPage::DialogProc, reinterpret_cast<LPARAM>(this));
        Release();
        if (!made) return E_FAIL;
        dialog_ = made;
        if (rect) Move(rect);
        return S_OK;
    });
}

STDMETHODIMP PropertyPage::Deactivate() {
    if (dialog_) {
        HWND going = dialog_;
        dialog_ = nullptr;
        DestroyWindow(going);
    }
    return S_OK;
}

HRESULT PropertyPage::DialogSize(SIZE* size) {
    size->cx = size->cy = 0;
    // The template's dialog units become pixels only in a dialog of that
    // font: a hidden one is made and measured.
    measuring_ = true;
    HWND probe = CreateDialogParamW(ModuleHandle(), MAKEINTRESOURCEW(dialogId_), GetDesktopWindow(),
                                    &PropertyPage::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!probe) {
        measuring_ = false;
        return E_FAIL;
    }
    RECT r = {};
    GetWindowRect(probe, &r);
    DestroyWindow(probe);
    measuring_ = false;
    size->cx = r.right - r.left;
    size->cy = r.bottom - r.top;
    return S_OK;
}

STDMETHODIMP PropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        ZeroMemory(info, sizeof *info);
        info->cb = sizeof *info;
        const wchar_t* text = nullptr;
        const int length = LoadStringW(ModuleHandle(), titleId_, reinterpret_cast<LPWSTR>(&text), 0);
        const size_t bytes = (static_cast<size_t>(length > 0 ? length : 0) + 1) * sizeof(wchar_t);
        info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!info->pszTitle) return E_OUTOFMEMORY;
        if (length > 0) CopyMemory(info->pszTitle, text, bytes - sizeof(wchar_t));
        info->pszTitle[length > 0 ? length : 0] = L'\0';
        HRESULT hr = DialogSize(&info->size);
        if (FAILED(hr)) {
            CoTaskMemFree(info->pszTitle);
            info->pszTitle = nullptr;
        }
        return hr;
    });
}

void PropertyPage::ReleaseObjects() {
    for (IUnknown* object : objects_) object->Release();
    objects_.clear();
}

STDMETHODIMP PropertyPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count && !objects) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        std::vector<IUnknown*> kept;
        kept.reserve(count);
        ReleaseObjects();
        for (ULONG i = 0; i < count; ++i)
            if (objects[i]) {
                objects[i]->AddRef();
                kept.push_back(objects[i]);
            }
        objects_.swap(kept);
        return S_OK;
    });
}

HRESULT PropertyPage::FirstObject(REFIID riid, void** object) const {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (objects_.empty()) return E_NOINTERFACE;
    return objects_.front()->QueryInterface(riid, object);
}

STDMETHODIMP PropertyPage::Show(UINT cmdShow) {
    if (!dialog_) return E_UNEXPECTED;
    ShowWindow(dialog_, cmdShow);
    return S_OK;
}

STDMETHODIMP PropertyPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (!dialog_) return E_UNEXPECTED;
    MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               TRUE);
    return S_OK;
}

STDMETHODIMP PropertyPage::IsPageDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP PropertyPage::Apply() {
    return Guarded([&]() -> HRESULT { return OnApply(); });
}

STDMETHODIMP PropertyPage::Help(LPCOLESTR) {
    return Guarded([&]() -> HRESULT { return OnHelp(); });
}

STDMETHODIMP PropertyPage::TranslateAccelerator(MSG* msg) {
    if (!msg) return E_POINTER;
    return Guarded([&]() -> HRESULT { return OnTranslateAccelerator(msg); });
}

STDMETHODIMP PropertyPage::EditProperty(DISPID dispid) {
    return Guarded([&]() -> HRESULT { return OnEditProperty(dispid); });
}

void PropertyPage::SetDirty(bool dirty) {
    dirty_ = dirty;
    if (!dirty || !site_) return;
    // The frame may let go of the page from inside either call.
    IPropertyPageSite* site = site_;
    site->AddRef();
    site->OnStatusChange(PROPPAGESTATUS_DIRTY);
    site->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
    site->Release();
}

INT_PTR CALLBACK PropertyPage::DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    PropertyPage* page = nullptr;
    if (msg == WM_INITDIALOG) {
        page = reinterpret_cast<PropertyPage*>(lp);
        SetWindowLongPtrW(dialog, DWLP_USER, lp);
    } else {
        page = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
    }
    if (!page || page->measuring_) return FALSE;
    try {
        switch (msg) {
        case WM_INITDIALOG:
            page->dialog_ = dialog;
            page->OnInitDialog();
            return TRUE;
        case WM_COMMAND:
            page->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return TRUE;
        case WM_NCDESTROY:
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            if (page->dialog_ == dialog) page->dialog_ = nullptr;
            return FALSE;
        default: {
            bool handled = false;
            const INT_PTR result = page->OnMessage(msg, wp, lp, handled);
            if (handled) SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
            return handled ? TRUE : FALSE;
        }
        }
    } catch (...) {
        return FALSE; // nothing may leave a window procedure
    }
}

} // namespace comkit

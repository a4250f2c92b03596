// Vistrel7Control: the properties and methods of IVistrel7, and its errors.
#include "vistrel7_control.h"

#include "binding_trace.h"
#include "comkit/error_object.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

// The one fit mode there is: the whole image in the window.
constexpr LONG kFitWhole = 2;

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
    return wide;
}

std::wstring FromBstr(BSTR value) {
    return value ? std::wstring(value, SysStringLen(value)) : std::wstring();
}

HRESULT CopyOut(const std::wstring& text, BSTR* result) {
    if (!result) return E_POINTER;
    *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

HGLOBAL HandleFromLong(LONG value) {
    return reinterpret_cast<HGLOBAL>(static_cast<LONG_PTR>(value));
}

} // namespace

void* Vistrel7Control::FindInterface(REFIID riid) {
    if (IsEqualIID(riid, IID_IVistrel7) || IsEqualIID(riid, IID_IDispatch))
        return static_cast<IVistrel7*>(this);
    if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    if (IsEqualIID(riid, IID_ImageControlInterface))
        return static_cast<ImageControlInterface*>(this);
    if (IsEqualIID(riid, IID_ImageControlSupport)) {
        viewer::Trace(L"QueryInterface ImageControlSupport");
        return static_cast<ImageControlSupport*>(this);
    }
    return nullptr;
}

STDMETHODIMP Vistrel7Control::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IVistrel7) ? S_OK : S_FALSE;
}

HRESULT Vistrel7Control::Fail(HRESULT hr, const std::wstring& description) {
    lastError_ = description;
    comkit::SetErrorObject(IID_IVistrel7, L"Vistrel.Vistrel7", lastError_.c_str());
    return hr;
}

// ---- the plain getters, from the tables in the header ----

#define VISTREL7_DEFINE_GET(name, type, value)                                              \
    STDMETHODIMP Vistrel7Control::get_##name(type* result) {                                \
        if (!result) return E_POINTER;                                                      \
        *result = static_cast<type>(value);                                                 \
        return S_OK;                                                                        \
    }
VISTREL7_READ_PROPERTIES(VISTREL7_DEFINE_GET)
#undef VISTREL7_DEFINE_GET

#define VISTREL7_DEFINE_TEXT_GET(name, member)                                              \
    STDMETHODIMP Vistrel7Control::get_##name(BSTR* result) { return CopyOut(member, result); }
VISTREL7_TEXT_PROPERTIES(VISTREL7_DEFINE_TEXT_GET)
#undef VISTREL7_DEFINE_TEXT_GET

// ---- the picture ----

void Vistrel7Control::Show(viewer::Picture picture, const std::wstring& name) {
    picture_ = std::move(picture);
    fileName_ = name;
    pixelsChanged_ = false;
    haveBaseline_ = false;
    scrollX_ = 0;
    scrollY_ = 0;
    SyncWindowText();
    UpdateView();
    LoadTagAnnotations(true);
}

STDMETHODIMP Vistrel7Control::put_FileName(BSTR value) {
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        const std::wstring path = FromBstr(value);
        if (path.empty()) {
            Show(viewer::Picture(), L"");
            return S_OK;
        }
        viewer::Picture loaded;
        std::string reason;
        if (!viewer::Picture::Load(path, &loaded, &reason)) {
            // What was shown goes: the view must not pass off the old image as the new one.
            Show(viewer::Picture(), L"");
            return Fail(E_FAIL, L"Cannot load \"" + path + L"\": " + Widen(reason));
        }
        Show(std::move(loaded), path);
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::put_hDIB(LONG value) {
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        HGLOBAL handle = HandleFromLong(value);
        if (!handle) {
            Show(viewer::Picture(), L"");
            return S_OK;
        }
        const SIZE_T size = GlobalSize(handle);
        const void* bytes = size ? GlobalLock(handle) : nullptr;
        viewer::Picture copied;
        std::string reason = "the handle is not a valid memory handle";
        bool ok = false;
        if (bytes) {
            ok = viewer::Picture::FromPackedDib(static_cast<const uint8_t*>(bytes), size, &copied,
                                                &reason);
            GlobalUnlock(handle);
        }
        // As with a file: a DIB that cannot be shown leaves the view empty.
        Show(std::move(copied), L"");
        if (!ok) return Fail(E_INVALIDARG, L"Cannot show the DIB: " + Widen(reason));
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::CopyDIB(LONG* handle) {
    if (!handle) return E_POINTER;
    *handle = 0;
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        if (picture_.Empty()) return S_OK;
        const std::vector<uint8_t>& dib = picture_.PackedDib();
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, dib.size());
        void* target = copy ? GlobalLock(copy) : nullptr;
        if (!target) {
            if (copy) GlobalFree(copy);
            return Fail(E_OUTOFMEMORY, L"Not enough memory for a copy of the image.");
        }
        std::memcpy(target, dib.data(), dib.size());
        GlobalUnlock(copy);
        *handle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(copy));
        return S_OK;
    });
}

// ---- saving ----

STDMETHODIMP Vistrel7Control::put_SaveFileName(BSTR value) {
    return comkit::Guarded([&]() -> HRESULT {
        saveFileName_ = FromBstr(value);
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::put_SaveTIFFCompression(LONG value) {
    // Every value is taken: SaveFile maps it to a compression valid for the image.
    saveCompression_ = value;
    return S_OK;
}

STDMETHODIMP Vistrel7Control::SaveFile() {
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        if (picture_.Empty()) return Fail(E_UNEXPECTED, L"There is no image to save.");
        if (saveFileName_.empty()) return Fail(E_INVALIDARG, L"SaveFileName is empty.");
        TakeTagAnnotations();
        std::vector<uint8_t> saved;
        if (const std::vector<uint8_t>* kept =
                annotationTag_ ? picture_.PrivateTag(static_cast<uint16_t>(annotationTag_)) : nullptr)
            saved = *kept;
        const int savedTag = annotationTag_;
        std::string reason;
        const imaging::TiffCompression compression =
            viewer::SaveCompression(saveCompression_, picture_.Page().layout);
        if (!picture_.SaveTiff(saveFileName_, compression, &reason))
            return Fail(E_FAIL, L"Cannot save \"" + saveFileName_ + L"\": " + Widen(reason));
        haveBaseline_ = true;
        baseline_ = std::move(saved);
        baselineTag_ = baseline_.empty() ? 0 : savedTag;
        pixelsChanged_ = false;
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::get_AnnotationsChanged(VARIANT_BOOL* value) {
    return comkit::Guarded([&]() -> HRESULT {
        if (!value) return E_POINTER;
        Succeeded();
        std::vector<uint8_t> now;
        int tag = 0;
        AskTagAnnotations(&now, &tag);
        if (now.empty()) tag = 0;
        if (!haveBaseline_) {
            haveBaseline_ = true;
            baseline_ = now;
            baselineTag_ = tag;
        }
        const bool changed = pixelsChanged_ || now != baseline_ || tag != baselineTag_;
        *value = changed ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

// ---- zoom and scrolling ----

STDMETHODIMP Vistrel7Control::ZoomToFit(LONG mode) {
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        if (mode != kFitWhole)
            return Fail(E_INVALIDARG, L"ZoomToFit knows mode 2 (the whole image) only.");
        if (picture_.Empty()) return S_OK;
        // The fitted image needs no scroll bar, so it may use the whole area.
        const SIZE area = ViewArea();
        zoom_ = viewer::FitZoom(picture_.Width(), picture_.Height(), area.cx, area.cy);
        scrollX_ = 0;
        scrollY_ = 0;
        UpdateView();
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::Zoom(DOUBLE factor) {
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        if (!std::isfinite(factor) || factor <= 0)
            return Fail(E_INVALIDARG, L"The zoom factor must be a positive number.");
        SetZoomKeepingCentre(viewer::ClampZoom(factor));
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::put_ScrollX(LONG value) {
    return comkit::Guarded([&]() -> HRESULT {
        scrollX_ = value;
        UpdateView();
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::put_ScrollY(LONG value) {
    return comkit::Guarded([&]() -> HRESULT {
        scrollY_ = value;
        UpdateView();
        return S_OK;
    });
}

STDMETHODIMP Vistrel7Control::put_ScrollBars(LONG value) {
    return comkit::Guarded([&]() -> HRESULT {
        Succeeded();
        if (value < viewer::NoBars || value > viewer::BothBars)
            return Fail(E_INVALIDARG, L"ScrollBars must be 0, 1, 2 or 3.");
        scrollBars_ = value;
        UpdateView();
        return S_OK;
    });
}

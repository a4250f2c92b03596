// ControlBase: the optional interfaces a control may hand out from its
// FindInterface (IViewObjectEx, IOleInPlaceObjectWindowless, IDataObject,
// ISpecifyPropertyPages).
#include "comkit/control_base.h"

#include <vector>

namespace comkit {

void* ControlBase::ExtendedInterface(REFIID riid) {
    if (IsEqualIID(riid, IID_IViewObjectEx)) return static_cast<IViewObjectEx*>(this);
    if (IsEqualIID(riid, IID_IOleInPlaceObjectWindowless))
        return static_cast<IOleInPlaceObjectWindowless*>(this);
    if (IsEqualIID(riid, IID_IDataObject)) return static_cast<IDataObject*>(this);
    if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
        return static_cast<ISpecifyPropertyPages*>(this);
    return nullptr;
}

// ---- IOleInPlaceObjectWindowless ----

STDMETHODIMP ControlBase::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result) {
    if (result) *result = 0;
    return S_FALSE; // never activated without a window: nothing to handle
}

STDMETHODIMP ControlBase::GetDropTarget(IDropTarget** target) {
    if (!target) return E_POINTER;
    *target = nullptr;
    return E_NOTIMPL;
}

// ---- IViewObjectEx ----

STDMETHODIMP ControlBase::GetRect(DWORD aspect, LPRECTL rect) {
    if (!rect) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    rect->left = rect->top = 0;
    rect->right = extent_.cx;
    rect->bottom = extent_.cy;
    return S_OK;
}

STDMETHODIMP ControlBase::GetViewStatus(DWORD* status) {
    if (!status) return E_POINTER;
    *status = VIEWSTATUS_OPAQUE;
    return S_OK;
}

STDMETHODIMP ControlBase::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                                        DWORD* hitResult) {
    if (!bounds || !hitResult) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *hitResult = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP ControlBase::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG,
                                       DWORD* hitResult) {
    if (!bounds || !location || !hitResult) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    RECT common = {};
    *hitResult = IntersectRect(&common, bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
}

STDMETHODIMP ControlBase::GetNaturalExtent(DWORD aspect, LONG, DVTARGETDEVICE*, HDC,
                                           DVEXTENTINFO* info, LPSIZEL size) {
    if (!info || !size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (info->dwExtentMode != DVEXTENT_CONTENT) return E_NOTIMPL;
    *size = extent_; // the natural size is the extent
    return S_OK;
}

// ---- IDataObject ----

STDMETHODIMP ControlBase::GetData(FORMATETC*, STGMEDIUM* medium) {
    if (medium) ZeroMemory(medium, sizeof *medium);
    return DV_E_FORMATETC;
}

STDMETHODIMP ControlBase::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
STDMETHODIMP ControlBase::QueryGetData(FORMATETC*) { return DV_E_FORMATETC; }

STDMETHODIMP ControlBase::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
    if (!formats) return E_POINTER;
    *formats = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* cookie) {
    if (cookie) *cookie = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP ControlBase::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }

STDMETHODIMP ControlBase::EnumDAdvise(IEnumSTATDATA** advises) {
    if (advises) *advises = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

// ---- ISpecifyPropertyPages ----

STDMETHODIMP ControlBase::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    return Guarded([&]() -> HRESULT {
        const PropertyMap map = Properties();
        std::vector<GUID> found;
        for (size_t i = 0; i < map.count; ++i) {
            const CLSID* page = map.rows[i].page;
            if (!page) continue;
            bool known = false;
            for (const GUID& g : found) known = known || IsEqualGUID(g, *page);
            if (!known) found.push_back(*page);
        }
        if (found.empty()) return S_OK;
        GUID* out = static_cast<GUID*>(CoTaskMemAlloc(found.size() * sizeof(GUID)));
        if (!out) return E_OUTOFMEMORY;
        for (size_t i = 0; i < found.size(); ++i) out[i] = found[i];
        pages->cElems = static_cast<ULONG>(found.size());
        pages->pElems = out;
        return S_OK;
    });
}

} // namespace comkit

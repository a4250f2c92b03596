// IPerPropertyBrowsing of the control: how a container's property browser
// shows the control's properties, which page edits each, and the names of
// the image controls offered for Client.
#include "quillmark_control.h"

#include "image_client.h"
#include "note_props_page.h"

namespace {

const DISPID kClientId = 1;
const DISPID kDefaultPenWidthId = 12;
const DISPID kDefaultToolId = 16;
const DISPID kInteractModeId = 170;
const DISPID kTiffAnnotationTypeId = 253;

const int kToolNameChars = 32;
const DWORD kNoClientCookie = static_cast<DWORD>(-1);
const wchar_t kNoClient[] = L"<No Client>";

// Properties whose value the browser shows itself.
const DISPID kShownAsValues[] = {9,   10,  15,  17,  70,  71,  80,  171, 196,
                                 243, 248, 256, 281, 326, 332, 333, 334};


// The names of the image controls beside the control, as the binding finds
// them (a control that gives no name is left out); each is released.
std::vector<std::wstring> NamesOf(const std::vector<ImageControlInterface*>& images) {
    std::vector<std::wstring> names;
    for (ImageControlInterface* image : images) {
        // A candidate that tells no name is offered as an empty one: it keeps
        // its place, so that every cookie is the candidate's position.
        BSTR name = nullptr;
        if (FAILED(image->GetControlName(&name))) name = nullptr; // not ours to free
        names.push_back(name ? std::wstring(name, SysStringLen(name)) : std::wstring());
        SysFreeString(name);
        image->Release();
    }
    return names;
}

LPOLESTR TaskString(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (out) CopyMemory(out, text.c_str(), bytes);
    return out;
}

HRESULT NewText(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace

STDMETHODIMP QuillmarkControl::GetDisplayString(DISPID id, BSTR* text) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!text) return E_POINTER;
    *text = nullptr;
    return comkit::Guarded([&]() -> HRESULT {
        for (DISPID shown : kShownAsValues)
            if (id == shown) return S_FALSE;
        if (id == kDefaultToolId) {
            annotationTOOL tool = NoTool;
            get_DefaultTool(&tool);
            // Only tool codes have names; any other number is no tool.
            std::wstring name;
            if (tool >= PointerTool && tool <= ProtractorTool)
                name = quillmark::ControlString(static_cast<UINT>(tool), kToolNameChars);
            if (name.empty()) name = tool == NoTool ? L"No Tool" : L"Unknown Tool";
            return NewText(name, text);
        }
        if (id == kInteractModeId) {
            annotationMODES mode = EditMode;
            get_InteractMode(&mode);
            return NewText(mode != EditMode ? L"InteractMode" : L"EditMode", text);
        }
        if (id == kTiffAnnotationTypeId)
            return NewText(tiffAnnotationType_ != 0 ? L"QMK_Compatible" : L"I4W_Compatible", text);
        // Anything else as its value reads: a font by its name.
        VARIANT value;
        VariantInit(&value);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        HRESULT hr = Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                            &value, nullptr, nullptr);
        if (FAILED(hr)) return E_FAIL;
        if (V_VT(&value) == VT_DISPATCH) {
            IFont* font = nullptr;
            if (V_DISPATCH(&value) &&
                SUCCEEDED(V_DISPATCH(&value)->QueryInterface(IID_IFont,
                                                             reinterpret_cast<void**>(&font)))) {
                hr = font->get_Name(text);
                font->Release();
            } else {
                hr = E_FAIL;
            }
        } else {
            hr = VariantChangeType(&value, &value, 0, VT_BSTR);
            if (SUCCEEDED(hr)) {
                *text = V_BSTR(&value);
                V_VT(&value) = VT_EMPTY;
            }
        }
        VariantClear(&value);
        return SUCCEEDED(hr) ? S_OK : E_FAIL;
    });
}

STDMETHODIMP QuillmarkControl::MapPropertyToPage(DISPID id, CLSID* page) {
    if (!page) return E_POINTER;
    *page = CLSID_NULL;
    // Edited in the browser itself.
    if (id == kClientId || id == kDefaultPenWidthId) return E_NOTIMPL;
    const comkit::PropertyMap map = PersistedProperties();
    for (size_t i = 0; i < map.count; ++i) {
        if (map.rows[i].dispid != id) continue;
        if (!map.rows[i].page) return PERPROP_E_NOPAGEAVAILABLE;
        *page = *map.rows[i].page;
        return S_OK;
    }
    return E_INVALIDARG;
}

STDMETHODIMP QuillmarkControl::GetPredefinedStrings(DISPID id, CALPOLESTR* strings,
                                                    CADWORD* cookies) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!strings || !cookies) return E_POINTER;
    strings->cElems = 0;
    strings->pElems = nullptr;
    cookies->cElems = 0;
    cookies->pElems = nullptr;
    if (id != kClientId) return E_NOTIMPL;
    return comkit::Guarded([&]() -> HRESULT {
        offeredClients_.clear();
        std::vector<ImageControlInterface*> images;
        CollectImageControls(images);
        const std::vector<std::wstring> names = NamesOf(images);
        if (names.empty()) return E_NOTIMPL;
        offeredClients_ = names;
        const ULONG count = static_cast<ULONG>(names.size() + 1);
        auto* texts = static_cast<LPOLESTR*>(CoTaskMemAlloc(count * sizeof(LPOLESTR)));
        auto* numbers = static_cast<DWORD*>(CoTaskMemAlloc(count * sizeof(DWORD)));
        bool complete = texts && numbers;
        for (ULONG i = 0; complete && i < count; ++i) {
            texts[i] = TaskString(i == 0 ? std::wstring(kNoClient) : names[i - 1]);
            numbers[i] = i == 0 ? kNoClientCookie : i - 1;
            if (!texts[i]) {
                for (ULONG j = 0; j < i; ++j) CoTaskMemFree(texts[j]);
                complete = false;
            }
        }
        if (!complete) {
            CoTaskMemFree(texts);
            CoTaskMemFree(numbers);
            return E_OUTOFMEMORY;
        }
        strings->cElems = cookies->cElems = count;
        strings->pElems = texts;
        cookies->pElems = numbers;
        SetDirty(true);
        return S_OK;
    });
}

STDMETHODIMP QuillmarkControl::GetPredefinedValue(DISPID id, DWORD cookie, VARIANT* value) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!value) return E_POINTER;
    VariantInit(value);
    if (id != kClientId) return E_NOTIMPL;
    return comkit::Guarded([&]() -> HRESULT {
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = nullptr;
        if (cookie == kNoClientCookie) return NewText(kNoClient, &V_BSTR(value));
        if (cookie < offeredClients_.size())
            return NewText(offeredClients_[cookie], &V_BSTR(value));
        return S_OK; // a cookie never offered: no name
    });
}

// ControlBase: persistence of the property map through the control's own
// IDispatch, in stream form (IPersistStreamInit, and the "Contents" stream
// of IPersistStorage) and in property bags.
//
// Stream form: the 4-byte stream version, the extent width and height in
// HIMETRIC (4 bytes each), then every property in map order as a 2-byte
// VARTYPE and its value: 2 bytes for VT_I2 and VT_BOOL, 4 for VT_I4 and
// VT_UI4, 8 for VT_R8, a BSTR as a 4-byte byte count including the
// terminating NUL (0 for a null BSTR) and the UTF-16 characters, a font as
// its class id and its own stream data. Integers are little-endian.
#include "comkit/control_base.h"

#include <vector>

namespace comkit {
namespace {

const wchar_t kContents[] = L"Contents";

// Reads from a stream, never past its end: every read of a count first
// checks it against the bytes left.
class BoundedReader {
public:
    explicit BoundedReader(IStream* stream) : stream_(stream) {}

    HRESULT Read(ULONG size, void* data) {
        ULONG got = 0;
        HRESULT hr = stream_->Read(data, size, &got);
        if (FAILED(hr)) return hr;
        return got == size ? S_OK : STG_E_READFAULT;
    }

    // Bytes between the current position and the end of the stream.
    HRESULT Left(ULONGLONG* left) {
        LARGE_INTEGER zero = {};
        ULARGE_INTEGER position = {};
        HRESULT hr = stream_->Seek(zero, STREAM_SEEK_CUR, &position);
        if (FAILED(hr)) return hr;
        STATSTG stat = {};
        hr = stream_->Stat(&stat, STATFLAG_NONAME);
        if (FAILED(hr)) return hr;
        *left = stat.cbSize.QuadPart > position.QuadPart
                    ? stat.cbSize.QuadPart - position.QuadPart
                    : 0;
        return S_OK;
    }

    HRESULT ReadBstr(BSTR* value) {
        *value = nullptr;
        DWORD bytes = 0;
        HRESULT hr = Read(sizeof bytes, &bytes);
        if (FAILED(hr)) return hr;
        if (bytes == 0) return S_OK; // a null string
        ULONGLONG left = 0;
        hr = Left(&left);
        if (FAILED(hr)) return hr;
        if (bytes % 2 != 0 || bytes < 2 || bytes > left) return E_FAIL;
        std::vector<wchar_t> text(bytes / 2);
        hr = Read(bytes, text.data());
        if (FAILED(hr)) return hr;
        if (text.back() != L'\0') return E_FAIL;
        *value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size() - 1));
        return *value ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT ReadFont(IDispatch** font) {
        *font = nullptr;
        CLSID clsid = {};
        HRESULT hr = Read(sizeof clsid, &clsid);
        if (FAILED(hr)) return hr;
        if (IsEqualCLSID(clsid, CLSID_NULL)) return S_OK;
        // Only the system font class: a stream must not pick what we create.
        if (!IsEqualCLSID(clsid, CLSID_StdFont)) return E_FAIL;
        IPersistStream* persist = nullptr;
        hr = CoCreateInstance(CLSID_StdFont, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStream,
                              reinterpret_cast<void**>(&persist));
        if (FAILED(hr)) return hr;
        hr = persist->Load(stream_);
        if (SUCCEEDED(hr))
            hr = persist->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(font));
        persist->Release();
        return hr;
    }

private:
    IStream* stream_;
};

HRESULT Write(IStream* stream, const void* data, ULONG size) {
    ULONG written = 0;
    HRESULT hr = stream->Write(data, size, &written);
    if (FAILED(hr)) return hr;
    return written == size ? S_OK : STG_E_WRITEFAULT;
}

// The bytes of a scalar value of type vt, or 0 when vt is not a scalar.
ULONG ScalarSize(VARTYPE vt) {
    switch (vt) {
    case VT_I2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
        return 4;
    case VT_R8:
        return 8;
    default:
        return 0;
    }
}

// Where the value of a scalar VARIANT lives (all share the union's start).
void* ScalarData(VARIANT& v) { return &v.lVal; }

HRESULT WriteValue(IStream* stream, VARIANT& v) {
    HRESULT hr = Write(stream, &v.vt, sizeof v.vt);
    if (FAILED(hr)) return hr;
    if (ULONG size = ScalarSize(v.vt)) return Write(stream, ScalarData(v), size);
    if (v.vt == VT_BSTR) {
        const UINT chars = v.bstrVal ? SysStringLen(v.bstrVal) : 0;
        const DWORD bytes = v.bstrVal ? (chars + 1) * sizeof(wchar_t) : 0;
        hr = Write(stream, &bytes, sizeof bytes);
        if (SUCCEEDED(hr) && bytes) hr = Write(stream, v.bstrVal, bytes);
        return hr;
    }
    if (v.vt == VT_DISPATCH) {
        if (!v.pdispVal) return Write(stream, &CLSID_NULL, sizeof(CLSID));
        IPersistStream* persist = nullptr;
        hr = v.pdispVal->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist));
        if (FAILED(hr)) return hr;
        hr = OleSaveToStream(persist, stream);
        persist->Release();
        return hr;
    }
    return DISP_E_BADVARTYPE;
}

// Reads one value that must be of type expected.
HRESULT ReadValue(BoundedReader& reader, VARTYPE expected, VARIANT* v) {
    VARTYPE vt = VT_EMPTY;
    HRESULT hr = reader.Read(sizeof vt, &vt);
    if (FAILED(hr)) return hr;
    if (vt != expected) return E_FAIL;
    if (ULONG size = ScalarSize(vt)) {
        hr = reader.Read(size, ScalarData(*v));
    } else if (vt == VT_BSTR) {
        hr = reader.ReadBstr(&v->bstrVal);
    } else if (vt == VT_DISPATCH) {
        hr = reader.ReadFont(&v->pdispVal);
    } else {
        return E_FAIL;
    }
    if (SUCCEEDED(hr)) v->vt = vt;
    return hr;
}

} // namespace

HRESULT ControlBase::GetProperty(DISPID id, VARIANT* value) {
    IDispatch* self = nullptr;
    HRESULT hr = QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&self));
    if (FAILED(hr)) return hr;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    hr = self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value,
                      nullptr, nullptr);
    self->Release();
    return hr;
}

HRESULT ControlBase::PutProperty(DISPID id, VARIANT* value) {
    IDispatch* self = nullptr;
    HRESULT hr = QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&self));
    if (FAILED(hr)) return hr;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value, &named, 1, 1};
    // Objects go by reference when the control offers that, else by value.
    if (value->vt == VT_DISPATCH) {
        hr = self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params,
                          nullptr, nullptr, nullptr);
        if (hr != DISP_E_MEMBERNOTFOUND) {
            self->Release();
            return hr;
        }
    }
    hr = self->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                      nullptr, nullptr);
    self->Release();
    return hr;
}

HRESULT ControlBase::SaveToStream(IStream* stream) {
    const PropertyMap map = Properties();
    DWORD header[3] = {map.streamVersion, static_cast<DWORD>(extent_.cx),
                       static_cast<DWORD>(extent_.cy)};
    HRESULT hr = Write(stream, header, sizeof header);
    for (size_t i = 0; SUCCEEDED(hr) && i < map.count; ++i) {
        VARIANT v;
        VariantInit(&v);
        hr = GetProperty(map.rows[i].dispid, &v);
        if (SUCCEEDED(hr)) hr = VariantChangeType(&v, &v, 0, map.rows[i].type);
        if (SUCCEEDED(hr)) hr = WriteValue(stream, v);
        VariantClear(&v);
    }
    return hr;
}

HRESULT ControlBase::LoadFromStream(IStream* stream) {
    const PropertyMap map = Properties();
    BoundedReader reader(stream);
    DWORD header[3] = {};
    HRESULT hr = reader.Read(sizeof header, header);
    if (FAILED(hr)) return hr;
    if (header[0] > map.streamVersion) return E_FAIL;
    if (static_cast<LONG>(header[1]) < 0 || static_cast<LONG>(header[2]) < 0) return E_FAIL;
    // Every value is read and checked before the first one is put: a stream
    // that is cut short or holds anything unexpected leaves the control as
    // it was.
    std::vector<VARIANT> values(map.count);
    for (VARIANT& v : values) VariantInit(&v);
    for (size_t i = 0; SUCCEEDED(hr) && i < map.count; ++i)
        hr = ReadValue(reader, map.rows[i].type, &values[i]);
    if (SUCCEEDED(hr)) hr = PutAll(values.data(), {static_cast<LONG>(header[1]),
                                                   static_cast<LONG>(header[2])});
    for (VARIANT& v : values) VariantClear(&v);
    return hr;
}

namespace {

// A copy of a value that a later put cannot change under it: an object
// (a font) is cloned, anything else is copied.
HRESULT KeepValue(VARIANT& kept) {
    if (kept.vt != VT_DISPATCH || !kept.pdispVal) return S_OK;
    IFont* font = nullptr;
    HRESULT hr = kept.pdispVal->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font));
    if (FAILED(hr)) return hr;
    IFont* copy = nullptr;
    hr = font->Clone(&copy);
    font->Release();
    if (FAILED(hr)) return hr;
    IDispatch* dispatch = nullptr;
    hr = copy->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    copy->Release();
    if (FAILED(hr)) return hr;
    kept.pdispVal->Release();
    kept.pdispVal = dispatch;
    return S_OK;
}

} // namespace

HRESULT ControlBase::PutAll(VARIANT* values, SIZEL extent) {
    const PropertyMap map = Properties();
    // A put may call out (a notification, the engine): the control stays
    // alive until the load is over, whatever its listeners release.
    AddRef();
    // What every value is now, so that a put refused half-way can be undone:
    // a refused load leaves the control exactly as it was.
    std::vector<VARIANT> before(map.count);
    for (size_t i = 0; i < map.count; ++i) {
        VariantInit(&before[i]);
        if (values[i].vt == VT_EMPTY) continue; // not loaded: not put
        if (FAILED(GetProperty(map.rows[i].dispid, &before[i])) ||
            FAILED(VariantChangeType(&before[i], &before[i], 0, map.rows[i].type)) ||
            FAILED(KeepValue(before[i])))
            VariantClear(&before[i]);
    }
    const bool wasDirty = dirty_;
    HRESULT hr = S_OK;
    size_t done = 0;
    for (; done < map.count; ++done) {
        if (values[done].vt == VT_EMPTY) continue;
        if (FAILED(PutProperty(map.rows[done].dispid, &values[done]))) {
            hr = E_FAIL;
            break;
        }
    }
    if (FAILED(hr)) {
        // The refused value too: a put that fails may have done part of its
        // work. Newest first, so that a value that depends on an earlier one
        // finds it restored last.
        for (size_t i = (done < map.count ? done + 1 : map.count); i-- > 0;)
            if (before[i].vt != VT_EMPTY) PutProperty(map.rows[i].dispid, &before[i]);
        dirty_ = wasDirty;
    } else {
        extent_ = extent;
        dirty_ = false;
    }
    for (VARIANT& v : before) VariantClear(&v);
    Release();
    return hr;
}

STDMETHODIMP ControlBase::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

STDMETHODIMP ControlBase::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP ControlBase::InitNew() {
    dirty_ = false;
    return S_OK;
}

STDMETHODIMP ControlBase::Load(LPSTREAM stream) {
    if (!stream) return E_POINTER;
    return Guarded([&] { return LoadFromStream(stream); });
}

STDMETHODIMP ControlBase::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        HRESULT hr = SaveToStream(stream);
        if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
        return hr;
    });
}

STDMETHODIMP ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return Guarded([&]() -> HRESULT {
        // The size of what Save would write now, measured by writing it.
        IStream* scratch = nullptr;
        HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &scratch);
        if (FAILED(hr)) return hr;
        hr = SaveToStream(scratch);
        STATSTG stat = {};
        if (SUCCEEDED(hr)) hr = scratch->Stat(&stat, STATFLAG_NONAME);
        scratch->Release();
        if (SUCCEEDED(hr)) *size = stat.cbSize;
        return hr;
    });
}

STDMETHODIMP ControlBase::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        // A value missing from the bag (E_INVALIDARG) keeps the control's
        // value; any other failure to read or to put a value fails the load,
        // and nothing is put before every value has been read.
        SIZEL extent = extent_;
        LONG* sides[2] = {&extent.cx, &extent.cy};
        const wchar_t* extentNames[2] = {L"_cx", L"_cy"};
        for (int i = 0; i < 2; ++i) {
            VARIANT v;
            VariantInit(&v);
            v.vt = VT_I4;
            if (SUCCEEDED(bag->Read(extentNames[i], &v, log)) &&
                SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4)) && v.lVal >= 0)
                *sides[i] = v.lVal;
            VariantClear(&v);
        }
        const PropertyMap map = Properties();
        std::vector<VARIANT> values(map.count);
        for (VARIANT& v : values) VariantInit(&v);
        HRESULT hr = S_OK;
        for (size_t i = 0; SUCCEEDED(hr) && i < map.count; ++i) {
            VARIANT& v = values[i];
            v.vt = map.rows[i].type;
            hr = bag->Read(map.rows[i].name, &v, log);
            if (hr == E_INVALIDARG) { // not in the bag: the value stays
                VariantClear(&v);
                hr = S_OK;
                continue;
            }
            if (SUCCEEDED(hr)) hr = VariantChangeType(&v, &v, 0, map.rows[i].type);
            // An object must be a font, and the control gets a copy of its
            // own, never the bag's object.
            if (SUCCEEDED(hr) && v.vt == VT_DISPATCH && v.pdispVal) hr = KeepValue(v);
            if (FAILED(hr)) VariantClear(&v);
        }
        if (SUCCEEDED(hr)) hr = PutAll(values.data(), extent);
        for (VARIANT& v : values) VariantClear(&v);
        return FAILED(hr) ? E_FAIL : S_OK;
    });
}

STDMETHODIMP ControlBase::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = extent_.cx;
        HRESULT hr = bag->Write(L"_cx", &v);
        v.lVal = extent_.cy;
        if (SUCCEEDED(hr)) hr = bag->Write(L"_cy", &v);
        const PropertyMap map = Properties();
        for (size_t i = 0; SUCCEEDED(hr) && i < map.count; ++i) {
            VariantInit(&v);
            hr = GetProperty(map.rows[i].dispid, &v);
            if (SUCCEEDED(hr)) hr = VariantChangeType(&v, &v, 0, map.rows[i].type);
            if (SUCCEEDED(hr)) hr = bag->Write(map.rows[i].name, &v);
            VariantClear(&v);
        }
        if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
        return hr;
    });
}

STDMETHODIMP ControlBase::InitNew(IStorage* storage) {
    if (!storage) return E_POINTER;
    dirty_ = false;
    return S_OK;
}

STDMETHODIMP ControlBase::Load(IStorage* storage) {
    if (!storage) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        IStream* stream = nullptr;
        HRESULT hr = storage->OpenStream(kContents, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                         &stream);
        if (FAILED(hr)) return hr;
        hr = LoadFromStream(stream);
        stream->Release();
        return hr;
    });
}

STDMETHODIMP ControlBase::Save(IStorage* storage, BOOL) {
    if (!storage) return E_POINTER;
    return Guarded([&]() -> HRESULT {
        IStream* stream = nullptr;
        HRESULT hr = storage->CreateStream(
            kContents, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
        if (FAILED(hr)) return hr;
        hr = SaveToStream(stream);
        stream->Release();
        return hr;
    });
}

STDMETHODIMP ControlBase::SaveCompleted(IStorage*) {
    dirty_ = false;
    return S_OK;
}

STDMETHODIMP ControlBase::HandsOffStorage() { return S_OK; }

} // namespace comkit

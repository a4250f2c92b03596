#include "control_mutation_support.h"

#include <olectl.h>

#include <cstdio>
#include <cstring>

#include "quillmark.h"

namespace control_mutations {
namespace {

thread_local IUnknown* subject = nullptr;
thread_local IUnknown* second = nullptr;

Bytes StreamBytes(IStream* stream) {
    STATSTG stat = {};
    Bytes bytes;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return bytes;
    bytes.resize(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    if (!bytes.empty() && (FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got)) ||
                           got != bytes.size()))
        bytes.clear();
    return bytes;
}

IStream* StreamOf(const Bytes& bytes) {
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

void Append(Bytes& out, const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + size);
}

// Reads bytes in order, never past the end.
class Cursor {
public:
    explicit Cursor(const Bytes& bytes) : bytes_(bytes) {}
    bool Take(void* to, size_t size) {
        if (size > bytes_.size() - at_) return false;
        if (size) std::memcpy(to, bytes_.data() + at_, size);
        at_ += size;
        return true;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }
    size_t Left() const { return bytes_.size() - at_; }

private:
    const Bytes& bytes_;
    size_t at_ = 0;
};

// What the system font writes of itself (after its class id), or empty.
Bytes FontBytes(IDispatch* font) {
    Bytes out;
    IPersistStream* persist = nullptr;
    if (!font || FAILED(font->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist))))
        return out;
    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
        if (SUCCEEDED(persist->Save(stream, FALSE))) out = StreamBytes(stream);
        stream->Release();
    }
    persist->Release();
    return out;
}

IDispatch* FontFrom(const Bytes& bytes) {
    IPersistStream* persist = nullptr;
    if (FAILED(CoCreateInstance(CLSID_StdFont, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStream,
                                reinterpret_cast<void**>(&persist))))
        return nullptr;
    IDispatch* font = nullptr;
    IStream* stream = StreamOf(bytes);
    if (stream && SUCCEEDED(persist->Load(stream)))
        persist->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&font));
    if (stream) stream->Release();
    persist->Release();
    return font;
}

} // namespace

void ThreadStart() {
    OleInitialize(nullptr);
    subject = NewControl();
    second = NewControl();
    if (!subject || !second) {
        std::printf("the control cannot be created: is inkctl7.dll registered?\n");
        std::fflush(stdout);
        ExitProcess(2);
    }
}

void ThreadEnd() {
    if (subject) subject->Release();
    if (second) second->Release();
    subject = second = nullptr;
    OleUninitialize();
}

IUnknown* Subject() { return subject; }
IUnknown* Second() { return second; }

IUnknown* NewControl() {
    IUnknown* control = nullptr;
    if (FAILED(CoCreateInstance(CLSID_Quillmark, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&control))))
        return nullptr;
    return control;
}

Bytes SaveStream(IUnknown* control) {
    IPersistStreamInit* persist = nullptr;
    Bytes bytes;
    if (FAILED(control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))))
        return bytes;
    IStream* stream = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
        if (persist->Save(stream, TRUE) == S_OK) bytes = StreamBytes(stream);
        stream->Release();
    }
    persist->Release();
    return bytes;
}

HRESULT LoadStream(IUnknown* control, const Bytes& bytes) {
    IPersistStreamInit* persist = nullptr;
    HRESULT hr = control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    if (FAILED(hr)) return hr;
    IStream* stream = StreamOf(bytes);
    hr = stream ? persist->Load(stream) : E_OUTOFMEMORY;
    if (stream) stream->Release();
    persist->Release();
    return hr;
}

// ---- BytesPropertyBag ----

BytesPropertyBag::BytesPropertyBag(const Bytes& bytes) {
    Cursor in(bytes);
    while (!in.AtEnd()) {
        uint16_t chars = 0;
        if (!in.Take(&chars, 2) || chars * 2u > in.Left()) break;
        std::wstring name(chars, L'\0');
        in.Take(&name[0], chars * 2u);
        VARTYPE vt = VT_EMPTY;
        if (!in.Take(&vt, 2)) break;
        VARIANT v;
        VariantInit(&v);
        bool ok = true;
        switch (vt) {
        case VT_I2:
        case VT_BOOL:
            ok = in.Take(&v.iVal, 2);
            break;
        case VT_I4:
        case VT_UI4:
            ok = in.Take(&v.lVal, 4);
            break;
        case VT_BSTR: {
            uint32_t count = 0;
            ok = in.Take(&count, 4) && count <= in.Left() / 2;
            if (ok) {
                std::wstring text(count, L'\0');
                in.Take(count ? &text[0] : nullptr, count * 2u);
                v.bstrVal = SysAllocStringLen(text.data(), count);
                ok = v.bstrVal != nullptr;
            }
            break;
        }
        case VT_DISPATCH: {
            uint32_t size = 0;
            ok = in.Take(&size, 4) && size <= in.Left();
            if (ok && size) {
                Bytes data(size);
                in.Take(data.data(), size);
                v.pdispVal = FontFrom(data);
                ok = v.pdispVal != nullptr;
            }
            break;
        }
        default:
            ok = false;
        }
        if (!ok) break;
        v.vt = vt;
        values_.emplace_back(std::move(name), v);
    }
}

BytesPropertyBag::~BytesPropertyBag() {
    for (auto& entry : values_) VariantClear(&entry.second);
}

STDMETHODIMP BytesPropertyBag::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyBag)) {
        *object = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BytesPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    // The last pair of a name wins, as a form file read top to bottom.
    for (auto entry = values_.rbegin(); entry != values_.rend(); ++entry) {
        if (entry->first != name) continue;
        const VARTYPE wanted = value->vt;
        VariantInit(value);
        if (wanted == VT_EMPTY) return VariantCopy(value, &entry->second);
        return VariantChangeType(value, &entry->second, 0, wanted);
    }
    return E_INVALIDARG;
}

STDMETHODIMP BytesPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, value);
    if (FAILED(hr)) return hr;
    values_.emplace_back(name, copy);
    return S_OK;
}

Bytes BytesPropertyBag::Serialise() const {
    Bytes out;
    for (const auto& entry : values_) {
        const VARIANT& v = entry.second;
        const uint16_t chars = static_cast<uint16_t>(entry.first.size());
        Append(out, &chars, 2);
        Append(out, entry.first.data(), chars * 2u);
        Append(out, &v.vt, 2);
        switch (v.vt) {
        case VT_I2:
        case VT_BOOL:
            Append(out, &v.iVal, 2);
            break;
        case VT_I4:
        case VT_UI4:
            Append(out, &v.lVal, 4);
            break;
        case VT_BSTR: {
            const uint32_t count = v.bstrVal ? SysStringLen(v.bstrVal) : 0;
            Append(out, &count, 4);
            Append(out, v.bstrVal, count * 2u);
            break;
        }
        case VT_DISPATCH: {
            const Bytes font = FontBytes(v.pdispVal);
            const uint32_t size = static_cast<uint32_t>(font.size());
            Append(out, &size, 4);
            Append(out, font.data(), font.size());
            break;
        }
        default:
            break; // never written by the control
        }
    }
    return out;
}

Bytes SaveBag(IUnknown* control) {
    IPersistPropertyBag* persist = nullptr;
    if (FAILED(control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist))))
        return {};
    BytesPropertyBag bag;
    const HRESULT hr = persist->Save(&bag, TRUE, TRUE);
    persist->Release();
    return hr == S_OK ? bag.Serialise() : Bytes{};
}

HRESULT LoadBag(IUnknown* control, const Bytes& bytes) {
    IPersistPropertyBag* persist = nullptr;
    HRESULT hr = control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist));
    if (FAILED(hr)) return hr;
    BytesPropertyBag bag(bytes);
    hr = persist->Load(&bag, nullptr);
    persist->Release();
    return hr;
}

HRESULT Put(IUnknown* control, DISPID id, VARIANT value) {
    IDispatch* dispatch = nullptr;
    HRESULT hr = control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (FAILED(hr)) return hr;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                          value.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT,
                          &params, nullptr, nullptr, nullptr);
    dispatch->Release();
    return hr;
}

mutation::Verdict Judge(const Bytes& input, Saver save, Loader load, std::string& note) {
    IUnknown* control = Subject();
    const Bytes before = SaveStream(control);
    if (before.empty()) {
        note = "the control could not be saved before the load";
        return mutation::Verdict::Failed;
    }
    const HRESULT hr = load(control, input);
    if (FAILED(hr)) {
        if (SaveStream(control) != before) {
            char what[64];
            std::snprintf(what, sizeof what, "refused with 0x%08lX", hr);
            note = what;
            return mutation::Verdict::RefusedButChanged;
        }
        return mutation::Verdict::Refused;
    }
    // One round: what the load gave, saved, loaded elsewhere and saved again.
    const Bytes first = save(control);
    if (first.empty() || FAILED(load(Second(), first))) {
        note = "the re-saved form of an accepted load is refused";
        return mutation::Verdict::Unstable;
    }
    if (save(Second()) != first || SaveStream(Second()) != SaveStream(control)) {
        note = "a save, load and save differ";
        return mutation::Verdict::Unstable;
    }
    return mutation::Verdict::Accepted;
}

namespace {

VARIANT Long(LONG v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}

VARIANT Flag(bool v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

VARIANT Text(const wchar_t* text) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BSTR;
    r.bstrVal = SysAllocString(text);
    return r;
}

} // namespace

std::vector<Bytes> SeedForms(Saver save) {
    const std::vector<std::vector<std::pair<const wchar_t*, VARIANT>>> settings = {
        {}, // the fresh control
        {{L"DefaultPenColor", Long(0x000000FF)}, {L"DefaultFillColor", Long(0x00FFFF00)},
         {L"DefaultPenWidth", Long(3)}, {L"DefaultTextColor", Long(0x00112233)},
         {L"DefaultBackColor", Long(0x00FFFFFF)}, {L"Subject", Text(L"Subject line")},
         {L"Author", Text(L"Author name")}, {L"Comments", Text(L"Some comments")},
         {L"Title", Text(L"A title")}, {L"DefaultHighlightFill", Flag(true)},
         {L"EnableContextMenu", Flag(false)}, {L"DefaultStampText", Text(L"Approved")},
         {L"DefaultButtonText", Text(L"Go")}, {L"PreserveWTLayers", Flag(true)},
         {L"RequireToolPalette", Flag(false)}, {L"TIFFAnnotationType", Long(1)},
         {L"AllowPaint", Flag(false)}, {L"UnicodeMode", Flag(true)},
         {L"MLECompatible", Flag(true)}, {L"FontScaling", Long(1)},
         {L"RecalibrateXDPI", Long(150)}, {L"RecalibrateYDPI", Long(300)}},
        {{L"Subject", Text(L"")}, {L"Author", Text(L"\x00e9crit \x4e2d")},
         {L"DefaultTool", Long(4098)}, {L"InteractMode", Long(1)},
         {L"SaveAnnotations", Flag(false)}, {L"UsePaletteMenu", Flag(false)},
         {L"LoadAnnotations", Flag(false)}, {L"QMKEditors", Flag(true)},
         {L"TextToolArrows", Flag(true)}},
    };
    std::vector<Bytes> forms;
    for (const auto& set : settings) {
        IUnknown* control = NewControl();
        if (!control) break;
        IDispatch* dispatch = nullptr;
        control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        for (const auto& entry : set) {
            LPOLESTR name = const_cast<LPOLESTR>(entry.first);
            DISPID id = DISPID_UNKNOWN;
            if (dispatch &&
                SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
                Put(control, id, entry.second);
        }
        if (dispatch) dispatch->Release();
        forms.push_back(save(control));
        control->Release();
        for (const auto& entry : set) VariantClear(const_cast<VARIANT*>(&entry.second));
    }
    return forms;
}

int RunFormLoop(const char* name, const char* seedLabel, Saver save, Loader load, int argc,
                char** argv) {
    mutation::Loop loop;
    loop.name = name;
    OleInitialize(nullptr);
    const std::vector<Bytes> forms = SeedForms(save);
    OleUninitialize();
    for (size_t i = 0; i < forms.size(); ++i)
        if (!forms[i].empty())
            mutation::AddSeed(loop.seeds, std::string(seedLabel) + " " + std::to_string(i), forms[i]);
    loop.threadStart = ThreadStart;
    loop.threadEnd = ThreadEnd;
    loop.judge = [save, load](const mutation::Case& input, std::string& note) {
        return Judge(input.bytes, save, load, note);
    };
    return mutation::Run(loop, argc, argv);
}

} // namespace control_mutations

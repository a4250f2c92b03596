// Vistrel7Control as the client of an annotation control: the query
// message, ImageControlInterface, and what the view hands to the control's
// entries (painting, input, the annotation tags of its TIFF files).
//
// Every entry may call back into the view, unbind it or release it; each
// call holds a reference to the view and reads the table afresh.
#include "vistrel7_control.h"

#include "binding_trace.h"

#include <objbase.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The tags whose data is annotations, in the order they are handed over.
constexpr int kAnnotationTags[] = {kTiffTagWang, kTiffTagQuillmark};

// Holds a reference to the view while an entry runs.
class Hold {
public:
    explicit Hold(IUnknown* unknown) : unknown_(unknown) { unknown_->AddRef(); }
    ~Hold() { unknown_->Release(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    IUnknown* unknown_;
};

bool IsMouseMessage(UINT msg) {
    return msg == WM_SETCURSOR || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST);
}

bool IsKeyMessage(UINT msg) { return msg >= WM_KEYFIRST && msg <= WM_KEYLAST; }

} // namespace

// ---- the query message ----

LRESULT Vistrel7Control::AnswerControlQuery(WPARAM wp, LPARAM lp) {
    if (wp != kControlQueryParam || !lp) return 0;
    auto** answer = reinterpret_cast<ImageControlInterface**>(lp);
    if (*answer) return 0; // someone answered already: keep theirs
    viewer::Trace(L"ControlQueryMessage");
    *answer = static_cast<ImageControlInterface*>(this);
    AddRef();
    return 1;
}

// ---- ImageControlInterface ----

STDMETHODIMP Vistrel7Control::SetAnnotateServer(IAnnotateServer7* server) {
    viewer::Trace(L"SetAnnotateServer");
    if (server) server->AddRef();
    IAnnotateServer7* old = std::exchange(server_, server);
    if (old) old->Release();
    return S_OK;
}

STDMETHODIMP Vistrel7Control::ReleaseAnnotateServer() {
    viewer::Trace(L"ReleaseAnnotateServer");
    Hold hold(static_cast<IVistrel7*>(this));
    Unbind();
    return S_OK;
}

void Vistrel7Control::Unbind() {
    table_ = nullptr;
    ctx_ = nullptr;
    annotationTag_ = 0;
    if (IAnnotateServer7* old = std::exchange(server_, nullptr)) old->Release();
}

STDMETHODIMP Vistrel7Control::Unused() { return E_NOTIMPL; }

STDMETHODIMP Vistrel7Control::SetAnnotationCallbacks(HostContext ctx, HostCallbackTable* table) {
    viewer::Trace(L"SetAnnotationCallbacks");
    Hold hold(static_cast<IVistrel7*>(this));
    // A null table unbinds: from then on the view calls nothing.
    table_ = nullptr;
    ctx_ = nullptr;
    annotationTag_ = 0;
    if (!table) return S_OK;
    if (table->Version != kHostCallbackTableVersion) return E_INVALIDARG;
    table_ = table;
    ctx_ = ctx;
    // The cookie first: the services are handed to the engine with it.
    if (table_ && table_->SetHostCookie) table_->SetHostCookie(ctx_, cookie_);
    if (table_ && table_->SetHostServices) table_->SetHostServices(ctx_, &services_);
    GiveHostWindow();
    // Annotations travel with the files the view saves.
    if (table_ && table_->SetSaveSuppressed) table_->SetSaveSuppressed(ctx_, 0);
    // A picture shown already brings its annotations now.
    LoadTagAnnotations(false);
    return S_OK;
}

void Vistrel7Control::GiveHostWindow() {
    if (table_ && table_->SetHostWindow && Window()) table_->SetHostWindow(ctx_, Window());
}

STDMETHODIMP Vistrel7Control::GetControlName(BSTR* name) {
    // The name the container knows the view by: its ambient display name.
    if (!name) return E_POINTER;
    *name = nullptr;
    viewer::Trace(L"GetControlName");
    VARIANT value;
    VariantInit(&value);
    if (FAILED(GetAmbient(DISPID_AMBIENT_DISPLAYNAME, &value))) return E_FAIL;
    HRESULT hr = VariantChangeType(&value, &value, 0, VT_BSTR);
    if (SUCCEEDED(hr)) {
        *name = value.bstrVal; // handed over
        value.vt = VT_EMPTY;
    }
    VariantClear(&value);
    return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

void Vistrel7Control::OnAmbientChanged(DISPID id) {
    // The container renamed the view: the annotation control follows.
    if (id != DISPID_AMBIENT_DISPLAYNAME && id != DISPID_UNKNOWN) return;
    if (!server_) return;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(GetAmbient(DISPID_AMBIENT_DISPLAYNAME, &value)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR))) {
        Hold hold(static_cast<IVistrel7*>(this));
        IAnnotateServer7* server = server_;
        server->AddRef();
        viewer::Trace(L"NameChange");
        server->NameChange(value.bstrVal);
        server->Release();
    }
    VariantClear(&value);
}

// ---- painting and input ----

void Vistrel7Control::PaintAnnotations(HDC dc, const RECT& bounds) {
    if (!table_ || !table_->PaintAnnotations || picture_.Empty()) return;
    Hold hold(static_cast<IVistrel7*>(this));
    RECT view = bounds, image = {};
    Geometry(nullptr, &view, &image, nullptr, nullptr);
    table_->PaintAnnotations(ctx_, dc, 0, 0, 0, &view, &image);
}

bool Vistrel7Control::ForwardInput(UINT msg, WPARAM wp, LPARAM lp) {
    if (!table_ || !Window()) return false;
    Hold hold(static_cast<IVistrel7*>(this));
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        if (table_->FocusMessage) table_->FocusMessage(ctx_, msg);
        return false; // the view's own handling follows
    }
    HostWindowMessageFn entry = IsMouseMessage(msg) ? table_->MouseMessage
                                : IsKeyMessage(msg) ? table_->KeyMessage
                                                    : nullptr;
    // 0: the annotations took it; anything else leaves it to the view.
    return entry && entry(ctx_, Window(), msg, wp, lp) == 0;
}

// ---- the annotation tags of a TIFF ----

void Vistrel7Control::LoadTagAnnotations(bool clear) {
    if (!table_) return;
    Hold hold(static_cast<IVistrel7*>(this));
    annotationTag_ = 0;
    haveBaseline_ = false;
    // The annotations of the picture shown before are not this one's.
    if (clear && table_ && table_->ClearAnnotations) table_->ClearAnnotations(ctx_);
    for (int tag : kAnnotationTags) {
        if (!table_ || !table_->LoadTiffTagAnnotations) return;
        const std::vector<uint8_t>* kept = picture_.PrivateTag(static_cast<uint16_t>(tag));
        if (!kept || kept->empty()) continue;
        // A copy: the entry may show another picture while it runs.
        const std::vector<uint8_t> data = *kept;
        handingTags_ = true;
        tagsTaken_ = false;
        viewer::Trace(L"LoadTiffTagAnnotations " + std::to_wstring(tag));
        table_->LoadTiffTagAnnotations(ctx_, data.data(), static_cast<int>(data.size()),
                                       picture_.Width(), picture_.Height(), tag);
        handingTags_ = false;
        // Data the entries could not read stays as it was, to be saved again.
        if (tagsTaken_) annotationTag_ = tag;
    }
}

void Vistrel7Control::AskTagAnnotations(std::vector<uint8_t>* bytes, int* tag) {
    bytes->clear();
    *tag = 0;
    if (!table_ || !table_->SaveTiffTagAnnotations) return;
    Hold hold(static_cast<IVistrel7*>(this));
    void* data = nullptr;
    viewer::Trace(L"SaveTiffTagAnnotations");
    const int length = table_->SaveTiffTagAnnotations(ctx_, &data, tag);
    if (data && length > 0) {
        const auto* first = static_cast<const uint8_t*>(data);
        bytes->assign(first, first + length);
    }
    if (data) CoTaskMemFree(data);
}

void Vistrel7Control::TakeTagAnnotations() {
    if (!table_ || !table_->SaveTiffTagAnnotations) return;
    std::vector<uint8_t> bytes;
    int tag = 0;
    AskTagAnnotations(&bytes, &tag);
    if (!bytes.empty() && (tag == kTiffTagWang || tag == kTiffTagQuillmark)) {
        picture_.SetPrivateTag(static_cast<uint16_t>(tag), std::move(bytes));
        annotationTag_ = tag;
    } else if (bytes.empty() && annotationTag_) {
        // The annotations the file brought were all deleted.
        picture_.SetPrivateTag(static_cast<uint16_t>(annotationTag_), {});
        annotationTag_ = 0;
    }
}

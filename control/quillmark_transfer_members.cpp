// The Quillmark members that store annotations or move them through the
// clipboard with checks of their own, and the element picture getter that
// hands out nothing.
#include "quillmark_control.h"

#include "comkit/module.h"

namespace {

constexpr int kErrFileWrite = 1008;
constexpr int kErrNoSelection = 1016;

} // namespace

STDMETHODIMP QuillmarkControl::StoreAnnotation(BSTR FileName) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return comkit::Guarded([&]() -> HRESULT {
        AnnotationEngine* engine = Engine();
        if (!engine) return ReportError(quillmark::kErrInvalidContext);
        // Until the client lets saving happen, no file is written.
        if (saveSuppressed_) return ReportError(kErrFileWrite);
        return ReportError(engine->StoreAnnotation(FileName));
    });
}

HRESULT QuillmarkControl::CopySelection(bool thenDelete) {
    return comkit::Guarded([&]() -> HRESULT {
        AnnotationEngine* engine = Engine();
        if (!engine) return ReportError(quillmark::kErrInvalidContext);
        const int layer = engine->GetCurrentLayer();
        if (layer == 0) return ReportError(quillmark::kErrNoCurrentLayer);
        if (!engine->IsSelection(layer)) return ReportError(kErrNoSelection);
        const int copied = engine->CopyToClipboard(layer, 1);
        // Only what is safely on the clipboard is deleted.
        if (copied != 0) return ReportError(copied);
        // The copy may have called out: the engine is looked up again.
        if (thenDelete)
            if (AnnotationEngine* now = Engine()) now->DeleteSelected();
        return S_OK;
    });
}

STDMETHODIMP QuillmarkControl::Cut() {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return CopySelection(true);
}

STDMETHODIMP QuillmarkControl::Copy() {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return CopySelection(false);
}

STDMETHODIMP QuillmarkControl::Paste() {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return comkit::Guarded([&]() -> HRESULT {
        AnnotationEngine* engine = Engine();
        if (!engine) return ReportError(quillmark::kErrInvalidContext);
        const int layer = engine->GetCurrentLayer();
        if (layer == 0) return ReportError(quillmark::kErrNoCurrentLayer);
        if (!engine->IsPasteAvailable()) return S_OK;
        return ReportError(engine->Paste(layer));
    });
}

STDMETHODIMP QuillmarkControl::ElementGetDIBHandle(long, long* pDIBHandle) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    // The element's picture stays the engine's: nothing is handed out.
    return pDIBHandle ? S_OK : E_POINTER;
}

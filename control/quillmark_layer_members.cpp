// The Quillmark members that change the current layer or load layers and
// report it with events themselves.
#include "quillmark_control.h"

#include "control_events.h"

#include <vector>

STDMETHODIMP QuillmarkControl::DeleteLayer(long layerHandle) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const int previous = engine->GetCurrentLayer();
    if (!engine->DeleteLayer(layerHandle)) return ReportError(quillmark::kErrInvalidLayer);
    if (previous == layerHandle) quillmark::FireCurrentLayerChange(*this, 0);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_CurrentLayer(long newVal) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const int previous = engine->GetCurrentLayer();
    if (!engine->SetCurrentLayer(newVal)) return ReportError(quillmark::kErrInvalidLayer);
    if (newVal != previous) quillmark::FireCurrentLayerChange(*this, newVal);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::RetrieveAnnotation(BSTR FileName) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const int previous = engine->GetCurrentLayer();
    const int result = engine->RetrieveAnnotation(FileName);
    if (result == 0) {
        // The layers as they stand now; a handler may change them as they go.
        std::vector<int> layers;
        for (int layer = engine->GetFirstLayer(); layer != 0; layer = engine->GetNextLayer())
            layers.push_back(layer);
        for (int layer : layers) quillmark::FireLayerRestored(*this, layer);
    }
    // A handler may have let the engine go.
    engine = Engine();
    if (engine && engine->GetCurrentLayer() != previous) quillmark::ReportCurrentLayer(*this);
    return ReportError(result);
}

STDMETHODIMP QuillmarkControl::SetAnnFromVariant(VARIANT* v) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const int previous = engine->GetCurrentLayer();
    int width = -1;
    int height = -1;
    const int result = engine->SetAnnFromVariant(v, &width, &height);
    const int current = engine->GetCurrentLayer();
    const HRESULT hr = ReportError(result);
    if (current != previous) {
        SetReportedLayer(current);
        quillmark::FireCurrentLayerChange(*this, current);
    }
    return hr;
}

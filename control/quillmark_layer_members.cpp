// The Quillmark members that make, select and clear layers, tell the bound
// client of a change of the current layer, or load layers and report it with
// events themselves.
//
// Every one of them calls out (the engine raises events, the client's
// service is told), and a host may let go of the control from there: each
// holds the control for its own extent and looks the engine up again after
// each call out.
#include "quillmark_control.h"

#include "control_events.h"
#include "member_conversions.h"

#include <vector>

using quillmark::ControlHold;

STDMETHODIMP QuillmarkControl::CreateLayer(long* layerHandle) {
    if (!layerHandle) return E_POINTER;
    *layerHandle = 0;
    // Layers are made for the client's image: nothing is done unbound.
    if (!HoldsHostServices()) return S_OK;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const ControlHold hold(static_cast<IQuillmark*>(this));
    const int layer = engine->CreateLayer(1);
    if (layer == 0) return ReportError(quillmark::kErrCreateLayer);
    SetReportedLayer(layer);
    *layerHandle = layer;
    HostCurrentLayerChanged(-1);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::SetCurrentLayer(long layerHandle) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const ControlHold hold(static_cast<IQuillmark*>(this));
    if (!engine->SetCurrentLayer(layerHandle)) return ReportError(quillmark::kErrInvalidLayer);
    EngineValue active = 0;
    engine = Engine();
    if (!engine || engine->GetLayerProperty(layerHandle, QMK_LayerActive, &active) != 0)
        active = 0;  // no layer (0), or one that went meanwhile: not active
    HostCurrentLayerChanged(static_cast<int>(active));
    return S_OK;
}

STDMETHODIMP QuillmarkControl::Clear() {
    const ControlHold hold(static_cast<IQuillmark*>(this));
    if (AnnotationEngine* engine = Engine()) engine->DeleteAllLayers();
    SetReportedLayer(0);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_Active(VARIANT_BOOL newVal) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const int layer = engine->GetCurrentLayer();
    if (layer == 0) return ReportError(quillmark::kErrInvalidLayer);
    const ControlHold hold(static_cast<IQuillmark*>(this));
    const int r = engine->SetLayerProperty(layer, QMK_LayerActive, quillmark::Flag01(newVal));
    // The client hears of the flag as given, whatever the engine made of it.
    HostCurrentLayerChanged(newVal);
    return ReportError(r);
}

STDMETHODIMP QuillmarkControl::DeleteLayer(long layerHandle) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const ControlHold hold(static_cast<IQuillmark*>(this));
    const int previous = engine->GetCurrentLayer();
    if (!engine->DeleteLayer(layerHandle)) return ReportError(quillmark::kErrInvalidLayer);
    if (previous == layerHandle) quillmark::FireCurrentLayerChange(*this, 0);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::put_CurrentLayer(long newVal) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const ControlHold hold(static_cast<IQuillmark*>(this));
    const int previous = engine->GetCurrentLayer();
    if (!engine->SetCurrentLayer(newVal)) return ReportError(quillmark::kErrInvalidLayer);
    if (newVal != previous) quillmark::FireCurrentLayerChange(*this, newVal);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::RetrieveAnnotation(BSTR FileName) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const ControlHold hold(static_cast<IQuillmark*>(this));
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
    const ControlHold hold(static_cast<IQuillmark*>(this));
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

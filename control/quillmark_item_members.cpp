// The item members whose bodies are the control's own: changing one
// coordinate of an item's point.
#include "quillmark_control.h"

#include "member_conversions.h"

namespace {

enum class Axis { X, Y };

// Reads the point, replaces one coordinate, writes the point back.
HRESULT SetPointCoordinate(QuillmarkControl& control, long layer, long seq, long which,
                           Axis axis, long value) {
    AnnotationEngine* engine = control.Engine();
    if (!engine) return control.ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(&control));
    POINT point = {0, 0};
    const int r = engine->PrgGetItemPoint(layer, seq, which, &point);
    if (r != 0) return control.ReportError(r);
    (axis == Axis::X ? point.x : point.y) = value;
    engine = control.Engine();  // the read may have reached a host that let it go
    if (!engine) return control.ReportError(quillmark::kErrInvalidContext);
    return control.ReportError(engine->PrgSetItemPoint(layer, seq, which, &point));
}

} // namespace

STDMETHODIMP QuillmarkControl::PrgSetItemPointX(long layerHandle, long seqNum, long whichPoint,
                                                long newVal) {
    return SetPointCoordinate(*this, layerHandle, seqNum, whichPoint, Axis::X, newVal);
}

STDMETHODIMP QuillmarkControl::PrgSetItemPointY(long layerHandle, long seqNum, long whichPoint,
                                                long newVal) {
    return SetPointCoordinate(*this, layerHandle, seqNum, whichPoint, Axis::Y, newVal);
}

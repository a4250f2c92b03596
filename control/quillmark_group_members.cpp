// The group members whose bodies are the control's own.
#include "quillmark_control.h"

// Written out rather than generated: the generated bodies keep a local named
// value, which would hide this member's parameter of that name.
STDMETHODIMP QuillmarkControl::GrpSetAttribute(long layerHandle, long groupID, long attributeID,
                                               long value) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    return ReportError(engine->GrpSetAttribute(layerHandle, groupID, attributeID,
                                               static_cast<EngineValue>(value)));
}

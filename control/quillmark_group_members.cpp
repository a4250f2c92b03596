// The group members whose bodies are the control's own.
#include "quillmark_control.h"

#include "member_conversions.h"

// Written out rather than generated: the generated bodies keep a local named
// value, which would hide this member's parameter of that name. The engine
// would take the value of an address attribute as an address, so those
// codes are refused.
STDMETHODIMP QuillmarkControl::GrpSetAttribute(long layerHandle, long groupID, long attributeID,
                                               long value) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    if (!quillmark::IsValueAttribute(attributeID))
        return ReportError(quillmark::kErrInvalidAttribute);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return ReportError(engine->GrpSetAttribute(layerHandle, groupID, attributeID,
                                               static_cast<EngineValue>(value)));
}

// The attribute properties of the current tool: PenColor, TextColor and the
// others read and change the attribute map of the current layer's current
// tool, the values that the next annotation drawn with it receives.
#include "quillmark_control.h"

#include "member_conversions.h"

#include <type_traits>

namespace {

using quillmark::Bool;
using quillmark::FlagSigned;

// How a property's value crosses: as it is, or a flag as 0/-1.
template <class T>
EngineValue PlainIn(T v) {
    return quillmark::V(v);
}
template <class T>
T PlainOut(EngineValue v) {
    if constexpr (std::is_pointer<T>::value)
        return reinterpret_cast<T>(v);
    else
        return static_cast<T>(v);
}
// A string out starts null, so that a failure leaves nothing to free.
template <class T>
void ClearOut(T* p) {
    if constexpr (std::is_pointer<T>::value) *p = nullptr;
}
template <class T>
EngineValue FlagIn(T v) {
    return FlagSigned(v);
}
template <class T>
T FlagOut(EngineValue v) {
    return Bool(v);
}

// The current layer and its tool, or the code to report: 1033 without an
// engine, 1004 without a current layer.
struct CurrentTool {
    AnnotationEngine* engine = nullptr;
    int layer = 0;
    int tool = 0;
    int error = 0;
};

CurrentTool FindCurrentTool(AnnotationEngine* engine) {
    CurrentTool current;
    current.engine = engine;
    if (!engine) {
        current.error = quillmark::kErrInvalidContext;
        return current;
    }
    current.layer = engine->GetCurrentLayer();
    if (current.layer == 0) {
        current.error = quillmark::kErrNoCurrentLayer;
        return current;
    }
    engine->GetTool(current.layer, &current.tool); // a layer always has a tool to ask for
    return current;
}

} // namespace

// Each row: the property, its attribute code, its automation type and how
// the value crosses (Plain or Flag). The getter answers E_NOTIMPL at design
// time, where the properties have no meaning; the setter has no such test
// and reports the missing engine instead.
#define QM_TOOL_ATTRIBUTE_PROPERTIES(X)             \
    X(PenColor, QMK_PenColor, OLE_COLOR, Plain)     \
    X(TextColor, QMK_TextColor, OLE_COLOR, Plain)   \
    X(BackColor, QMK_BackColor, OLE_COLOR, Plain)   \
    X(FillColor, QMK_FillColor, OLE_COLOR, Plain)   \
    X(PenWidth, QMK_PenWidth, long, Plain)          \
    X(HighlightBack, QMK_HighlightBack, VARIANT_BOOL, Flag) \
    X(HighlightFill, QMK_HighlightFill, VARIANT_BOOL, Flag) \
    X(Text, QMK_Text, BSTR, Plain)                  \
    X(LineEndStyle, QMK_EndPtStyle, LineEndStyle, Plain)

#define QM_TOOL_ATTRIBUTE_BODIES(name, code, type, kind)                                 \
    STDMETHODIMP QuillmarkControl::get_##name(type* pVal) {                             \
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));              \
        return comkit::Guarded([&]() -> HRESULT {                                       \
            if (!pVal) return E_POINTER;                                                \
            ClearOut(pVal);                                                             \
            if (!IsUserMode()) return E_NOTIMPL;                                        \
            const CurrentTool current = FindCurrentTool(Engine());                      \
            if (current.error) return ReportError(current.error);                       \
            EngineValue value = 0;                                                      \
            const int r = current.engine->GetToolAttribute(current.layer, current.tool, \
                                                           code, &value);               \
            if (r == 0) *pVal = kind##Out<type>(value);                                 \
            return ReportError(r);                                                      \
        });                                                                             \
    }                                                                                   \
    STDMETHODIMP QuillmarkControl::put_##name(type newVal) {                            \
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));              \
        return comkit::Guarded([&]() -> HRESULT {                                       \
            const CurrentTool current = FindCurrentTool(Engine());                      \
            if (current.error) return ReportError(current.error);                       \
            return ReportError(current.engine->SetToolAttribute(                        \
                current.layer, current.tool, code, kind##In<type>(newVal)));            \
        });                                                                             \
    }

QM_TOOL_ATTRIBUTE_PROPERTIES(QM_TOOL_ATTRIBUTE_BODIES)

// The generated bodies of IQuillmark: every FORWARD and FORWARD_LAYER row of
// the member table becomes a forwarding body, every NOTIMPL row a body answering E_NOTIMPL.
// CUSTOM rows are the control class's own.
//
// The class the bodies belong to is QuillmarkControl; a test may compile this
// file for a class of its own by defining QUILLMARK_MEMBER_CLASS and
// QUILLMARK_MEMBER_HEADER (a class with the members of member_support.h).
#ifndef QUILLMARK_MEMBER_CLASS
#define QUILLMARK_MEMBER_CLASS QuillmarkControl
#define QUILLMARK_MEMBER_HEADER "quillmark_control.h"
#endif
#include QUILLMARK_MEMBER_HEADER

#include "comkit/module.h"
#include "member_conversions.h"
#include "member_support.h"

static_assert(quillmark::MemberSupportCheck<QUILLMARK_MEMBER_CLASS>::value,
              "the control class offers what the generated bodies call");

// Members not built yet keep their parameters unnamed in spirit only.
#pragma GCC diagnostic ignored "-Wunused-parameter"

#define P_IN(type, name) type name
#define P_OUT(type, name) type* name
#define P_RET(type, name) type* name
#define P_INOUT(type, name) type* name
#define QM_NAME_METHOD(name) name
#define QM_NAME_PROPGET(name) get_##name
#define QM_NAME_PROPPUT(name) put_##name
#define QM_NAME_PROPPUTREF(name) putref_##name

#define QM_RESULT_MAPPED return ReportError(r);
#define QM_RESULT_MENU return ReportError(r == -1 ? 1039 : r);
#define QM_RESULT_IGNORED (void)r; return S_OK;
#define QM_RESULT_BYTE_BOOL_IGNORED(p) (void)r; *p = Bool(byte); return S_OK;
#define QM_RESULT_STORE(p) *p = r; return S_OK;
#define QM_RESULT_STORE_BOOL(p) *p = Bool(r); return S_OK;
#define QM_RESULT_VALUE_BOOL(p) if (r == 0) { *p = Bool(value); } return ReportError(r);
#define QM_RESULT_VALUE_BOOL_ALWAYS(p) *p = Bool(value); return ReportError(r);
#define QM_RESULT_BYTE_BOOL(p) if (r == 0) { *p = Bool(byte); } return ReportError(r);
#define QM_RESULT_BYTE_BOOL_ALWAYS(p) *p = Bool(byte); return ReportError(r);
#define QM_RESULT_BACKSTYLE(p) \
    if (r == 0) { *p = static_cast<std::remove_pointer_t<decltype(p)>>(BackStyleOut(value)); } \
    return ReportError(r);
#define QM_RESULT_TOOL_DEFAULT(attribute, p) \
    if (r == 0) { *p = ToolDefaultOut(attribute, value); } return ReportError(r);
#define QM_RESULT_RECT_OUT(pl, pt, pr, pb) \
    if (r == 0) { *pl = rect.left; *pt = rect.top; *pr = rect.right; *pb = rect.bottom; } \
    return ReportError(r);
#define QM_RESULT_POINT_OUT(px, py) \
    if (r == 0) { *px = point.x; *py = point.y; } return ReportError(r);
#define QM_RESULT_POINT_X(p) if (r == 0) { *p = point.x; } return ReportError(r);
#define QM_RESULT_POINT_Y(p) if (r == 0) { *p = point.y; } return ReportError(r);
#define QM_RESULT_FLOAT_BITS(p) *p = FloatBits(value); return ReportError(r);

#define QM_CUSTOM(name, n, call, params)
#define QM_NOTIMPL(name, n, call, params) \
    STDMETHODIMP QUILLMARK_MEMBER_CLASS::QM_NAME_##call(name) params { return E_NOTIMPL; }
// The body of a forwarding member; layer is the code that finds the layer the
// member acts on (nothing for members that are given their layers).
#define QM_FORWARD_BODY(name, call, params, layer, slot, args, outs, result)   \
    STDMETHODIMP QUILLMARK_MEMBER_CLASS::QM_NAME_##call(name) params {         \
        return comkit::Guarded([&]() -> HRESULT {                             \
            using namespace quillmark;                                        \
            if (AnyNull outs) return E_POINTER;                               \
            const ControlHold hold(static_cast<IQuillmark*>(this));               \
            AnnotationEngine* engine = Engine();                              \
            if (!engine) return ReportError(kErrInvalidContext);              \
            layer                                                             \
            [[maybe_unused]] EngineValue value = 0;                           \
            [[maybe_unused]] unsigned char byte = 0;                          \
            [[maybe_unused]] RECT rect = {0, 0, 0, 0};                        \
            [[maybe_unused]] POINT point = {0, 0};                            \
            int r = engine->slot args;                                        \
            QM_RESULT_##result                                                \
        });                                                                   \
    }
// What a member on the current layer does when there is none.
#define QM_NONE_REPORT(code) if (layer == 0) return ReportError(code);
#define QM_NONE_SUCCEED if (layer == 0) return S_OK;
#define QM_NONE_ANSWER_FALSE(p) if (layer == 0) { *p = VARIANT_FALSE; return S_OK; }
#define QM_NONE_PASS_ON
#define QM_CURRENT_LAYER(none)                   \
    const int layer = engine->GetCurrentLayer(); \
    QM_NONE_##none
#define QM_FORWARD(name, n, call, params, slot, args, outs, result) \
    QM_FORWARD_BODY(name, call, params, , slot, args, outs, result)
#define QM_FORWARD_LAYER(name, n, call, params, none, slot, args, outs, result) \
    QM_FORWARD_BODY(name, call, params, QM_CURRENT_LAYER(none), slot, args, outs, result)
#define QM_FORWARD_CHECKED(name, n, call, params, valid, code, slot, args, outs, result) \
    QM_FORWARD_BODY(name, call, params, if (!(valid)) return ReportError(code);, slot, args, \
                    outs, result)

#include "quillmark_member_table.h"

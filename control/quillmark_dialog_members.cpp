// The dialog members: the colour and the font of one item, or of a layer's
// tool, chosen by the user in the platform's dialogs (member_dialogs.h).
//
// Each checks its layer, owner window and kind before any dialog opens, so a
// refused call opens none and answers FALSE. The choice is written back
// through the engine and TRUE answered only when the engine took it; a write
// the engine refuses is reported. The dialog runs its own message loop, from
// which a host may change anything: the engine is looked up again after it,
// and the layer and item found again by handle and number.
#include "quillmark_control.h"

#include "control_fonts.h"
#include "member_conversions.h"
#include "member_dialogs.h"

using quillmark::ControlHold;

namespace {

const int kErrInvalidHwnd = 1002;

HWND OwnerOf(long hWndOwner) { return reinterpret_cast<HWND>(static_cast<intptr_t>(hWndOwner)); }
bool IsOwnerValid(long hWndOwner) { return hWndOwner == 0 || IsWindow(OwnerOf(hWndOwner)); }

bool IsFontTool(int tool) { return tool == TextTool || tool == StampTool || tool == ButtonTool; }

// The colour kinds a tool's items have; 1005 for a tool without colours.
int ToolColourCheck(long tool, long colorType) {
    bool allowed = false;
    switch (tool) {
    case TextTool:
    case StampTool:
        allowed = colorType == QMK_PenColor || colorType == QMK_TextColor ||
                  colorType == QMK_BackColor;
        break;
    case RectangleTool:
    case EllipseTool:
    case PolygonTool:
        allowed = colorType == QMK_PenColor || colorType == QMK_FillColor;
        break;
    case PolyLineTool:
    case LineTool:
    case FreehandTool:
    case RulerTool:
        allowed = colorType == QMK_PenColor;
        break;
    default:
        return QMK_ErrInvalidTool;
    }
    return allowed ? 0 : quillmark::kErrInvalidColorType;
}

// What every dialog member does first: FALSE in *result, then the engine and
// the layer checked. False, with what to answer in *refused, when the member
// goes no further.
bool BeginDialogMember(QuillmarkControl& control, long layer, VARIANT_BOOL* result,
                       AnnotationEngine** engine, HRESULT* refused) {
    if (!result) {
        *refused = E_POINTER;
        return false;
    }
    *result = VARIANT_FALSE;
    *engine = control.Engine();
    if (!*engine)
        *refused = control.ReportError(quillmark::kErrInvalidContext);
    else if (!(*engine)->IsValidLayer(layer))
        *refused = control.ReportError(quillmark::kErrInvalidLayer);
    else
        return true;
    return false;
}

// Opens the dialog on what read gives and hands the choice to write (each
// with the engine as it is then); *result TRUE once the engine took it.
template <class Read, class Write>
HRESULT PickColourFor(QuillmarkControl& control, long hWndOwner, const BSTR* title, Read read,
                      Write write, VARIANT_BOOL* result) {
    EngineValue current = 0;
    AnnotationEngine* engine = control.Engine();
    if (!engine || read(*engine, &current) != 0) current = 0;
    COLORREF chosen = 0;
    if (!quillmark::PickColour(OwnerOf(hWndOwner), static_cast<COLORREF>(current), title, &chosen))
        return S_OK;
    engine = control.Engine();
    if (!engine) return control.ReportError(quillmark::kErrInvalidContext);
    const int r = write(*engine, static_cast<EngineValue>(chosen));
    if (r != 0) return control.ReportError(r);
    *result = VARIANT_TRUE;
    return S_OK;
}

template <class Read, class Write>
HRESULT PickFontFor(QuillmarkControl& control, long hWndOwner, const BSTR* title,
                    bool symbolRule, Read read, Write write, VARIANT_BOOL* result) {
    LOGFONTA font = {};
    AnnotationEngine* engine = control.Engine();
    if (!engine || read(*engine, reinterpret_cast<EngineValue*>(&font)) != 0) font = LOGFONTA{};
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
    if (!quillmark::PickFont(OwnerOf(hWndOwner), title, &font)) return S_OK;
    if (symbolRule) quillmark::ApplySymbolRule(&font);
    engine = control.Engine();
    if (!engine) return control.ReportError(quillmark::kErrInvalidContext);
    const int r = write(*engine, reinterpret_cast<EngineValue>(&font));
    if (r != 0) return control.ReportError(r);
    *result = VARIANT_TRUE;
    return S_OK;
}

} // namespace

STDMETHODIMP QuillmarkControl::UserItemColorSelect(long layerHandle, long seqNum,
                                                   annotationATTRIBUTE ColorType, BSTR dlgTitle,
                                                   long hWndOwner, VARIANT_BOOL* pResult) {
    const ControlHold hold(static_cast<IQuillmark*>(this));
    AnnotationEngine* engine = nullptr;
    HRESULT refused = S_OK;
    if (!BeginDialogMember(*this, layerHandle, pResult, &engine, &refused)) return refused;
    if (!IsOwnerValid(hWndOwner)) return ReportError(kErrInvalidHwnd);
    EngineValue type = 0;
    int r = engine->PrgGetItemAttribute(layerHandle, seqNum, QMK_ToolType, &type);
    if (r != 0) return ReportError(r);
    unsigned char valid = 0;
    r = engine->IsValidToolAttribute(static_cast<int>(type), ColorType, &valid);
    if (r != 0) return ReportError(r);
    // Only a colour the item has: no dialog for one it lacks, and no other
    // attribute read into or written from a colour.
    if (!valid || !quillmark::IsColorAttribute(ColorType))
        return ReportError(quillmark::kErrInvalidColorType);
    const int code = ColorType;
    return PickColourFor(
        *this, hWndOwner, &dlgTitle,
        [=](AnnotationEngine& e, EngineValue* out) {
            return e.PrgGetItemAttribute(layerHandle, seqNum, code, out);
        },
        [=](AnnotationEngine& e, EngineValue colour) {
            return e.PrgSetItemAttribute(layerHandle, seqNum, code, colour);
        },
        pResult);
}

STDMETHODIMP QuillmarkControl::UserItemFontSelect(long layerHandle, long seqNum, BSTR dlgTitle,
                                                  long hWndOwner, VARIANT_BOOL* pResult) {
    const ControlHold hold(static_cast<IQuillmark*>(this));
    AnnotationEngine* engine = nullptr;
    HRESULT refused = S_OK;
    if (!BeginDialogMember(*this, layerHandle, pResult, &engine, &refused)) return refused;
    EngineValue type = 0;
    const int r = engine->PrgGetItemAttribute(layerHandle, seqNum, QMK_ToolType, &type);
    if (r != 0) return ReportError(r);
    if (!IsFontTool(static_cast<int>(type))) return ReportError(QMK_ErrInvalidTool);
    if (!IsOwnerValid(hWndOwner)) return ReportError(kErrInvalidHwnd);
    return PickFontFor(
        *this, hWndOwner, &dlgTitle, false,
        [=](AnnotationEngine& e, EngineValue* out) {
            return e.PrgGetItemAttribute(layerHandle, seqNum, QMK_Logfont, out);
        },
        [=](AnnotationEngine& e, EngineValue font) {
            return e.PrgSetItemAttribute(layerHandle, seqNum, QMK_Logfont, font);
        },
        pResult);
}

STDMETHODIMP QuillmarkControl::UserColorSelect(long layerHandle, annotationTOOL Tool,
                                               annotationATTRIBUTE ColorType, long hWndOwner,
                                               VARIANT_BOOL* pResult) {
    const ControlHold hold(static_cast<IQuillmark*>(this));
    AnnotationEngine* engine = nullptr;
    HRESULT refused = S_OK;
    if (!BeginDialogMember(*this, layerHandle, pResult, &engine, &refused)) return refused;
    if (!IsOwnerValid(hWndOwner)) return ReportError(kErrInvalidHwnd);
    const int check = ToolColourCheck(Tool, ColorType);
    if (check != 0) return ReportError(check);
    const int tool = Tool;
    const int code = ColorType;
    return PickColourFor(
        *this, hWndOwner, nullptr,
        [=](AnnotationEngine& e, EngineValue* out) {
            return e.GetToolAttribute(layerHandle, tool, code, out);
        },
        [=](AnnotationEngine& e, EngineValue colour) {
            return e.SetToolAttribute(layerHandle, tool, code, colour);
        },
        pResult);
}

STDMETHODIMP QuillmarkControl::UserFontSelect(long layerHandle, annotationTOOL Tool,
                                              long hWndOwner, VARIANT_BOOL* pResult) {
    const ControlHold hold(static_cast<IQuillmark*>(this));
    AnnotationEngine* engine = nullptr;
    HRESULT refused = S_OK;
    if (!BeginDialogMember(*this, layerHandle, pResult, &engine, &refused)) return refused;
    if (!IsFontTool(Tool)) return ReportError(QMK_ErrInvalidTool);
    if (!IsOwnerValid(hWndOwner)) return ReportError(kErrInvalidHwnd);
    const int tool = Tool;
    return PickFontFor(
        *this, hWndOwner, nullptr, true,
        [=](AnnotationEngine& e, EngineValue* out) {
            return e.GetToolAttribute(layerHandle, tool, QMK_Logfont, out);
        },
        [=](AnnotationEngine& e, EngineValue font) {
            return e.SetToolAttribute(layerHandle, tool, QMK_Logfont, font);
        },
        pResult);
}

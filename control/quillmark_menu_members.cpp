// The palette's size, and the Menu members, which act on the context menu of annotations (Menu 1)
// or on the menu of a palette tool (any other Menu), and the older
// context-menu enumeration members, which enumerate nothing.
#include "quillmark_control.h"

#include "member_conversions.h"

namespace {
constexpr long kContextMenu = 1;
constexpr int kErrInvalidMenuId = 1039;
constexpr int kErrNoPalette = 1048;
} // namespace

// A palette menu's list answers -1 for a tool without a button or an absent
// item: that is a failure too, reported as an invalid menu id.
HRESULT QuillmarkControl::ReportMenuResult(int result) {
    return ReportError(result == -1 ? kErrInvalidMenuId : result);
}

HRESULT QuillmarkControl::MenuGetFlag(enumMenu menu, annotationTOOL tool, long top, long sub,
                                      VARIANT_BOOL* flag, FlagGetter context,
                                      ToolFlagGetter palette) {
    if (!flag) return E_POINTER;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    unsigned char byte = 0;
    const int r = menu == kContextMenu ? (engine->*context)(top, sub, &byte)
                                       : (engine->*palette)(tool, top, sub, &byte);
    *flag = quillmark::Bool(byte);
    return ReportMenuResult(r);
}

HRESULT QuillmarkControl::MenuSetFlag(enumMenu menu, annotationTOOL tool, long top, long sub,
                                      VARIANT_BOOL value, VARIANT_BOOL exclusive,
                                      FlagSetter context, ToolFlagSetter palette) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    const int v = quillmark::FlagByte(value);
    const int x = quillmark::FlagByte(exclusive);
    return ReportMenuResult(menu == kContextMenu ? (engine->*context)(top, sub, v, x)
                                                 : (engine->*palette)(tool, top, sub, v, x));
}

HRESULT QuillmarkControl::MenuWalk(enumMenu menu, annotationTOOL tool, long* top, long* sub,
                                   WalkStep context, ToolWalkStep palette) {
    if (!top || !sub) return E_POINTER;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    int item = 0, subItem = 0;
    const int r = menu == kContextMenu ? (engine->*context)(&item, &subItem)
                                       : (engine->*palette)(tool, &item, &subItem);
    *top = item;
    *sub = subItem;
    return ReportMenuResult(r);
}

// Without a palette there are no rows or columns to tell: an error, not a size.
HRESULT QuillmarkControl::ToolbarSize(SizeRead read, long* size) {
    if (!size) return E_POINTER;
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    if (engine->GetToolbarHwnd() == 0) return ReportError(kErrNoPalette);
    *size = (engine->*read)();
    return S_OK;
}

STDMETHODIMP QuillmarkControl::get_ToolbarHeight(long* pVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return ToolbarSize(&AnnotationEngine::GetToolbarHeight, pVal);
}

STDMETHODIMP QuillmarkControl::get_ToolbarWidth(long* pVal) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return ToolbarSize(&AnnotationEngine::GetToolbarWidth, pVal);
}

STDMETHODIMP QuillmarkControl::MenuGetEnabled(enumMenu Menu, annotationTOOL Tool,
                                              VARIANT_BOOL* bEnabled) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!bEnabled) return E_POINTER;
    if (Menu == kContextMenu) {
        get_EnableContextMenu(bEnabled);
        return S_OK;
    }
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    unsigned char byte = 0;
    engine->MenuGetEnabled(Tool, &byte);
    *bEnabled = quillmark::Bool(byte);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::MenuSetEnabled(enumMenu Menu, annotationTOOL Tool,
                                              VARIANT_BOOL bEnabled) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (Menu == kContextMenu) {
        put_EnableContextMenu(bEnabled);
        return S_OK;
    }
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    engine->MenuSetEnabled(Tool, quillmark::FlagByte(bEnabled));
    return S_OK;
}

STDMETHODIMP QuillmarkControl::MenuAddItem(enumMenu Menu, annotationTOOL Tool, long topMenuID,
                                           long subMenuID, BSTR menuText, long User1,
                                           long User2) {
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (Menu == kContextMenu)
        return ReportError(engine->AddContextMenuItem(topMenuID, subMenuID, menuText, User1, User2));
    return ReportMenuResult(
        engine->ToolbarMenuAddItem(Tool, topMenuID, subMenuID, menuText, User1, User2));
}

STDMETHODIMP QuillmarkControl::MenuDeleteItem(enumMenu Menu, annotationTOOL Tool, long topMenuID,
                                              long subMenuID, VARIANT_BOOL* bDeleted) {
    if (!bDeleted) return E_POINTER;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (Menu == kContextMenu) {
        // The engine writes the flag; an [out] value is not read.
        unsigned char deleted = 0;
        const int r = engine->ContextMenuDeleteItem(topMenuID, subMenuID, &deleted);
        *bDeleted = quillmark::Bool(deleted);
        return ReportError(r);
    }
    *bDeleted = quillmark::Bool(engine->ToolbarMenuDeleteItem(Tool, topMenuID, subMenuID) == 0);
    return S_OK;
}

STDMETHODIMP QuillmarkControl::MenuChangeItem(enumMenu Menu, annotationTOOL Tool, long topMenuID,
                                              long subMenuID, BSTR menuText,
                                              VARIANT_BOOL* bChanged) {
    if (!bChanged) return E_POINTER;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (Menu == kContextMenu) {
        const int r = engine->SetContextMenuString(topMenuID, subMenuID, menuText, 0, 0, 0);
        *bChanged = quillmark::Bool(r == 0);
        return ReportError(r);
    }
    unsigned char changed = 0;
    const int r = engine->ToolbarMenuChangeItem(Tool, topMenuID, subMenuID, menuText, &changed);
    *bChanged = quillmark::Bool(changed);
    return ReportMenuResult(r);
}

STDMETHODIMP QuillmarkControl::MenuGetItem(enumMenu Menu, annotationTOOL Tool, long topMenuID,
                                           long subMenuID, BSTR* menuText) {
    if (!menuText) return E_POINTER;
    AnnotationEngine* engine = Engine();
    if (!engine) return ReportError(quillmark::kErrInvalidContext);
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (Menu == kContextMenu)
        return ReportError(engine->ContextMenuGetItem(topMenuID, subMenuID, menuText));
    return ReportMenuResult(engine->ToolbarMenuGetItem(Tool, topMenuID, subMenuID, menuText));
}

STDMETHODIMP QuillmarkControl::MenuGetFirstItemID(enumMenu Menu, annotationTOOL Tool,
                                                  long* topMenuID, long* subMenuID) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return MenuWalk(Menu, Tool, topMenuID, subMenuID, &AnnotationEngine::ContextMenuGetFirstItemID,
                    &AnnotationEngine::ToolbarMenuGetFirstItemID);
}

STDMETHODIMP QuillmarkControl::MenuGetNextItemID(enumMenu Menu, annotationTOOL Tool,
                                                 long* topMenuID, long* subMenuID) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return MenuWalk(Menu, Tool, topMenuID, subMenuID, &AnnotationEngine::ContextMenuGetNextItemID,
                    &AnnotationEngine::ToolbarMenuGetNextItemID);
}

// The item flags of either menu, one getter and one setter per flag.
#define QUILLMARK_MENU_FLAGS(X) X(Checked) X(Enabled) X(Visible)

#define QUILLMARK_MENU_FLAG_MEMBERS(flag)                                                       \
    STDMETHODIMP QuillmarkControl::MenuGetItem##flag(enumMenu Menu, annotationTOOL Tool,        \
                                                     long topMenuID, long subMenuID,            \
                                                     VARIANT_BOOL* value) {                     \
        return MenuGetFlag(Menu, Tool, topMenuID, subMenuID, value,                             \
                           &AnnotationEngine::ContextMenuGetItem##flag,                         \
                           &AnnotationEngine::ToolbarMenuGetItem##flag);                        \
    }                                                                                           \
    STDMETHODIMP QuillmarkControl::MenuSetItem##flag(enumMenu Menu, annotationTOOL Tool,        \
                                                     long topMenuID, long subMenuID,            \
                                                     VARIANT_BOOL value,                        \
                                                     VARIANT_BOOL bExclusive) {                 \
        return MenuSetFlag(Menu, Tool, topMenuID, subMenuID, value, bExclusive,                 \
                           &AnnotationEngine::ContextMenuSetItem##flag,                         \
                           &AnnotationEngine::ToolbarMenuSetItem##flag);                        \
    }
QUILLMARK_MENU_FLAGS(QUILLMARK_MENU_FLAG_MEMBERS)
#undef QUILLMARK_MENU_FLAG_MEMBERS
#undef QUILLMARK_MENU_FLAGS

// The context menu's ids are enumerated with MenuGetFirstItemID and
// MenuGetNextItemID; these older members always give 0.
STDMETHODIMP QuillmarkControl::GetFirstContextMenuID(long* pID) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    if (!pID) return E_POINTER;
    *pID = 0;
    return S_OK;
}

STDMETHODIMP QuillmarkControl::GetNextContextMenuID(long* pID) {
    const quillmark::ControlHold hold(static_cast<IQuillmark*>(this));
    return GetFirstContextMenuID(pID);
}

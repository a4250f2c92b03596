#pragma once
// The control's events (_IQuillmarkEvents) and the engine callbacks that
// raise them.
//
// Firing: IDispatch::Invoke(dispid, IID_NULL, 1024, DISPATCH_METHOD) on every
// sink advised when the event starts (each held by a reference of its own,
// skipped when it has been unadvised before its turn), arguments in reverse
// order; long and enumeration arguments VT_I4, short VT_I2, the layer name
// VT_BSTR and the password VT_BYREF|VT_BSTR pointing at the caller's BSTR,
// so a sink may replace it. The control is held by a reference for the
// whole event. The result is the 32-bit value of the last sink's result
// variant, 0 with no sink.
#include <windows.h>
#include <oaidl.h>

#include "annotation_engine.h"
#include "control_services.h"

namespace quillmark {

// The events of _IQuillmarkEvents: name, dispid, the firing function's
// parameters (the control, then the event's in declaration order), and the
// same names as an argument list.
#define QUILLMARK_EVENTS(X)                                                                        \
    X(AnnotateEvent, 1, (ControlServices& c, long type, long data), (c, type, data))               \
    X(Stamping, 2, (ControlServices& c), (c))                                                      \
    X(LayerRestored, 3, (ControlServices& c, long layer), (c, layer))                              \
    X(RequestLayerPassword, 4,                                                                     \
      (ControlServices& c, BSTR layerName, BSTR* password),                                        \
      (c, layerName, password))                                                                    \
    X(CurrentLayerChange, 5, (ControlServices& c, long newLayer), (c, newLayer))                   \
    X(Click, 6, (ControlServices& c, long layer, long seq), (c, layer, seq))                       \
    X(PaletteMenuSelect, 7,                                                                        \
      (ControlServices& c, long tool, long menuId, long subMenuId, long user1, long user2),        \
      (c, tool, menuId, subMenuId, user1, user2))                                                  \
    X(MouseDown, 8,                                                                                \
      (ControlServices& c, long layer, long seq, short button, short shift, long x, long y),       \
      (c, layer, seq, button, shift, x, y))                                                        \
    X(MouseUp, 9,                                                                                  \
      (ControlServices& c, long layer, long seq, short button, short shift, long x, long y),       \
      (c, layer, seq, button, shift, x, y))                                                        \
    X(DoubleClick, 10, (ControlServices& c, long layer, long seq), (c, layer, seq))                \
    X(MouseMove, 11,                                                                               \
      (ControlServices& c, long layer, long seq, short button, short shift, long x, long y),       \
      (c, layer, seq, button, shift, x, y))                                                        \
    X(UserDraw, 12,                                                                                \
      (ControlServices& c, long dc, long x, long y, long width, long height, long layer,           \
       long seq, long userLong),                                                                   \
      (c, dc, x, y, width, height, layer, seq, userLong))                                          \
    X(ItemChanged, 13,                                                                             \
      (ControlServices& c, long layer, long seq, long attribute),                                  \
      (c, layer, seq, attribute))                                                                  \
    X(ContextMenuSelect, 14,                                                                       \
      (ControlServices& c, long menuId, long layer, long seq),                                     \
      (c, menuId, layer, seq))                                                                     \
    X(UserGroupCreated, 15, (ControlServices& c, long layer, long groupId), (c, layer, groupId))   \
    X(UserGroupDestroyed, 16, (ControlServices& c, long layer, long groupId), (c, layer, groupId)) \
    X(MenuSelect, 17,                                                                              \
      (ControlServices& c, long menu, long tool, long topMenuId, long subMenuId, long user1,       \
       long user2, long layer, long seq),                                                          \
      (c, menu, tool, topMenuId, subMenuId, user1, user2, layer, seq))                             \
    X(ToolbarSelect, 18, (ControlServices& c, long tool, long layer), (c, tool, layer))

// The dispids of _IQuillmarkEvents.
enum QuillmarkEventId : DISPID {
#define QM_EVENT_ID(name, dispid, params, args) EventId_##name = dispid,
    QUILLMARK_EVENTS(QM_EVENT_ID)
#undef QM_EVENT_ID
};

// Fires one event with its arguments in declaration order (they are passed
// to the sinks reversed, by-reference arguments as they are).
long FireQuillmarkEvent(ControlServices& control, DISPID id, VARIANTARG* args, UINT count);

// One function per event, FireAnnotateEvent(c, type, data) and so on,
// arguments in declaration order.
#define QM_EVENT_FIRE(name, dispid, params, args) long Fire##name params;
QUILLMARK_EVENTS(QM_EVENT_FIRE)
#undef QM_EVENT_FIRE

// After a load or a change of the current layer by a member: caches the
// engine's current layer, tells the client its QMK_LayerActive (513) flag
// through HostCurrentLayerChanged, and fires CurrentLayerChange(layer).
// Nothing without an engine.
void ReportCurrentLayer(ControlServices& control);

// The engine callbacks in the order LoadEngine registers them (channels 1, 5,
// 6, 3, 7, 4, 8, 10, 9, 11, 12, 17, 18). Each takes the ControlServices
// address as its host cookie.
struct EngineCallback {
    int channel;
    void* function;
};
extern const EngineCallback kEngineCallbacks[kChannelCount];

} // namespace quillmark

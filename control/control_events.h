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

// The dispids of _IQuillmarkEvents.
enum QuillmarkEventId : DISPID {
    EventId_AnnotateEvent = 1,
    EventId_Stamping = 2,
    EventId_LayerRestored = 3,
    EventId_RequestLayerPassword = 4,
    EventId_CurrentLayerChange = 5,
    EventId_Click = 6,
    EventId_PaletteMenuSelect = 7,
    EventId_MouseDown = 8,
    EventId_MouseUp = 9,
    EventId_DoubleClick = 10,
    EventId_MouseMove = 11,
    EventId_UserDraw = 12,
    EventId_ItemChanged = 13,
    EventId_ContextMenuSelect = 14,
    EventId_UserGroupCreated = 15,
    EventId_UserGroupDestroyed = 16,
    EventId_MenuSelect = 17,
    EventId_ToolbarSelect = 18,
};

// Fires one event with its arguments in declaration order (they are passed
// to the sinks reversed, by-reference arguments as they are).
long FireQuillmarkEvent(ControlServices& control, DISPID id, VARIANTARG* args, UINT count);

// One function per event, arguments in declaration order.
long FireAnnotateEvent(ControlServices& c, long type, long data);
long FireStamping(ControlServices& c);
long FireLayerRestored(ControlServices& c, long layer);
long FireRequestLayerPassword(ControlServices& c, BSTR layerName, BSTR* password);
long FireCurrentLayerChange(ControlServices& c, long newLayer);
long FireClick(ControlServices& c, long layer, long seq);
long FirePaletteMenuSelect(ControlServices& c, long tool, long menuId, long subMenuId,
                           long user1, long user2);
long FireMouseDown(ControlServices& c, long layer, long seq, short button, short shift, long x,
                   long y);
long FireMouseUp(ControlServices& c, long layer, long seq, short button, short shift, long x,
                 long y);
long FireDoubleClick(ControlServices& c, long layer, long seq);
long FireMouseMove(ControlServices& c, long layer, long seq, short button, short shift, long x,
                   long y);
long FireUserDraw(ControlServices& c, long dc, long x, long y, long width, long height,
                  long layer, long seq, long userLong);
long FireItemChanged(ControlServices& c, long layer, long seq, long attribute);
long FireContextMenuSelect(ControlServices& c, long menuId, long layer, long seq);
long FireUserGroupCreated(ControlServices& c, long layer, long groupId);
long FireUserGroupDestroyed(ControlServices& c, long layer, long groupId);
long FireMenuSelect(ControlServices& c, long menu, long tool, long topMenuId, long subMenuId,
                    long user1, long user2, long layer, long seq);
long FireToolbarSelect(ControlServices& c, long tool, long layer);

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

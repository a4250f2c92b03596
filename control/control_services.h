#pragma once
// What the control's units (engine link, events, defaults cache, fonts) ask of
// the control object they serve. QuillmarkControl implements it; the address
// of this interface is the host cookie the engine hands back on every
// callback, so the callbacks reach the control without knowing its class.
//
// The first four members are those of member_support.h, with the same
// meaning, so one definition in the control serves both.
#include <windows.h>
#include <oaidl.h>

#include "annotation_engine.h"
#include "comkit/connection_point.h"

namespace quillmark {

class ControlServices {
public:
    // The loaded engine, or null while none is loaded.
    virtual AnnotationEngine* Engine() const = 0;
    // 0 -> S_OK; 1005 -> S_FALSE without error information; any other code ->
    // 0x80040000 + code with an error object carrying its text.
    virtual HRESULT ReportError(int engineCode) = 0;
    // The container's ambient UserMode (true when it cannot be read).
    virtual bool IsUserMode() = 0;
    // At design time: mark dirty and send OnChanged(dispid); nothing in user mode.
    virtual void NotifyPropertyChanged(DISPID dispid) = 0;

    // The control's controlling IUnknown. The units hold a reference on it
    // across every call out (events, font notifications), so a host that lets
    // go of the control from inside such a call does not pull it away under
    // them.
    virtual IUnknown* ControlUnknown() = 0;
    // The _IQuillmarkEvents connection point.
    virtual comkit::ConnectionPoint& EventPoint() = 0;
    // True while the control has no client image control (it then fires no
    // AnnotateEvent, no mouse events and no PaletteMenuSelect).
    virtual bool HasNoClient() = 0;
    // OnChanged(dispid) to every IPropertyNotifySink connection, whatever the
    // mode.
    virtual void SendOnChanged(DISPID dispid) = 0;
    // OnRequestEdit(dispid) to every IPropertyNotifySink connection; false
    // when one of them refuses.
    virtual bool RequestEdit(DISPID dispid) = 0;
    // Marks the control as needing to be saved.
    virtual void MarkDirty() = 0;
    // Stores the current layer the control last reported.
    virtual void SetReportedLayer(int layer) = 0;
    // Tells the bound client that the current layer changed (the host
    // service CurrentLayerChanged with the layer's active flag); does nothing
    // while the control holds no host services.
    virtual void HostCurrentLayerChanged(int active) = 0;

protected:
    ~ControlServices() = default;
};

// The host cookie given to Ann_Init for a control, and back.
inline HostCookie CookieOf(ControlServices* services)
{
    return reinterpret_cast<HostCookie>(services);
}
inline ControlServices* ServicesOf(HostCookie cookie)
{
    return reinterpret_cast<ControlServices*>(cookie);
}

} // namespace quillmark

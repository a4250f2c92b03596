#include "control_events.h"

#include "control_hold.h"
#include "engine_link.h"

#include <vector>

namespace quillmark {

namespace {

// The argument forms of the events.
VARIANTARG Typed(VARTYPE type)
{
    VARIANTARG v;
    VariantInit(&v);
    V_VT(&v) = type;
    return v;
}
VARIANTARG Arg(long value)
{
    VARIANTARG v = Typed(VT_I4);
    V_I4(&v) = value;
    return v;
}
VARIANTARG Arg(short value)
{
    VARIANTARG v = Typed(VT_I2);
    V_I2(&v) = value;
    return v;
}
VARIANTARG Arg(BSTR value)
{
    VARIANTARG v = Typed(VT_BSTR);
    V_BSTR(&v) = value;  // borrowed: never cleared here
    return v;
}
VARIANTARG Arg(BSTR* value)
{
    VARIANTARG v = Typed(VT_BYREF | VT_BSTR);
    V_BSTRREF(&v) = value;
    return v;
}

template <DISPID Id, class... A>
long Fire(ControlServices& control, A... args)
{
    VARIANTARG list[sizeof...(A) + 1] = {Arg(args)...};
    return FireQuillmarkEvent(control, Id, list, sizeof...(A));
}

// The 32-bit value of a sink's result.
long ResultValue(VARIANT* result)
{
    if (V_VT(result) == VT_EMPTY)
        return 0;
    VARIANT as;
    VariantInit(&as);
    long value = 0;
    if (SUCCEEDED(VariantChangeType(&as, result, 0, VT_I4)))
        value = V_I4(&as);
    VariantClear(&as);
    return value;
}

} // namespace

long FireQuillmarkEvent(ControlServices& control, DISPID id, VARIANTARG* args, UINT count)
{
    try {
        ControlHold hold(control);
        std::vector<VARIANTARG> reversed(args, args + count);
        for (UINT i = 0; i < count / 2; ++i)
            std::swap(reversed[i], reversed[count - 1 - i]);
        long last = 0;
        control.EventPoint().ForEachSink([&](IUnknown* sink) {
            // Each sink gets the arguments as the event made them (a sink that
            // overwrote a by-value argument changes nothing for the next one);
            // by-reference arguments point at the caller's values.
            std::vector<VARIANTARG> given = reversed;
            DISPPARAMS params = {count ? given.data() : nullptr, nullptr, count, 0};
            VARIANT result;
            VariantInit(&result);
            static_cast<IDispatch*>(sink)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                                  DISPATCH_METHOD, &params, &result, nullptr,
                                                  nullptr);
            last = ResultValue(&result);
            VariantClear(&result);
        });
        return last;
    } catch (...) {
        return 0;
    }
}

#define QM_EVENT_FIRE(name, dispid, params, args)                                                  \
    long Fire##name params { return Fire<EventId_##name> args; }
QUILLMARK_EVENTS(QM_EVENT_FIRE)
#undef QM_EVENT_FIRE

void ReportCurrentLayer(ControlServices& control)
{
    ControlHold hold(control);
    AnnotationEngine* engine = control.Engine();
    if (!engine)
        return;
    const int layer = engine->GetCurrentLayer();
    control.SetReportedLayer(layer);
    EngineValue active = 0;
    if (engine->GetLayerProperty(layer, QMK_LayerActive, &active) != 0)
        active = 0;
    control.HostCurrentLayerChanged(static_cast<int>(active));
    FireCurrentLayerChange(control, layer);
}

namespace {

// The engine callbacks. The cookie is the control's ControlServices; each
// callback marks its extent so that the engine outlives a control released
// from inside the event.

// The event's form of a callback's argument.
long EventArg(int value) { return value; }
long EventArg(HDC dc) { return static_cast<long>(reinterpret_cast<intptr_t>(dc)); }

// Raises the event with the callback's arguments and answers the sinks' result.
template <DISPID Id, class... A>
int __stdcall Raise(HostCookie cookie, A... args)
{
    EngineCallScope scope;
    return Fire<Id>(*ServicesOf(cookie), EventArg(args)...);
}

// As Raise, but nothing for a control without a client; answers 0.
template <DISPID Id, class... A>
int __stdcall RaiseForClient(HostCookie cookie, A... args)
{
    EngineCallScope scope;
    ControlServices& c = *ServicesOf(cookie);
    if (!c.HasNoClient())
        Fire<Id>(c, EventArg(args)...);
    return 0;
}

int __stdcall OnRequestLayerPassword(HostCookie cookie, BSTR layerName, BSTR* password)
{
    EngineCallScope scope;
    if (!password)
        return 0;
    return FireRequestLayerPassword(*ServicesOf(cookie), layerName, password);
}

int __stdcall OnMouseEvent(HostCookie cookie, int code, int layer, int seq, int button, int shift,
                           int x, int y)
{
    EngineCallScope scope;
    ControlServices& c = *ServicesOf(cookie);
    if (c.HasNoClient())
        return 0;
    const short b = static_cast<short>(button);
    const short s = static_cast<short>(shift);
    switch (code) {
    case QMK_Click: FireClick(c, layer, seq); break;
    case QMK_MouseDown: FireMouseDown(c, layer, seq, b, s, x, y); break;
    case QMK_MouseUp: FireMouseUp(c, layer, seq, b, s, x, y); break;
    case QMK_DoubleClick: FireDoubleClick(c, layer, seq); break;
    case QMK_MouseMove: FireMouseMove(c, layer, seq, b, s, x, y); break;
    default: break;
    }
    return 0;
}

// Checks each callback against the channel's function type.
template <class Fn>
void* Callback(Fn function)
{
    return reinterpret_cast<void*>(function);
}

} // namespace

const EngineCallback kEngineCallbacks[kChannelCount] = {
    {Channel_AnnotateEvent,
     Callback<AnnotateEventFn>(RaiseForClient<EventId_AnnotateEvent, int, int>)},
    {Channel_MouseEvent, Callback<MouseEventFn>(OnMouseEvent)},
    {Channel_PaletteMenuSelect,
     Callback<PaletteMenuSelectFn>(
         RaiseForClient<EventId_PaletteMenuSelect, int, int, int, int, int>)},
    {Channel_RequestLayerPassword, Callback<RequestLayerPasswordFn>(OnRequestLayerPassword)},
    {Channel_UserDraw,
     Callback<UserDrawFn>(Raise<EventId_UserDraw, HDC, int, int, int, int, int, int, int>)},
    {Channel_Stamping, Callback<StampingFn>(Raise<EventId_Stamping>)},
    {Channel_ItemChanged, Callback<ItemChangedFn>(Raise<EventId_ItemChanged, int, int, int>)},
    {Channel_ContextMenuSelect,
     Callback<ContextMenuSelectFn>(Raise<EventId_ContextMenuSelect, int, int, int>)},
    {Channel_CurrentLayerChange,
     Callback<CurrentLayerChangeFn>(Raise<EventId_CurrentLayerChange, int>)},
    {Channel_UserGroupCreated,
     Callback<UserGroupCreatedFn>(Raise<EventId_UserGroupCreated, int, int>)},
    {Channel_UserGroupDestroyed,
     Callback<UserGroupDestroyedFn>(Raise<EventId_UserGroupDestroyed, int, int>)},
    {Channel_MenuSelect,
     Callback<MenuSelectFn>(Raise<EventId_MenuSelect, int, int, int, int, int, int, int, int>)},
    {Channel_ToolbarSelect, Callback<ToolbarSelectFn>(Raise<EventId_ToolbarSelect, int, int>)},
};

} // namespace quillmark

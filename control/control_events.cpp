#include "control_events.h"

#include "engine_link.h"

#include <vector>

namespace quillmark {

namespace {

// The argument forms of the events.
VARIANTARG Arg(long value)
{
    VARIANTARG v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}
VARIANTARG Arg(short value)
{
    VARIANTARG v;
    VariantInit(&v);
    V_VT(&v) = VT_I2;
    V_I2(&v) = value;
    return v;
}
VARIANTARG Arg(BSTR value)
{
    VARIANTARG v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = value;  // borrowed: never cleared here
    return v;
}
VARIANTARG Arg(BSTR* value)
{
    VARIANTARG v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&v) = value;
    return v;
}

template <class... A>
long Fire(ControlServices& control, DISPID id, A... args)
{
    VARIANTARG list[sizeof...(A) + 1] = {Arg(args)...};
    return FireQuillmarkEvent(control, id, list, sizeof...(A));
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

// Holds a reference on the control for the extent of an event.
class ControlHold {
public:
    explicit ControlHold(ControlServices& control) : unknown_(control.ControlUnknown())
    {
        if (unknown_)
            unknown_->AddRef();
    }
    ~ControlHold()
    {
        if (unknown_)
            unknown_->Release();  // may be the last: nothing of the control is used after
    }
    ControlHold(const ControlHold&) = delete;
    ControlHold& operator=(const ControlHold&) = delete;

private:
    IUnknown* unknown_;
};

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

long FireAnnotateEvent(ControlServices& c, long type, long data)
{
    return Fire(c, EventId_AnnotateEvent, type, data);
}
long FireStamping(ControlServices& c) { return Fire(c, EventId_Stamping); }
long FireLayerRestored(ControlServices& c, long layer)
{
    return Fire(c, EventId_LayerRestored, layer);
}
long FireRequestLayerPassword(ControlServices& c, BSTR layerName, BSTR* password)
{
    return Fire(c, EventId_RequestLayerPassword, layerName, password);
}
long FireCurrentLayerChange(ControlServices& c, long newLayer)
{
    return Fire(c, EventId_CurrentLayerChange, newLayer);
}
long FireClick(ControlServices& c, long layer, long seq)
{
    return Fire(c, EventId_Click, layer, seq);
}
long FirePaletteMenuSelect(ControlServices& c, long tool, long menuId, long subMenuId,
                           long user1, long user2)
{
    return Fire(c, EventId_PaletteMenuSelect, tool, menuId, subMenuId, user1, user2);
}
long FireMouseDown(ControlServices& c, long layer, long seq, short button, short shift, long x,
                   long y)
{
    return Fire(c, EventId_MouseDown, layer, seq, button, shift, x, y);
}
long FireMouseUp(ControlServices& c, long layer, long seq, short button, short shift, long x,
                 long y)
{
    return Fire(c, EventId_MouseUp, layer, seq, button, shift, x, y);
}
long FireDoubleClick(ControlServices& c, long layer, long seq)
{
    return Fire(c, EventId_DoubleClick, layer, seq);
}
long FireMouseMove(ControlServices& c, long layer, long seq, short button, short shift, long x,
                   long y)
{
    return Fire(c, EventId_MouseMove, layer, seq, button, shift, x, y);
}
long FireUserDraw(ControlServices& c, long dc, long x, long y, long width, long height,
                  long layer, long seq, long userLong)
{
    return Fire(c, EventId_UserDraw, dc, x, y, width, height, layer, seq, userLong);
}
long FireItemChanged(ControlServices& c, long layer, long seq, long attribute)
{
    return Fire(c, EventId_ItemChanged, layer, seq, attribute);
}
long FireContextMenuSelect(ControlServices& c, long menuId, long layer, long seq)
{
    return Fire(c, EventId_ContextMenuSelect, menuId, layer, seq);
}
long FireUserGroupCreated(ControlServices& c, long layer, long groupId)
{
    return Fire(c, EventId_UserGroupCreated, layer, groupId);
}
long FireUserGroupDestroyed(ControlServices& c, long layer, long groupId)
{
    return Fire(c, EventId_UserGroupDestroyed, layer, groupId);
}
long FireMenuSelect(ControlServices& c, long menu, long tool, long topMenuId, long subMenuId,
                    long user1, long user2, long layer, long seq)
{
    return Fire(c, EventId_MenuSelect, menu, tool, topMenuId, subMenuId, user1, user2, layer, seq);
}
long FireToolbarSelect(ControlServices& c, long tool, long layer)
{
    return Fire(c, EventId_ToolbarSelect, tool, layer);
}

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
int __stdcall OnAnnotateEvent(HostCookie cookie, int type, int data)
{
    EngineCallScope scope;
    ControlServices& c = *ServicesOf(cookie);
    if (!c.HasNoClient())
        FireAnnotateEvent(c, type, data);
    return 0;
}

int __stdcall OnRequestLayerPassword(HostCookie cookie, BSTR layerName, BSTR* password)
{
    EngineCallScope scope;
    if (!password)
        return 0;
    return FireRequestLayerPassword(*ServicesOf(cookie), layerName, password);
}

int __stdcall OnStamping(HostCookie cookie)
{
    EngineCallScope scope;
    return FireStamping(*ServicesOf(cookie));
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

int __stdcall OnPaletteMenuSelect(HostCookie cookie, int tool, int menuId, int subMenuId,
                                  int user1, int user2)
{
    EngineCallScope scope;
    ControlServices& c = *ServicesOf(cookie);
    if (!c.HasNoClient())
        FirePaletteMenuSelect(c, tool, menuId, subMenuId, user1, user2);
    return 0;
}

int __stdcall OnUserDraw(HostCookie cookie, HDC dc, int x, int y, int width, int height, int layer,
                         int seq, int userLong)
{
    EngineCallScope scope;
    return FireUserDraw(*ServicesOf(cookie), static_cast<long>(reinterpret_cast<intptr_t>(dc)), x,
                        y, width, height, layer, seq, userLong);
}

int __stdcall OnItemChanged(HostCookie cookie, int layer, int seq, int attribute)
{
    EngineCallScope scope;
    return FireItemChanged(*ServicesOf(cookie), layer, seq, attribute);
}

int __stdcall OnCurrentLayerChange(HostCookie cookie, int layer)
{
    EngineCallScope scope;
    return FireCurrentLayerChange(*ServicesOf(cookie), layer);
}

int __stdcall OnContextMenuSelect(HostCookie cookie, int menuId, int layer, int seq)
{
    EngineCallScope scope;
    return FireContextMenuSelect(*ServicesOf(cookie), menuId, layer, seq);
}

int __stdcall OnUserGroupCreated(HostCookie cookie, int layer, int groupId)
{
    EngineCallScope scope;
    return FireUserGroupCreated(*ServicesOf(cookie), layer, groupId);
}

int __stdcall OnUserGroupDestroyed(HostCookie cookie, int layer, int groupId)
{
    EngineCallScope scope;
    return FireUserGroupDestroyed(*ServicesOf(cookie), layer, groupId);
}

int __stdcall OnMenuSelect(HostCookie cookie, int menu, int tool, int topId, int subId, int user1,
                           int user2, int layer, int seq)
{
    EngineCallScope scope;
    return FireMenuSelect(*ServicesOf(cookie), menu, tool, topId, subId, user1, user2, layer, seq);
}

int __stdcall OnToolbarSelect(HostCookie cookie, int tool, int layer)
{
    EngineCallScope scope;
    return FireToolbarSelect(*ServicesOf(cookie), tool, layer);
}

// Checks each callback against the channel's function type.
template <class Fn>
void* Callback(Fn function)
{
    return reinterpret_cast<void*>(function);
}

} // namespace

const EngineCallback kEngineCallbacks[kChannelCount] = {
    {Channel_AnnotateEvent, Callback<AnnotateEventFn>(OnAnnotateEvent)},
    {Channel_MouseEvent, Callback<MouseEventFn>(OnMouseEvent)},
    {Channel_PaletteMenuSelect, Callback<PaletteMenuSelectFn>(OnPaletteMenuSelect)},
    {Channel_RequestLayerPassword, Callback<RequestLayerPasswordFn>(OnRequestLayerPassword)},
    {Channel_UserDraw, Callback<UserDrawFn>(OnUserDraw)},
    {Channel_Stamping, Callback<StampingFn>(OnStamping)},
    {Channel_ItemChanged, Callback<ItemChangedFn>(OnItemChanged)},
    {Channel_ContextMenuSelect, Callback<ContextMenuSelectFn>(OnContextMenuSelect)},
    {Channel_CurrentLayerChange, Callback<CurrentLayerChangeFn>(OnCurrentLayerChange)},
    {Channel_UserGroupCreated, Callback<UserGroupCreatedFn>(OnUserGroupCreated)},
    {Channel_UserGroupDestroyed, Callback<UserGroupDestroyedFn>(OnUserGroupDestroyed)},
    {Channel_MenuSelect, Callback<MenuSelectFn>(OnMenuSelect)},
    {Channel_ToolbarSelect, Callback<ToolbarSelectFn>(OnToolbarSelect)},
};

} // namespace quillmark

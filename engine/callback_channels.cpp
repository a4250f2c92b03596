#include "callback_channels.h"

namespace {
// The channel numbers in the order of the table.
constexpr int kChannels[kChannelCount] = {
    Channel_AnnotateEvent,    Channel_RequestLayerPassword, Channel_Stamping,
    Channel_MouseEvent,       Channel_PaletteMenuSelect,    Channel_UserDraw,
    Channel_ItemChanged,      Channel_CurrentLayerChange,   Channel_ContextMenuSelect,
    Channel_UserGroupCreated, Channel_UserGroupDestroyed,   Channel_MenuSelect,
    Channel_ToolbarSelect,
};
} // namespace

int CallbackChannels::IndexOf(int channel)
{
    for (int i = 0; i < kChannelCount; ++i)
        if (kChannels[i] == channel)
            return i;
    return -1;
}

void CallbackChannels::Register(int channel, void* function)
{
    int index = IndexOf(channel);
    if (index < 0 || silenced_)
        return;
    functions_[index] = function;
}

void* CallbackChannels::Function(int channel) const
{
    int index = IndexOf(channel);
    return index < 0 ? nullptr : functions_[index];
}

void CallbackChannels::Silence()
{
    silenced_ = true;
    for (void*& function : functions_)
        function = nullptr;
}

bool CallbackChannels::PassesAnnotateFilter(int code)
{
    switch (code) {
    case QMK_AnnotationAdded:
    case QMK_AnnotationMoved:
    case QMK_AnnotationDeleted:
    case QMK_AnnotationSelected:
    case QMK_AnnotationEndSelected:
    case QMK_ItemRightClick:
    case QMK_ToolChange:
    case QMK_TextEditStart:
    case QMK_TextEditEnd:
    case QMK_ToolPaletteRClick:
    case QMK_GroupSelected:
        return true;
    default:
        return false;
    }
}

bool CallbackChannels::PassesMouseFilter(int code)
{
    return (code >= QMK_Click && code <= QMK_DoubleClick) || code == QMK_MouseMove;
}

void CallbackChannels::AnnotateEvent(int code, int data)
{
    if (!PassesAnnotateFilter(code))
        return;
    if (code == QMK_AnnotationEndSelected)
        data = 0;
    if (auto fn = Get<AnnotateEventFn>(Channel_AnnotateEvent))
        fn(cookie_, code, data);
}

void CallbackChannels::RequestLayerPassword(BSTR layerName, BSTR* password)
{
    if (auto fn = Get<RequestLayerPasswordFn>(Channel_RequestLayerPassword))
        fn(cookie_, layerName, password);
}

void CallbackChannels::Stamping()
{
    if (auto fn = Get<StampingFn>(Channel_Stamping))
        fn(cookie_);
}

void CallbackChannels::MouseEvent(int code, int layer, int seq, int button, int shift, int x,
                                  int y)
{
    if (!PassesMouseFilter(code))
        return;
    if (auto fn = Get<MouseEventFn>(Channel_MouseEvent))
        fn(cookie_, code, layer, seq, button, shift, x, y);
}

void CallbackChannels::PaletteMenuSelect(int tool, int menuId, int subMenuId, int user1,
                                         int user2)
{
    if (auto fn = Get<PaletteMenuSelectFn>(Channel_PaletteMenuSelect))
        fn(cookie_, tool, menuId, subMenuId, user1, user2);
}

void CallbackChannels::UserDraw(HDC dc, int x, int y, int width, int height, int layer, int seq,
                                int userLong)
{
    if (auto fn = Get<UserDrawFn>(Channel_UserDraw))
        fn(cookie_, dc, x, y, width, height, layer, seq, userLong);
}

void CallbackChannels::ItemChanged(int layer, int seq, int attribute)
{
    if (auto fn = Get<ItemChangedFn>(Channel_ItemChanged))
        fn(cookie_, layer, seq, attribute);
}

void CallbackChannels::CurrentLayerChange(int layer)
{
    if (auto fn = Get<CurrentLayerChangeFn>(Channel_CurrentLayerChange))
        fn(cookie_, layer);
}

void CallbackChannels::ContextMenuSelect(int menuId, int layer, int seq)
{
    if (auto fn = Get<ContextMenuSelectFn>(Channel_ContextMenuSelect))
        fn(cookie_, menuId, layer, seq);
}

void CallbackChannels::UserGroupCreated(int layer, int groupId)
{
    if (auto fn = Get<UserGroupCreatedFn>(Channel_UserGroupCreated))
        fn(cookie_, layer, groupId);
}

void CallbackChannels::UserGroupDestroyed(int layer, int groupId)
{
    if (auto fn = Get<UserGroupDestroyedFn>(Channel_UserGroupDestroyed))
        fn(cookie_, layer, groupId);
}

void CallbackChannels::MenuSelect(int menu, int tool, int topId, int subId, int user1, int user2,
                                  int layer, int seq)
{
    if (auto fn = Get<MenuSelectFn>(Channel_MenuSelect))
        fn(cookie_, menu, tool, topId, subId, user1, user2, layer, seq);
}

void CallbackChannels::ToolbarSelect(int tool, int layer)
{
    if (auto fn = Get<ToolbarSelectFn>(Channel_ToolbarSelect))
        fn(cookie_, tool, layer);
}

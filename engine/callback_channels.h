#pragma once
// The host's callbacks, one per channel, and the rules on the way to them:
// a channel is called only while its function is set, always with the host
// cookie first; channel 1 passes only the notification codes the host
// understands, channel 5 only the mouse codes. Once silenced (the engine is
// being torn down) nothing reaches the host any more.
#include "annotation_engine.h"

class CallbackChannels {
public:
    explicit CallbackChannels(HostCookie cookie) : cookie_(cookie) {}

    // Stores (or, for null, empties) a channel; an unknown channel is ignored.
    void Register(int channel, void* function);
    void* Function(int channel) const;
    // Empties every channel for good.
    void Silence();

    // Channel 1 after its filter: 1001-1004, 1014, 1015, 1017, 1018, 1100 and
    // 2001 pass as given, 1005 always with data 0, every other code is dropped.
    void AnnotateEvent(int code, int data);
    void RequestLayerPassword(BSTR layerName, BSTR* password);
    void Stamping();
    // Channel 5 passes only 1010-1013 and 1016.
    void MouseEvent(int code, int layer, int seq, int button, int shift, int x, int y);
    void PaletteMenuSelect(int tool, int menuId, int subMenuId, int user1, int user2);
    void UserDraw(HDC dc, int x, int y, int width, int height, int layer, int seq, int userLong);
    void ItemChanged(int layer, int seq, int attribute);
    void CurrentLayerChange(int layer);
    void ContextMenuSelect(int menuId, int layer, int seq);
    void UserGroupCreated(int layer, int groupId);
    void UserGroupDestroyed(int layer, int groupId);
    void MenuSelect(int menu, int tool, int topId, int subId, int user1, int user2, int layer,
                    int seq);
    void ToolbarSelect(int tool, int layer);

    static bool PassesAnnotateFilter(int code);
    static bool PassesMouseFilter(int code);

private:
    static int IndexOf(int channel);
    template <typename Fn>
    Fn Get(int channel) const { return reinterpret_cast<Fn>(Function(channel)); }

    HostCookie cookie_;
    void* functions_[kChannelCount] = {};
    bool silenced_ = false;
};

// The channel table and its filters, and the engine's relays for its layers
// (the liveness rules of channels 8, 10 and 17).
#include <gtest/gtest.h>

#include <vector>

#include "callback_channels.h"
#include "engine_object.h"

namespace {

struct Seen {
    int channel;
    std::vector<int> args;
    bool operator==(const Seen& o) const { return channel == o.channel && args == o.args; }
};
std::vector<Seen> g_seen;
const HostCookie kCookie = 0x5151;

int __stdcall AnnotateRecorder(HostCookie cookie, int code, int data)
{
    g_seen.push_back({cookie == kCookie ? 1 : -1, {code, data}});
    return 0;
}
int __stdcall MouseRecorder(HostCookie cookie, int code, int layer, int seq, int button,
                            int shift, int x, int y)
{
    g_seen.push_back({cookie == kCookie ? 5 : -5, {code, layer, seq, button, shift, x, y}});
    return 0;
}
int __stdcall ItemChangedRecorder(HostCookie cookie, int layer, int seq, int attribute)
{
    g_seen.push_back({cookie == kCookie ? 8 : -8, {layer, seq, attribute}});
    return 0;
}
int __stdcall ContextMenuRecorder(HostCookie cookie, int menuId, int layer, int seq)
{
    g_seen.push_back({cookie == kCookie ? 10 : -10, {menuId, layer, seq}});
    return 0;
}
int __stdcall MenuRecorder(HostCookie cookie, int menu, int tool, int top, int sub, int u1,
                           int u2, int layer, int seq)
{
    g_seen.push_back({cookie == kCookie ? 17 : -17, {menu, tool, top, sub, u1, u2, layer, seq}});
    return 0;
}

TEST(ChannelFilters, AnnotateAndMouseCodes)
{
    struct Case {
        int code;
        int data;
        bool onAnnotate;  // reaches channel 1 (with data, or 0 for 1005)
        bool onMouse;     // reaches channel 5
    };
    const Case cases[] = {
        {1001, 7, true, false}, {1002, 7, true, false}, {1003, 7, true, false},
        {1004, 7, true, false}, {1005, 7, true, false}, {1006, 7, false, false},
        {1008, 7, false, false}, {1009, 7, false, false}, {1010, 7, false, true},
        {1011, 7, false, true}, {1012, 7, false, true}, {1013, 7, false, true},
        {1014, 7, true, false}, {1015, 7, true, false}, {1016, 7, false, true},
        {1017, 7, true, false}, {1018, 7, true, false}, {1019, 7, false, false},
        {1100, 7, true, false}, {2001, 7, true, false}, {0, 7, false, false},
    };
    CallbackChannels channels(kCookie);
    channels.Register(Channel_AnnotateEvent, reinterpret_cast<void*>(&AnnotateRecorder));
    channels.Register(Channel_MouseEvent, reinterpret_cast<void*>(&MouseRecorder));
    for (const Case& c : cases) {
        g_seen.clear();
        channels.AnnotateEvent(c.code, c.data);
        channels.MouseEvent(c.code, 1, 2, 3, 4, 5, 6);
        std::vector<Seen> expected;
        if (c.onAnnotate)
            expected.push_back({1, {c.code, c.code == 1005 ? 0 : c.data}});
        if (c.onMouse)
            expected.push_back({5, {c.code, 1, 2, 3, 4, 5, 6}});
        EXPECT_EQ(expected, g_seen) << c.code;
    }
}

TEST(ChannelTable, UnknownChannelsAreIgnoredAndSilenceIsFinal)
{
    CallbackChannels channels(kCookie);
    void* fn = reinterpret_cast<void*>(&AnnotateRecorder);
    for (int channel : {0, 2, 13, 14, 15, 16, 19, 20, -1}) {
        channels.Register(channel, fn);
        EXPECT_EQ(nullptr, channels.Function(channel)) << channel;
    }
    channels.Register(Channel_AnnotateEvent, fn);
    EXPECT_EQ(fn, channels.Function(Channel_AnnotateEvent));
    channels.Register(Channel_AnnotateEvent, nullptr);
    EXPECT_EQ(nullptr, channels.Function(Channel_AnnotateEvent));
    channels.Register(Channel_AnnotateEvent, fn);
    channels.Silence();
    channels.Register(Channel_AnnotateEvent, fn);
    g_seen.clear();
    channels.AnnotateEvent(QMK_AnnotationAdded, 1);
    EXPECT_TRUE(g_seen.empty());
}

TEST(LayerRelays, ItemChannelsNeedALiveItem)
{
    EngineObject engine(kCookie, nullptr);
    engine.RegisterCallback(Channel_ItemChanged, reinterpret_cast<void*>(&ItemChangedRecorder));
    engine.RegisterCallback(Channel_ContextMenuSelect,
                            reinterpret_cast<void*>(&ContextMenuRecorder));
    engine.RegisterCallback(Channel_MenuSelect, reinterpret_cast<void*>(&MenuRecorder));
    engine.RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&AnnotateRecorder));
    int layer = engine.CreateLayer(1);
    LayerHost& relays = engine.AsLayerHost();
    g_seen.clear();
    // A layer without that item, and a layer that is not the engine's.
    relays.ItemChanged(layer, 1, QMK_PenColor);
    relays.ItemChanged(0x7777, 1, QMK_PenColor);
    relays.ContextMenuSelect(1000, layer, 1);
    relays.MenuSelect(1, RectangleTool, 5, 0, 0, 0, layer, 1);
    EXPECT_TRUE(g_seen.empty());
    // Channel 17 with layer 0 goes at once; notify goes through the filter.
    relays.MenuSelect(2, RectangleTool, 5, 6, 7, 8, 0, 0);
    relays.Notify(QMK_AnnotationEndSelected, 9);
    relays.Notify(QMK_Click, 9);
    const std::vector<Seen> expected = {
        {17, {2, RectangleTool, 5, 6, 7, 8, 0, 0}},
        {1, {QMK_AnnotationEndSelected, 0}},
    };
    EXPECT_EQ(expected, g_seen);
}

TEST(LayerRelays, CursorKindsFollowTheirOwnFlags)
{
    EngineObject engine(kCookie, nullptr);
    LayerHost& relays = engine.AsLayerHost();
    // The test program carries no cursor resources, so only the text tool's
    // creating cursor (the system I-beam) and the system ids are present.
    EXPECT_EQ(1, relays.SetToolCursor(TextTool, Cursor_Creating));
    EXPECT_EQ(0, relays.SetToolCursor(RectangleTool, Cursor_Selecting));
    EXPECT_EQ(1, relays.SetToolCursor(0, 32642));  // a system cursor id
    engine.SetUseCursorType(Cursor_Creating, 0);
    EXPECT_EQ(0, relays.SetToolCursor(TextTool, Cursor_Creating));
}

} // namespace

#pragma once
// The engine's notifications, one per channel and mouse code, with the events
// each fires: the table the event tests of the units and of the control share.
#include <windows.h>

#include "annotation_engine.h"

#include <string>
#include <vector>

namespace quillmark_test {

// One engine notification: the channel it comes on and how the engine calls it.
struct Notification {
    const char* name;
    int channel;
    int (*call)(void* function, HostCookie cookie);
    std::vector<std::string> fired;  // with a client
    bool firesWithoutClient;
};

template <class Fn, class... A>
int Call(void* function, HostCookie cookie, A... args)
{
    return reinterpret_cast<Fn>(function)(cookie, args...);
}

inline const Notification kNotifications[] = {
    {"AnnotateEvent", 1, [](void* f, HostCookie c) { return Call<AnnotateEventFn>(f, c, 1001, 7); },
     {"1(I4 1001,I4 7)"}, false},
    {"Click", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1010, 2, 3, 1, 4, 50, 60); },
     {"6(I4 2,I4 3)"}, false},
    {"MouseDown", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1011, 2, 3, 1, 4, 50, 60); },
     {"8(I4 2,I4 3,I2 1,I2 4,I4 50,I4 60)"}, false},
    {"MouseUp", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1012, 2, 3, 2, 0, -5, 6); },
     {"9(I4 2,I4 3,I2 2,I2 0,I4 -5,I4 6)"}, false},
    {"DoubleClick", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1013, 2, 3, 1, 4, 50, 60); },
     {"10(I4 2,I4 3)"}, false},
    {"MouseMove", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1016, 2, 3, 0, 1, 70, 80); },
     {"11(I4 2,I4 3,I2 0,I2 1,I4 70,I4 80)"}, false},
    {"ItemRightClickFiresNothing", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1014, 2, 3, 1, 4, 50, 60); },
     {}, false},
    {"ToolChangeFiresNothing", 5,
     [](void* f, HostCookie c) { return Call<MouseEventFn>(f, c, 1015, 2, 3, 1, 4, 50, 60); },
     {}, false},
    {"PaletteMenuSelect", 6,
     [](void* f, HostCookie c) { return Call<PaletteMenuSelectFn>(f, c, 4098, 11, 12, 13, 14); },
     {"7(I4 4098,I4 11,I4 12,I4 13,I4 14)"}, false},
    {"Stamping", 4, [](void* f, HostCookie c) { return Call<StampingFn>(f, c); }, {"2()"}, true},
    {"UserDraw", 7,
     [](void* f, HostCookie c) {
         return Call<UserDrawFn>(f, c, reinterpret_cast<HDC>(0x1234), 1, 2, 3, 4, 5, 6, 7);
     },
     {"12(I4 4660,I4 1,I4 2,I4 3,I4 4,I4 5,I4 6,I4 7)"}, true},
    {"ItemChanged", 8, [](void* f, HostCookie c) { return Call<ItemChangedFn>(f, c, 5, 6, 29); },
     {"13(I4 5,I4 6,I4 29)"}, true},
    {"CurrentLayerChange", 9,
     [](void* f, HostCookie c) { return Call<CurrentLayerChangeFn>(f, c, 8); }, {"5(I4 8)"}, true},
    {"ContextMenuSelect", 10,
     [](void* f, HostCookie c) { return Call<ContextMenuSelectFn>(f, c, 20001, 5, 6); },
     {"14(I4 20001,I4 5,I4 6)"}, true},
    {"UserGroupCreated", 11,
     [](void* f, HostCookie c) { return Call<UserGroupCreatedFn>(f, c, 5, 9); },
     {"15(I4 5,I4 9)"}, true},
    {"UserGroupDestroyed", 12,
     [](void* f, HostCookie c) { return Call<UserGroupDestroyedFn>(f, c, 5, 9); },
     {"16(I4 5,I4 9)"}, true},
    {"MenuSelect", 17,
     [](void* f, HostCookie c) { return Call<MenuSelectFn>(f, c, 2, 4097, 30, 31, 32, 33, 5, 6); },
     {"17(I4 2,I4 4097,I4 30,I4 31,I4 32,I4 33,I4 5,I4 6)"}, true},
    {"ToolbarSelect", 18, [](void* f, HostCookie c) { return Call<ToolbarSelectFn>(f, c, 4104, 5); },
     {"18(I4 4104,I4 5)"}, true},
};

} // namespace quillmark_test

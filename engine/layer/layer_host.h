#pragma once
// What a layer may ask of the engine that owns it: the engine's relays to the
// host's channels, drawing with the engine's pens and brushes, cursors,
// invalidation of the host window and the host's drawing services. The engine
// hands itself to every layer it creates under this interface.
#include <windows.h>
#include <oleauto.h>

class UnitNames;
class ViewMapping;

// A mouse hook: (context, window, message, wParam, x, y, out event code,
// out event data) -> -1 to hand the message on, else the result of the message.
typedef int (*MouseHookFn)(void* context, HWND window, UINT message, WPARAM wParam, int x, int y,
                           int* eventCode, int* eventData);

class LayerHost {
public:
    // The engine's view of the host (shared by every layer); null until the
    // view mapping is built.
    virtual ViewMapping* Mapping() = 0;
    virtual bool GroupingAllowed() = 0;
    virtual void GroupCreated(int layer, int groupId) = 0;
    virtual void GroupDestroyed(int layer, int groupId) = 0;
    // Invalidates a rectangle in layer units, or the whole host window for null.
    virtual void Invalidate(const RECT* layerRect) = 0;
    // An annotationEVENT for channel 1 (filtered there).
    virtual void Notify(int code, int data) = 0;
    // Channel 8, only for a live item: its layer belongs to this engine and the
    // item exists, is complete and is in its layer's list.
    virtual void ItemChanged(int layer, int seq, int attribute) = 0;
    virtual void UserDraw(HDC dc, int x, int y, int width, int height, int layer, int seq,
                          int userLong) = 0;
    virtual void Stamping() = 0;
    // Channel 5 for the mouse codes, nothing for others.
    virtual void MouseEvent(int code, int layer, int seq, int button, int shift, int x, int y) = 0;
    virtual void ImageSize(int* width, int* height) = 0;
    // Brushes and pens of the paint in progress; the engine owns them.
    virtual void SelectBrush(int ignored, COLORREF fill, bool hollow, int hatchStyle,
                             COLORREF hatchColor) = 0;
    virtual void SelectPen(int width, COLORREF color, int ignored, int style) = 0;
    // The paint's device holds another pen or brush than the two above
    // selected last.
    virtual void DeviceToolsChanged() {}
    virtual void ToolShown(int layer, int tool) = 0;
    virtual int HostDrawCall(int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8,
                             int v9, int v10, int v11, int v12) = 0;
    virtual int MapHostValue(int picture, int code) = 0;
    // (tool, kind): 1 when a cursor was set, 0 when the host's cursor stays.
    virtual int SetToolCursor(int tool, int kind) = 0;
    // The palette's per-tool state, for the current layer.
    virtual void PaletteToolEnabled(int tool, bool enabled) = 0;
    virtual void PaletteToolDeleted(int tool, bool deleted) = 0;
    virtual void PaletteToolVisible(int tool, bool visible) = 0;
    // Channel 10 and channel 17, only for a live item (channel 17 at once for layer 0).
    virtual void ContextMenuSelect(int menuId, int layer, int seq) = 0;
    virtual void MenuSelect(int menu, int tool, int topId, int subId, int user1, int user2,
                            int layer, int seq) = 0;
    virtual void RequestLayerPassword(BSTR layerName, BSTR* password) = 0;
    // Whether a right click on an item opens the context menu.
    virtual bool ContextMenuEnabled() = 0;
    // Builds and runs the context menu of an item of a layer.
    virtual void ShowContextMenu(int layer, int seq) = 0;
    // Installs (or, with a null function, removes) the engine's mouse hook.
    virtual void SetMouseHook(MouseHookFn hook, void* context) = 0;
    // Whether a layer of this handle is in the engine's list now.
    virtual bool HasLayer(int handle) = 0;
    // The engine's text settings and font cache; null when there are none.
    virtual UnitNames* TextSettings() { return nullptr; }

protected:
    ~LayerHost() = default;
};

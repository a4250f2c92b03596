// What the engine does for its layers (the LayerHost side of the engine).
#include "engine_object.h"

#include "view/view_mapping.h"

bool EngineObject::IsLiveItem(int layer, int seq) const
{
    AnnotationLayer* found = FindLayer(layer);
    return found && found->HasLiveItem(seq);
}

void EngineObject::GroupCreated(int layer, int groupId)
{
    channels_.UserGroupCreated(layer, groupId);
}

void EngineObject::GroupDestroyed(int layer, int groupId)
{
    channels_.UserGroupDestroyed(layer, groupId);
}

void EngineObject::Invalidate(const RECT* layerRect)
{
    if (!redraw_ || !hostWindow_ || !IsWindow(hostWindow_))
        return;
    if (layerRect) {
        RECT window = mapping_->LayerToWindow(*layerRect);
        InvalidateRect(hostWindow_, &window, TRUE);
        return;
    }
    InvalidateRect(hostWindow_, nullptr, TRUE);
}

void EngineObject::Notify(int code, int data)
{
    channels_.AnnotateEvent(code, data);
}

void EngineObject::ItemChanged(int layer, int seq, int attribute)
{
    if (IsLiveItem(layer, seq))
        channels_.ItemChanged(layer, seq, attribute);
}

void EngineObject::UserDraw(HDC dc, int x, int y, int width, int height, int layer, int seq,
                            int userLong)
{
    channels_.UserDraw(dc, x, y, width, height, layer, seq, userLong);
    paint_.Forget();   // the host may have selected anything into the device
}

void EngineObject::Stamping()
{
    channels_.Stamping();
}

void EngineObject::MouseEvent(int code, int layer, int seq, int button, int shift, int x, int y)
{
    channels_.MouseEvent(code, layer, seq, button, shift, x, y);
}

void EngineObject::ImageSize(int* width, int* height)
{
    PrgGetImageMappingDimensions(width, height);
}

void EngineObject::SelectBrush(int, COLORREF fill, bool hollow, int hatchStyle,
                               COLORREF hatchColor)
{
    paint_.SelectBrush(fill, hollow, hatchStyle, hatchColor);
}

void EngineObject::SelectPen(int width, COLORREF color, int, int style)
{
    paint_.SelectPen(PaintTools::DeviceWidth(mapping_.get(), width), color, style);
}

int EngineObject::HostDrawCall(int v1, int v2, int v3, int v4, int v5, int v6, int v7, int v8,
                               int v9, int v10, int v11, int v12)
{
    if (!hostDrawCall_)
        return 0;
    const int result = hostDrawCall_(v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12);
    paint_.Forget();   // the host may have selected anything into the paint's device
    return result;
}

int EngineObject::MapHostValue(int picture, int code)
{
    if (!mapHostValue_)
        return picture;
    return mapHostValue_(serviceCookie_, picture, code);
}

int EngineObject::SetToolCursor(int tool, int kind)
{
    if (kind >= 32642 && kind <= 32648) {
        HCURSOR cursor = kind == 32646 ? cursors_->MoveCursor()
                                       : LoadCursorA(nullptr, MAKEINTRESOURCEA(kind));
        if (cursor)
            SetCursor(cursor);
        return 1;
    }
    bool allowed = (kind == Cursor_Creating && creatingCursor_) ||
                   (kind == Cursor_Selecting && selectingCursor_) ||
                   (kind == Cursor_Moving && movingCursor_);
    HCURSOR cursor = allowed ? cursors_->Cursor(tool, kind) : nullptr;
    if (!cursor)
        return 0;
    SetCursor(cursor);
    return 1;
}

void EngineObject::ContextMenuSelect(int menuId, int layer, int seq)
{
    if (IsLiveItem(layer, seq))
        channels_.ContextMenuSelect(menuId, layer, seq);
}

void EngineObject::MenuSelect(int menu, int tool, int topId, int subId, int user1, int user2,
                              int layer, int seq)
{
    if (layer == 0 || IsLiveItem(layer, seq))
        channels_.MenuSelect(menu, tool, topId, subId, user1, user2, layer, seq);
}

void EngineObject::RequestLayerPassword(BSTR layerName, BSTR* password)
{
    channels_.RequestLayerPassword(layerName, password);
}

bool EngineObject::ContextMenuEnabled()
{
    return settings_->ContextMenuEnabled();
}

void EngineObject::SetMouseHook(MouseHookFn hook, void* context)
{
    mouseHook_ = hook;
    mouseHookContext_ = hook ? context : nullptr;
}

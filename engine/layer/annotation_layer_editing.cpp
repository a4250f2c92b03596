// Editing a layer with the mouse and the keyboard: the pointer tool's
// selecting, dragging and resizing, drawing with a drawing tool, the cursors,
// and the interactive mode in which the host only hears of clicks on items.
#include <algorithm>

#include "layer/annotation_layer.h"
#include "objects/button_annotation.h"
#include "layer/layer_host.h"
#include "view/view_mapping.h"

namespace {

// Button codes of the interactive reports.
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;

// The system cursor over each handle of a rectangle: the two diagonals, then
// west-east and north-south.
const int kHandleCursor[8] = {
    32642, 32643, 32643, 32642,  // corners: top-left, top-right, bottom-left, bottom-right
    32644, 32644,                // left, right
    32645, 32645,                // top, bottom
};
constexpr int kMoveCursor = 32646;

// The button of the key flags; with several down the middle one wins over
// the right one, the right one over the left one.
int ButtonOfKeys(WPARAM keys)
{
    int button = 0;
    if (keys & MK_LBUTTON)
        button = kLeftButton;
    if (keys & MK_RBUTTON)
        button = kRightButton;
    if (keys & MK_MBUTTON)
        button = kMiddleButton;
    return button;
}

int ButtonOfMessage(UINT message)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return kLeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return kRightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return kMiddleButton;
    default:
        return 0;
    }
}

// Shift-state codes: 1 Shift, 2 Control, 4 Alt.
int ShiftState(WPARAM keys)
{
    int shift = 0;
    if (GetKeyState(VK_MENU) < 0)
        shift |= 4;
    if (keys & MK_SHIFT)
        shift |= 1;
    if (keys & MK_CONTROL)
        shift |= 2;
    return shift;
}

RECT UnionOf(const RECT& a, const RECT& b)
{
    if (IsRectEmpty(&a))
        return b;
    if (IsRectEmpty(&b))
        return a;
    RECT result;
    UnionRect(&result, &a, &b);
    return result;
}

} // namespace

// ---- shared pieces ---------------------------------------------------------------------

bool AnnotationLayer::CursorOverImage(HWND window) const
{
    POINT cursor = {};
    if (!window || !mapping_ || !GetCursorPos(&cursor) || WindowFromPoint(cursor) != window)
        return false;
    ScreenToClient(window, &cursor);
    RECT image = mapping_->LayerToWindow(
        RECT{0, 0, Annotation::kLayerUnitsFull, Annotation::kLayerUnitsFull});
    return PtInRect(&image, cursor) != FALSE;
}

void AnnotationLayer::ForgetItem(const Annotation* item)
{
    if (!item)
        return;
    if (editing_ == item)
        editing_ = nullptr;
    if (rightPress_ == item)
        rightPress_ = nullptr;
    if (captured_ == item)
        captured_ = nullptr;
}

bool AnnotationLayer::ReportItemEvent(int code, const Annotation* item)
{
    if (code == 0 || !item)
        return true;
    // The item may have gone while it worked (a finished drawing may have
    // been deleted by the host when told of it).
    if (item == pending_.get())
        return Notify(code, item->SequenceNumber());
    for (const auto& owned : items_)
        if (owned.get() == item)
            return Notify(code, item->SequenceNumber());
    return true;
}

bool AnnotationLayer::ItemMouse(Annotation& item, HWND window, UINT message, WPARAM keys, int x,
                                int y, int* result)
{
    // A finished drawing joins the list during the item's call and the host
    // hears of it: the layer and the item may both be gone afterwards.
    const LayerPresence presence = Presence();
    int code = 0;
    *result = item.HandleMouse(window, message, keys, x, y, &code);
    if (!presence.StillThere())
        return false;
    return ReportItemEvent(code, &item);
}

bool AnnotationLayer::MouseEventRelay(int code, int seq, int button, int shift, int x, int y)
{
    const LayerPresence presence = Presence();
    host_.MouseEvent(code, handle_, seq, button, shift, x, y);
    return presence.StillThere();
}

std::vector<int> AnnotationLayer::SelectedSequenceNumbers() const
{
    std::vector<int> seqs;
    seqs.reserve(selection_.size());
    for (const Annotation* item : selection_)
        seqs.push_back(item->SequenceNumber());
    return seqs;
}

void AnnotationLayer::AddDirty(const RECT& layerRect)
{
    dirty_ = UnionOf(dirty_, layerRect);
}

bool AnnotationLayer::InvalidateDirty(bool updateNow)
{
    const RECT dirty = dirty_;
    dirty_ = RECT{};
    if (IsRectEmpty(&dirty))
        return true;
    return Invalidate(dirty, updateNow);
}

bool AnnotationLayer::SelectForEdit(Annotation& item)
{
    AddDirty(ItemArea(item));
    return Select(item);  // reports only an item newly selected
}

Annotation* AnnotationLayer::ItemAtPoint(int x, int y, bool includeLocked, int* handle)
{
    if (handle)
        *handle = -1;
    // The current object's handles come first.
    Annotation* current = CurrentObject();
    if (current && current->IsSelected()) {
        int hit = current->HitHandle(nullptr, 0, x, y);
        if (hit != -1) {
            if (handle)
                *handle = hit;
            return current;
        }
    }
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        Annotation& item = **it;
        if (!includeLocked && item.MapNumber(QMK_Locked) != 0)
            continue;
        if (IsItemSelected(&item)) {
            int hit = item.HitHandle(nullptr, 0, x, y);
            if (hit != -1 && IsItemSelected(&item)) {
                if (handle)
                    *handle = hit;
                return &item;
            }
        }
        if (item.HitTest(x, y))
            return &item;
    }
    return nullptr;
}

int AnnotationLayer::CursorCode(const Annotation& item, int handle)
{
    if (handle == -1)
        return 1;
    if (item.MapNumber(QMK_Sizeable) != 0) {
        if (Annotation::IsPointListKind(item.Type()))
            return kMoveCursor;
        return handle >= 0 && handle < 8 ? kHandleCursor[handle] : 0;
    }
    if (item.MapNumber(QMK_Moveable) != 0)
        return 2;
    return 0;
}

// ---- edit mode ------------------------------------------------------------------------------

int AnnotationLayer::HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y)
{
    if (currentTool_ == NoTool)
        return -1;
    if (currentTool_ == PointerTool)
        return PointerMouse(window, message, keys, x, y);
    return DrawingToolMouse(window, message, keys, x, y);
}

int AnnotationLayer::DrawingToolMouse(HWND window, UINT message, WPARAM keys, int x, int y)
{
    Annotation* object = CurrentObject();
    if (!object)
        return -1;
    if (!object->IsCommitted()) {
        // A press or release during a drawing reaches it wherever the cursor
        // is, so that a drawing ended off the window is dropped rather than
        // left holding the mouse.
        const bool endsDrawing = object->IsTracking() &&
                                 (message == WM_LBUTTONUP || message == WM_LBUTTONDOWN);
        if (!endsDrawing && !CursorOverImage(window))
            return -1;
        if (message == WM_LBUTTONDBLCLK)
            lastDrag_.x = -1;
    }
    // A finished object moves into the list (and a fresh one is pending)
    // during this call; it lives on as an item unless the host, told of it,
    // deleted it.
    int result = -1;
    ItemMouse(*object, window, message, keys, x, y, &result);
    return result;
}

int AnnotationLayer::PointerMouse(HWND window, UINT message, WPARAM keys, int x, int y)
{
    switch (message) {
    case WM_SETCURSOR:
        return PointerSetCursor(x, y);
    case WM_MOUSEMOVE:
        return PointerMove(window, keys, x, y);
    case WM_LBUTTONDOWN:
        return PointerLeftDown(window, keys, x, y);
    case WM_LBUTTONUP:
        return PointerLeftUp(window, keys, x, y);
    case WM_LBUTTONDBLCLK: {
        Annotation* current = CurrentObject();
        if (!current || current->Type() != TextTool)
            return -1;
        int result = -1;
        ItemMouse(*current, window, message, keys, x, y, &result);
        return result;
    }
    case WM_RBUTTONDOWN:
        return PointerRightDown(window, x, y);
    case WM_RBUTTONUP:
        return PointerRightUp(x, y);
    default:
        return -1;
    }
}

int AnnotationLayer::PointerSetCursor(int x, int y)
{
    if (GroupHandleCursor(x, y))
        return 1;
    int handle = -1;
    Annotation* item = ItemAtPoint(x, y, false, &handle);
    if (!item)
        return -1;
    int code = CursorCode(*item, handle);
    if (code == 0)
        return -1;
    return host_.SetToolCursor(item->Type(), code) != 0 ? 0 : -1;
}

int AnnotationLayer::PointerMove(HWND window, WPARAM keys, int x, int y)
{
    if (lastDrag_.x != -1 && (keys & MK_LBUTTON) && (!selection_.empty() || AnyGroupSelected())) {
        if (!CursorOverImage(window))
            return -1;
        const int dx = x - lastDrag_.x;
        const int dy = y - lastDrag_.y;
        dirty_ = RECT{};
        if (!DragGroups(dx, dy))
            return -1;
        // The host may change the selection when told of a move: walk a copy.
        for (int seq : SelectedSequenceNumbers()) {
            Annotation* item = FindItem(seq);
            if (!item || !IsItemSelected(item))
                continue;
            if (item->IsTracking()) {
                int ignored = -1;
                if (!ItemMouse(*item, window, WM_MOUSEMOVE, keys, x, y, &ignored))
                    return -1;
            } else if (item->MapNumber(QMK_Moveable) != 0) {
                RECT before;
                item->GetPaintRect(before);
                AddDirty(before);
                RECT after = {};
                item->MoveBy(dx, dy, after);
                AddDirty(after);
                if (!Notify(QMK_AnnotationMoved, seq))
                    return -1;
            }
        }
        lastDrag_ = POINT{x, y};
        if (!InvalidateDirty(true))
            return -1;
    }
    // The cursor over what now lies under the pointer.
    if (GroupHandleCursor(x, y))
        return 1;
    int handle = -1;
    Annotation* item = ItemAtPoint(x, y, false, &handle);
    if (item) {
        int code = CursorCode(*item, handle);
        if (code == 1 && GetCapture() != nullptr)
            SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // the arrow
        else if (code != 0)
            host_.SetToolCursor(item->Type(), code);
    }
    return -1;
}

int AnnotationLayer::PointerLeftDown(HWND window, WPARAM keys, int x, int y)
{
    if (items_.empty())
        return -1;
    dirty_ = RECT{};
    lastDrag_.x = -1;

    // A press on a handle of a selected group starts the group's resize.
    if (StartGroupResize(window, x, y))
        return 0;

    // A press on a handle of a selected item starts its resize; it alone
    // stays selected.
    for (Annotation* item : selection_) {
        int handle = item->HitHandle(window, WM_LBUTTONDOWN, x, y);
        if (handle == -1)
            continue;
        std::vector<Annotation*> others;
        for (Annotation* other : selection_)
            if (other != item)
                others.push_back(other);
        for (Annotation* other : others) {
            AddDirty(ItemArea(*other));
            Deselect(*other);
        }
        const int seq = item->SequenceNumber();
        const int code = CursorCode(*item, handle);
        const int type = item->Type();
        if (!InvalidateDirty(true) || !FindItem(seq))
            return 0;
        if (code != 0)
            host_.SetToolCursor(type, code);
        lastDrag_ = POINT{x, y};
        if (!Notify(QMK_AnnotationEndSelected, 0) || !FindItem(seq))
            return 0;
        Notify(QMK_AnnotationSelected, seq);
        return 0;
    }

    if (!(keys & MK_SHIFT) && !DeselectAll())
        return -1;

    // The press picks the item under it (never a locked one); the drag
    // point is set in any case, so that a press beside the items with Shift
    // held drags the selection as it is (locked items included).
    Annotation* item = ItemAtPoint(x, y, false, nullptr);
    editing_ = item;
    // A member of a yoked group picks the whole group.
    if (AnnotationGroup* group = item ? YokedGroupOf(*item) : nullptr) {
        editing_ = nullptr;
        const int id = group->id;
        SelectGroupAsUnit(*group);
        lastDrag_ = POINT{x, y};
        if (!Notify(QMK_GroupSelected, id))
            return -1;
        InvalidateDirty(false);
        return -1;
    }
    if (item && !SelectForEdit(*item))
        return 0;
    lastDrag_ = POINT{x, y};
    InvalidateDirty(false);
    return editing_ ? 0 : -1;
}

int AnnotationLayer::PointerLeftUp(HWND window, WPARAM keys, int x, int y)
{
    if (resizingGroup_ != 0)
        EndGroupResize();
    for (int seq : SelectedSequenceNumbers()) {
        Annotation* item = FindItem(seq);
        if (!item || !IsItemSelected(item))
            continue;
        int ignored = -1;
        if (!ItemMouse(*item, window, WM_LBUTTONUP, keys, x, y, &ignored))
            return -1;
    }
    return -1;
}

int AnnotationLayer::PointerRightDown(HWND window, int x, int y)
{
    rightPress_ = ItemAtPoint(x, y, true, nullptr);
    if (!rightPress_)
        return -1;
    if (window)
        SetCapture(window);
    return 0;
}

int AnnotationLayer::PointerRightUp(int x, int y)
{
    Annotation* pressed = rightPress_;
    if (!pressed)
        return -1;
    rightPress_ = nullptr;
    ReleaseCapture();
    if (ItemAtPoint(x, y, true, nullptr) != pressed)
        return 0;
    const int seq = pressed->SequenceNumber();
    // The host may delete the layer or the item when told of the
    // deselection or the selection.
    if (!DeselectAll())
        return 0;
    Annotation* item = FindItem(seq);
    if (!item)
        return 0;
    dirty_ = RECT{};
    editing_ = item;
    if (!SelectForEdit(*item))
        return 0;
    InvalidateDirty(false);
    item = FindItem(seq);
    if (!item)
        return 0;
    if (host_.ContextMenuEnabled())
        host_.ShowContextMenu(handle_, seq);
    else
        Notify(QMK_ItemRightClick, seq);
    return 0;
}

// ---- keys ------------------------------------------------------------------------------------

int AnnotationLayer::HandleKey(HWND window, UINT message, WPARAM key, LPARAM data)
{
    if (message == WM_CHAR && host_.GroupingAllowed() && !GroupingKey(key))
        return -1;
    Annotation* current = CurrentObject();
    if (!current)
        return -1;
    return current->HandleKey(window, message, key, data);
}

// ---- focus -------------------------------------------------------------------------------------

void AnnotationLayer::FocusLost()
{
    Annotation* object = CurrentObject();
    if (!object)
        return;
    int code = 0;
    const LayerPresence presence = Presence();
    object->CancelTracking(&code);
    if (presence.StillThere())
        ReportItemEvent(code, object);
}

// ---- interactive mode ------------------------------------------------------------------------

bool AnnotationLayer::ShowButtonPressed(Annotation& item, bool pressed)
{
    if (item.Type() != ButtonTool)
        return true;
    ButtonAnnotation& button = static_cast<ButtonAnnotation&>(item);
    if (button.Pressed() == (pressed ? 1 : 0))
        return true;
    button.SetPressed(pressed ? 1 : 0);
    return Invalidate(ItemArea(item));
}

void AnnotationLayer::ResetPressedButtons()
{
    for (const auto& item : items_) {
        item->SetPressedButton(0);
        if (item->Type() == ButtonTool)
            static_cast<ButtonAnnotation&>(*item).SetPressed(0);
    }
}

int AnnotationLayer::HandleInteractiveMouse(HWND window, UINT message, WPARAM keys, int x, int y)
{
    if (items_.empty() || !mapping_)
        return 0;
    const int button = ButtonOfKeys(keys);

    Annotation* item = nullptr;
    if (captured_ && captured_->PressedButton() == button && captured_->HitTest(x, y)) {
        item = captured_;
    } else {
        if (captured_)
            captured_->SetPressedButton(0);
        for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
            if ((*it)->HitTest(x, y)) {
                item = it->get();
                break;
            }
        }
    }
    const int shift = ShiftState(keys);
    // The point relative to an item's top-left corner, in device pixels.
    auto relative = [this, x, y](const Annotation& target) {
        POINT at = mapping_->LayerToWindow(POINT{x, y});
        POINT corner = mapping_->LayerToWindow(
            POINT{target.Bounds().left, target.Bounds().top});
        return POINT{at.x - corner.x, at.y - corner.y};
    };
    const bool over = item != nullptr;

    switch (message) {
    case WM_MOUSEMOVE:
        if (item) {
            POINT at = relative(*item);
            MouseEventRelay(QMK_MouseMove, item->SequenceNumber(), button, shift, at.x, at.y);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (item) {
            if (window)
                SetCapture(window);
            captured_ = item;
            const int pressed = ButtonOfMessage(message);
            item->SetPressedButton(pressed);
            const int seq = item->SequenceNumber();
            if (!ShowButtonPressed(*item, message == WM_LBUTTONDOWN))
                break;
            item = FindItem(seq);
            if (!item)
                break;
            POINT at = relative(*item);
            MouseEventRelay(QMK_MouseDown, item->SequenceNumber(), pressed, shift, at.x, at.y);
        }
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (captured_) {
            Annotation* pressed = captured_;
            captured_ = nullptr;
            ReleaseCapture();
            const int seq = pressed->SequenceNumber();
            if (!ShowButtonPressed(*pressed, false))
                break;
            if (FindItem(seq) != pressed)
                break;
            const POINT at = relative(*pressed);
            // The host may delete the layer or the item when told of the click.
            if (item == pressed && !MouseEventRelay(QMK_Click, seq, 0, 0, 0, 0))
                break;
            if (FindItem(seq) == pressed)
                MouseEventRelay(QMK_MouseUp, seq, ButtonOfMessage(message), shift, at.x, at.y);
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (item)
            MouseEventRelay(QMK_DoubleClick, item->SequenceNumber(), 0, 0, 0, 0);
        break;
    default:
        break;
    }
    return over ? 1 : 0;
}

// The layer's items: adding with unique sequence numbers, the walks, item
// attributes, selection, z-order, moving, deleting and painting.
#include <algorithm>
#include <climits>
#include <utility>

#include "layer/annotation_layer.h"
#include "layer/layer_host.h"
#include "view/view_mapping.h"

namespace {
RECT UnionOf(const RECT& a, const RECT& b)
{
    RECT result;
    if (IsRectEmpty(&a))
        return b;
    if (IsRectEmpty(&b))
        return a;
    UnionRect(&result, &a, &b);
    return result;
}
} // namespace

// ---- sequence numbers and adding ----------------------------------------------------------

int AnnotationLayer::IndexOf(int seq) const
{
    if (seq <= 0 || seq > highestSequence_)
        return -1;
    // Newest first: the items asked for most are the ones just added.
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i]->SequenceNumber() == seq)
            return static_cast<int>(i);
    return -1;
}

Annotation* AnnotationLayer::FindItem(int seq) const
{
    int index = IndexOf(seq);
    return index < 0 ? nullptr : items_[index].get();
}

bool AnnotationLayer::IsSequenceTaken(int seq, const Annotation* except) const
{
    if (seq > highestSequence_)
        return false;
    // except, when given, is an item of the list: its own number is not counted.
    const int others = except && except->SequenceNumber() == seq ? 1 : 0;
    return numbersInUse_.Count(seq) > others;
}

int AnnotationLayer::NextFreeSequence()
{
    // Numbers set by hand or loaded may lie above the last one given out:
    // skip those that are taken.
    do {
        if (lastSequence_ == INT_MAX)
            lastSequence_ = 0;
        ++lastSequence_;
    } while (IsSequenceTaken(lastSequence_, nullptr));
    return lastSequence_;
}

void AnnotationLayer::SetLastSequenceNumber(int seq)
{
    lastSequence_ = seq < 0 ? 0 : seq;
    for (const auto& item : items_)
        lastSequence_ = std::max(lastSequence_, item->SequenceNumber());
}

int AnnotationLayer::AddItem(std::unique_ptr<Annotation> item, bool recreate, bool notify)
{
    if (!item) {
        if (!pending_)
            return 0;
        item = std::move(pending_);
    }
    Annotation& added = *item;
    int seq = added.SequenceNumber();
    if (seq <= 0 || IsSequenceTaken(seq, nullptr))
        seq = NextFreeSequence();
    else if (seq > lastSequence_)
        lastSequence_ = seq;
    added.SetSequenceNumber(seq);
    NoteSequenceGiven(seq);
    NumberTaken(seq);
    added.Link(this, mapping_);
    items_.push_back(std::move(item));
    added.SetCommitted(true);
    // The host may call back into the engine when told (and delete the item):
    // what is needed afterwards is taken now.
    added.ConvertPendingGeometry();
    const RECT bounds = added.Bounds();
    const int type = added.Type();
    if (notify && !Notify(QMK_AnnotationAdded, seq))
        return seq;
    if (!Invalidate(bounds, true))
        return seq;
    if (recreate && !changingTool_ && currentTool_ == type)
        SelectTool(currentTool_);
    return seq;
}

void AnnotationLayer::ItemCompleted(Annotation& item, bool recreate, bool notify)
{
    // Only the pending object completes by itself; it moves into the list.
    if (pending_.get() != &item)
        return;
    AddItem(nullptr, recreate, notify);
}

// ---- walks ----------------------------------------------------------------------------------------

int AnnotationLayer::FirstItem()
{
    itemWalk_ = 0;
    return NextItem();
}

int AnnotationLayer::NextItem()
{
    if (itemWalk_ >= items_.size())
        return 0;
    return items_[itemWalk_++]->SequenceNumber();
}

int AnnotationLayer::FirstSelected()
{
    selectionWalk_ = 0;
    return NextSelected();
}

int AnnotationLayer::NextSelected()
{
    if (selectionWalk_ >= selection_.size())
        return 0;
    return selection_[selectionWalk_++]->SequenceNumber();
}

int AnnotationLayer::SequenceFromEntry(int entry, int* seq) const
{
    if (seq)
        *seq = 0;
    if (entry <= 0 || entry > ItemCount())
        return QMK_ErrItemNotFound;
    if (seq)
        *seq = items_[entry - 1]->SequenceNumber();
    return QMK_NoError;
}

// ---- item attributes ----------------------------------------------------------------------------

int AnnotationLayer::GetItemAttribute(int seq, int attribute, void* out) const
{
    int index = IndexOf(seq);
    if (index < 0)
        return QMK_ErrItemNotFound;
    if (attribute == QMK_ZOrder || attribute == QMK_SequenceNumber) {
        if (!out)
            return QMK_ErrInvalidAttribute;
        *static_cast<int*>(out) = attribute == QMK_ZOrder ? index + 1 : seq;
        return QMK_NoError;
    }
    return items_[index]->GetAttribute(attribute, out);
}

int AnnotationLayer::SetItemAttribute(int seq, int attribute, EngineValue value)
{
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    if (attribute == QMK_ZOrder)
        return MoveToPosition(seq, static_cast<int>(value));
    if (attribute == QMK_SequenceNumber) {
        // Sequence numbers name items: a number another item has, or 0, is refused.
        int wanted = static_cast<int>(value);
        if (wanted == seq)
            return QMK_NoError;
        if (wanted <= 0 || IsSequenceTaken(wanted, item))
            return QMK_ErrInvalidAttribute;
        NumberLeft(seq);
        item->SetSequenceNumber(wanted);
        NoteSequenceGiven(wanted);
        NumberTaken(wanted);
        MemberRenumbered(*item, seq);
        if (wanted > lastSequence_)
            lastSequence_ = wanted;
        return QMK_NoError;
    }
    if (attribute == QMK_Selected) {
        if (!item->HasAttribute(QMK_Selected))
            return QMK_ErrInvalidAttribute;
        bool selected = IsItemSelected(item);
        const RECT area = ItemArea(*item);  // the host may delete the item when told
        if (selected && value == 0) {
            Deselect(*item);
            if (!Invalidate(area))
                return QMK_NoError;
            if (selection_.empty())
                Notify(QMK_AnnotationEndSelected, 0);
        } else if (!selected && value != 0) {
            if (Invalidate(area))
                Select(*item);
        }
        return QMK_NoError;
    }
    bool changed = false;
    RECT before = ItemArea(*item);
    int result = item->SetAttribute(attribute, value, changed);
    if (result != QMK_NoError)
        return result;
    Invalidate(UnionOf(before, ItemArea(*item)));
    return QMK_NoError;
}

int AnnotationLayer::GetItemPoint(int seq, int index, POINT* point) const
{
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    if (!point)
        return QMK_ErrInvalidPoint;
    return item->GetPoint(index, *point);
}

int AnnotationLayer::SetItemPoint(int seq, int index, const POINT* point)
{
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    if (!point)
        return QMK_ErrInvalidPoint;
    RECT before = ItemArea(*item);
    int result = item->SetPoint(index, *point);
    if (result == QMK_NoError)
        Invalidate(UnionOf(before, ItemArea(*item)));
    return result;
}

RECT AnnotationLayer::ItemArea(Annotation& item) const
{
    item.ConvertPendingGeometry();
    RECT area = item.Bounds();
    int handle = HandleSize();
    InflateRect(&area, handle, handle);
    return area;
}

// ---- selection ----------------------------------------------------------------------------------------

bool AnnotationLayer::IsItemSelected(const Annotation* item) const
{
    return std::find(selection_.begin(), selection_.end(), item) != selection_.end();
}

void AnnotationLayer::SetSelectedFlag(Annotation& item, bool selected)
{
    if (!item.HasAttribute(QMK_Selected))
        return;
    bool changed = false;
    item.SetAttribute(QMK_Selected, selected ? 1 : 0, changed);
}

bool AnnotationLayer::Select(Annotation& item)
{
    if (IsItemSelected(&item))
        return true;
    SetSelectedFlag(item, true);
    selection_.push_back(&item);
    return Notify(QMK_AnnotationSelected, item.SequenceNumber());
}

void AnnotationLayer::Deselect(Annotation& item)
{
    auto it = std::find(selection_.begin(), selection_.end(), &item);
    if (it == selection_.end())
        return;
    selection_.erase(it);
    SetSelectedFlag(item, false);
}

bool AnnotationLayer::DeselectAll()
{
    if (selection_.empty() && !AnyGroupSelected())
        return true;
    RECT dirty = {};
    DeselectGroups(dirty);
    for (Annotation* item : selection_) {
        RECT area;
        item->GetPaintRect(area);
        dirty = UnionOf(dirty, area);
        SetSelectedFlag(*item, false);
    }
    selection_.clear();
    // A picked item stops being current; a pending drawing object is not an
    // item: it stays pending.
    editing_ = nullptr;
    if (!Invalidate(dirty))
        return false;
    return Notify(QMK_AnnotationEndSelected, 0);
}

void AnnotationLayer::SelectAll(bool select)
{
    if (select) {
        for (Annotation* item : selection_)
            SetSelectedFlag(*item, false);
        selection_.clear();
        for (const auto& item : items_) {
            SetSelectedFlag(*item, true);
            selection_.push_back(item.get());
        }
    } else if (!DeselectAll()) {
        return;
    }
    InvalidateAll();
}

// ---- z-order -----------------------------------------------------------------------------------------------

int AnnotationLayer::MoveToPosition(int seq, int position)
{
    int index = IndexOf(seq);
    if (index < 0 || position <= 0)
        return QMK_ErrItemNotFound;
    // Position 1 is the bottom, a position at or beyond the count the top;
    // any other position puts the item just before the item now there (an
    // item moved up therefore ends one below that position).
    const int count = ItemCount();
    const Annotation* before =
        position > 1 && position < count ? items_[position - 1].get() : nullptr;
    Annotation& moved = *items_[index];
    if (before != &moved) {
        std::unique_ptr<Annotation> item = std::move(items_[index]);
        items_.erase(items_.begin() + index);
        size_t target = position <= 1 ? 0 : items_.size();
        for (size_t i = 0; before && i < items_.size(); ++i)
            if (items_[i].get() == before)
                target = i;
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(target), std::move(item));
    }
    Invalidate(ItemArea(moved));
    return QMK_NoError;
}

int AnnotationLayer::BringItemToFront(int seq)
{
    if (IndexOf(seq) < 0)
        return QMK_ErrItemNotFound;
    return MoveToPosition(seq, ItemCount());
}

int AnnotationLayer::SendItemToBack(int seq)
{
    return MoveToPosition(seq, 1);
}

int AnnotationLayer::NudgeUp(int seq)
{
    int index = IndexOf(seq);
    if (index < 0 || index + 1 >= ItemCount())
        return QMK_NoError;
    std::swap(items_[index], items_[index + 1]);
    Invalidate(UnionOf(ItemArea(*items_[index]), ItemArea(*items_[index + 1])));
    return QMK_NoError;
}

int AnnotationLayer::NudgeDown(int seq)
{
    int index = IndexOf(seq);
    if (index <= 0)
        return QMK_NoError;
    std::swap(items_[index], items_[index - 1]);
    Invalidate(UnionOf(ItemArea(*items_[index]), ItemArea(*items_[index - 1])));
    return QMK_NoError;
}

int AnnotationLayer::BringSelectedToFront()
{
    if (selection_.empty())
        return QMK_ErrNoSelection;
    for (Annotation* item : selection_)
        MoveToPosition(item->SequenceNumber(), ItemCount());
    return QMK_NoError;
}

int AnnotationLayer::SendSelectedToBack()
{
    if (selection_.empty())
        return QMK_ErrNoSelection;
    for (Annotation* item : selection_)
        MoveToPosition(item->SequenceNumber(), 1);
    return QMK_NoError;
}

void AnnotationLayer::Reverse()
{
    std::reverse(items_.begin(), items_.end());
    InvalidateAll();
}

// ---- moving and deleting --------------------------------------------------------------------------------

int AnnotationLayer::MoveItem(int seq, int x, int y)
{
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    // Pixels mean nothing without the image's size.
    if (!item->ConvertPendingGeometry() || !item->HasView())
        return QMK_ErrInvalidContext;
    POINT target = mapping_->ImageToLayer(POINT{x, y});
    RECT before;
    item->GetPaintRect(before);
    const RECT& bounds = item->Bounds();
    RECT after = {};
    item->MoveBy(target.x - bounds.left, target.y - bounds.top, after);
    Invalidate(UnionOf(before, after), true);
    return QMK_NoError;
}

bool AnnotationLayer::DestroyItem(std::unique_ptr<Annotation> item)
{
    ForgetItem(item.get());
    LeaveGroup(*item);
    bool committed = item->IsCommitted();
    int seq = item->SequenceNumber();
    RECT area = ItemArea(*item);
    item.reset();
    if (committed && !Notify(QMK_AnnotationDeleted, seq))
        return false;
    return Invalidate(area);
}

int AnnotationLayer::DeleteItem(int seq)
{
    int index = IndexOf(seq);
    if (index < 0)
        return QMK_ErrItemNotFound;
    Deselect(*items_[index]);
    std::unique_ptr<Annotation> item = std::move(items_[index]);
    items_.erase(items_.begin() + index);
    NumberLeft(seq);
    DestroyItem(std::move(item));
    return QMK_NoError;
}

void AnnotationLayer::DeleteSelected()
{
    // Each deletion is reported, and the host may delete or deselect more
    // meanwhile: the selected items are found again by number each time.
    const std::vector<int> selected = SelectedSequenceNumbers();
    selection_.clear();
    for (int seq : selected) {
        int index = IndexOf(seq);
        if (index < 0)
            continue;
        std::unique_ptr<Annotation> owned = std::move(items_[index]);
        items_.erase(items_.begin() + index);
        NumberLeft(seq);
        if (!DestroyItem(std::move(owned)))
            return;
    }
    InvalidateAll();
}

void AnnotationLayer::DeleteAll()
{
    pending_.reset();
    selection_.clear();
    ItemList all;
    all.swap(items_);
    numbersInUse_.Clear();
    for (auto& item : all)
        ForgetItem(item.get());
    // Each deletion is reported; what is left of the list here goes without
    // a word when the host deleted the layer meanwhile.
    for (auto& item : all)
        if (!DestroyItem(std::move(item)))
            return;
    SelectTool(PointerTool);
}

// ---- image changes ---------------------------------------------------------------------------------------

bool AnnotationLayer::TurnEachItem(const std::function<void(Annotation&)>& turn)
{
    // A picture is turned by the host, which may add, delete or reorder items
    // meanwhile: the items of the list as it is now each take one turn, found
    // again by number and identity. Items the host made meanwhile are left
    // as they were made.
    std::vector<std::pair<int, uint64_t>> turns;
    turns.reserve(items_.size());
    for (const auto& item : items_)
        turns.emplace_back(item->SequenceNumber(), item->Identity());
    const LayerPresence presence = Presence();
    for (const auto& [seq, identity] : turns) {
        Annotation* item = FindItem(seq);
        if (!item || item->Identity() != identity)
            continue;
        turn(*item);
        if (!presence.StillThere())
            return false;
    }
    return true;
}

void AnnotationLayer::ImageMirrored()
{
    if (TurnEachItem([](Annotation& item) { item.MirrorInImage(); }))
        InvalidateAll();
}

void AnnotationLayer::ImageFlipped()
{
    if (TurnEachItem([](Annotation& item) { item.FlipInImage(); }))
        InvalidateAll();
}

void AnnotationLayer::ImageRotated(int angle)
{
    if (TurnEachItem([angle](Annotation& item) { item.RotateInImage(angle); }))
        InvalidateAll();
}

void AnnotationLayer::ImageResized(int a, int b)
{
    for (const auto& item : items_)
        item->ViewChanged(a, b);
    InvalidateAll();
}

void AnnotationLayer::ImageCropped(const RECT& crop)
{
    for (const auto& item : items_)
        item->TakeCrop(crop);
    InvalidateAll();
}

// ---- painting ---------------------------------------------------------------------------------------------

void AnnotationLayer::Paint(HDC dc, const PaintArguments& args)
{
    if (!visible_ || !updates_ || !dc)
        return;
    // Items wholly outside the device's clip box are not drawn: at a high
    // zoom most of a page lies outside the window.
    RECT clip = {};
    const int clipKind = mapping_ ? GetClipBox(dc, &clip) : ERROR;
    if (clipKind == NULLREGION)
        return;
    const bool cull = clipKind == SIMPLEREGION || clipKind == COMPLEXREGION;
    // A pixel of margin for the rounding of the conversion.
    const int margin = 1;
    // An item drawn by the host calls out: the host may change the layer
    // while it draws. Then the rest of this paint is left (the change
    // invalidates the window again).
    const LayerPresence presence = Presence();
    for (size_t i = 0; i < items_.size(); ++i) {
        Annotation* item = items_[i].get();
        if (!item->IsVisible())
            continue;
        const uint64_t identity = item->Identity();
        if (cull) {
            item->ConvertPendingGeometry();
            RECT area;
            item->GetPaintRect(area);  // handles included
            RECT device = mapping_->LayerToWindow(area);
            InflateRect(&device, margin, margin);
            RECT common;
            if (!IntersectRect(&common, &device, &clip))
                continue;
        }
        item->Draw(dc, args);
        if (!presence.StillThere() || i >= items_.size() || items_[i]->Identity() != identity)
            return;
    }
    if (pending_ && !pending_->IsCommitted())
        pending_->Draw(dc, args);
    PaintGroupHandles(dc);
}

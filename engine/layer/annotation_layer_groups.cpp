// The layer's groups: making and destroying them, their members, names and
// flags, yoked groups selected, moved, resized, mirrored and flipped as one
// unit with the pointer tool or through the interface, and the keys that
// group and ungroup the selection.
#include <algorithm>
#include <climits>
#include <set>

#include "layer/annotation_layer.h"
#include "layer/layer_host.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;

// The characters of Control+G and Control+U.
constexpr WPARAM kGroupKey = 7;
constexpr WPARAM kUngroupKey = 21;

// The system cursor over each handle of a group's rectangle.
const int kGroupHandleCursor[8] = {32642, 32643, 32643, 32642, 32644, 32644, 32645, 32645};

std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

BSTR ToBstr(const std::wstring& text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

RECT Normalized(RECT rect)
{
    ViewMapping::NormalizeRect(rect);
    return rect;
}

RECT Joined(const RECT& a, const RECT& b)
{
    if (IsRectEmpty(&a))
        return b;
    if (IsRectEmpty(&b))
        return a;
    RECT result;
    UnionRect(&result, &a, &b);
    return result;
}

bool IsGroupableTool(int tool)
{
    return tool >= TextTool && tool <= ProtractorTool;
}

// The handle a change of a rectangle amounts to: the corner or edge that
// moved while the opposite one stayed.
int HandleOfChange(const RECT& from, const RECT& to)
{
    const bool leftMoved = to.left != from.left;
    const bool topMoved = to.top != from.top;
    const bool sameWidth = to.right - to.left == from.right - from.left;
    const bool sameHeight = to.bottom - to.top == from.bottom - from.top;
    if (leftMoved && topMoved)
        return ViewMapping::TopLeft;
    if (leftMoved)
        return sameHeight ? ViewMapping::LeftMiddle : ViewMapping::BottomLeft;
    if (topMoved)
        return sameWidth ? ViewMapping::TopMiddle : ViewMapping::TopRight;
    if (sameWidth)
        return ViewMapping::BottomMiddle;
    if (sameHeight)
        return ViewMapping::RightMiddle;
    return ViewMapping::BottomRight;
}

} // namespace

// ---- the list ------------------------------------------------------------------------

int AnnotationLayer::NewGroupId()
{
    int id = lastGroupId_;
    for (size_t tries = 0; tries <= groups_.size(); ++tries) {
        id = id == INT_MAX ? 1 : id + 1;
        if (!FindGroup(id)) {
            lastGroupId_ = id;
            return id;
        }
    }
    return 0;
}

AnnotationGroup* AnnotationLayer::FindGroup(int id)
{
    if (id == 0)
        return nullptr;
    for (AnnotationGroup& group : groups_)
        if (group.id == id)
            return &group;
    return nullptr;
}

int AnnotationLayer::CreateGroup(BSTR name, int userLong, int* id)
{
    if (id)
        *id = 0;
    try {
        AnnotationGroup group;
        group.name = FromBstr(name);
        group.userLong = userLong;
        groups_.reserve(groups_.size() + 1);
        group.id = NewGroupId();
        if (group.id == 0)
            return QMK_ErrGroupCreation;
        groups_.push_back(std::move(group));
        if (id)
            *id = groups_.back().id;
        return QMK_NoError;
    } catch (...) {
        return QMK_ErrGroupCreation;
    }
}

int AnnotationLayer::DestroyGroup(int id)
{
    auto it = std::find_if(groups_.begin(), groups_.end(),
                           [id](const AnnotationGroup& group) { return group.id == id; });
    if (it == groups_.end())
        return QMK_ErrInvalidGroupId;
    if (resizingGroup_ == id)
        resizingGroup_ = 0;
    const RECT kept = it->IsSelected() ? GroupArea(*it, 2) : RECT{};
    const size_t index = static_cast<size_t>(it - groups_.begin());
    if (index < groupWalk_)
        --groupWalk_;
    groups_.erase(it);  // the members keep their group id
    if (!IsRectEmpty(&kept))
        Invalidate(kept);
    return QMK_NoError;
}

int AnnotationLayer::FirstGroupId()
{
    groupWalk_ = 0;
    return NextGroupId();
}

int AnnotationLayer::NextGroupId()
{
    if (groupWalk_ >= groups_.size())
        return 0;
    return groups_[groupWalk_++].id;
}

int AnnotationLayer::GroupIdFromName(BSTR name) const
{
    const std::wstring wanted = FromBstr(name);
    for (const AnnotationGroup& group : groups_) {
        if (group.name.size() != wanted.size())
            continue;
        if (wanted.empty() ||
            CompareStringW(LOCALE_USER_DEFAULT, 0, group.name.data(),
                           static_cast<int>(group.name.size()), wanted.data(),
                           static_cast<int>(wanted.size())) == CSTR_EQUAL)
            return group.id;
    }
    return 0;
}

// ---- members -------------------------------------------------------------------------

bool AnnotationLayer::RemoveMember(AnnotationGroup& group, int seq)
{
    auto it = std::find(group.members.begin(), group.members.end(), seq);
    if (it == group.members.end())
        return false;
    const size_t index = static_cast<size_t>(it - group.members.begin());
    if (index < group.memberCursor)
        --group.memberCursor;
    group.members.erase(it);
    group.stale = true;
    return true;
}

int AnnotationLayer::GroupAddItem(int id, int seq)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    // An item is a member of one group: it leaves the one it is in (this one
    // too, so that it goes to the end).
    if (AnnotationGroup* old = FindGroup(item->GroupId()))
        RemoveMember(*old, seq);
    if (group->HasMember(seq))
        return QMK_ErrInvalidGroupId;
    group->members.push_back(seq);
    group->stale = true;
    item->SetGroupId(id);
    return QMK_NoError;
}

int AnnotationLayer::GroupAddSelected(int id)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (selection_.empty())
        return QMK_NoError;
    const bool yoked = group->yoked;
    for (int seq : SelectedSequenceNumbers()) {
        GroupAddItem(id, seq);
        // The members of a yoked group are selected with the group.
        Annotation* item = FindItem(seq);
        if (yoked && item && item->GroupId() == id)
            Deselect(*item);
    }
    if (!yoked)
        return QMK_NoError;
    group = FindGroup(id);
    group->selected = true;
    ComputeGroupRect(*group);
    Invalidate(GroupArea(*group, 2));
    return QMK_NoError;
}

int AnnotationLayer::GroupRemoveItem(int id, int seq)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    Annotation* item = FindItem(seq);
    if (item && item->GroupId() == id)
        item->SetGroupId(0);
    const RECT before = group->IsSelected() ? GroupArea(*group, 2) : RECT{};
    if (!RemoveMember(*group, seq))
        return QMK_ErrDuplicateItem;
    if (group->IsSelected()) {
        // The handles move with the rectangle.
        ComputeGroupRect(*group);
        Invalidate(Joined(before, GroupArea(*group, 2)));
    }
    return QMK_NoError;
}

int AnnotationLayer::GroupRemoveAll(int id)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (group->members.empty())
        return QMK_NoError;
    for (int seq : group->members) {
        Annotation* item = FindItem(seq);
        if (item && item->GroupId() == id)
            item->SetGroupId(0);
    }
    group->members.clear();
    group->memberCursor = 0;
    group->stale = true;
    if (group->IsSelected()) {
        group->selected = false;
        InvalidateAll();
    }
    return QMK_NoError;
}

int AnnotationLayer::GroupAddType(int id, int tool)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (!IsGroupableTool(tool))
        return QMK_ErrInvalidTool;
    const RECT before = group->IsSelected() ? GroupArea(*group, 2) : RECT{};
    std::vector<int> seqs;
    for (const auto& item : items_)
        if (item->Type() == tool)
            seqs.push_back(item->SequenceNumber());
    for (int seq : seqs)
        GroupAddItem(id, seq);
    if (group->IsSelected()) {
        ComputeGroupRect(*group);
        Invalidate(Joined(before, GroupArea(*group, 2)));
    }
    return QMK_NoError;
}

int AnnotationLayer::GroupRemoveType(int id, int tool)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (!IsGroupableTool(tool))
        return QMK_ErrInvalidTool;
    const RECT before = group->IsSelected() ? GroupArea(*group, 2) : RECT{};
    bool removed = false;
    for (int seq : std::vector<int>(group->members)) {
        Annotation* item = FindItem(seq);
        if (!item || item->Type() != tool)
            continue;
        if (item->GroupId() == id)
            item->SetGroupId(0);
        RemoveMember(*group, seq);
        removed = true;
    }
    if (!removed || !group->IsSelected())
        return QMK_NoError;
    if (group->members.empty()) {
        group->selected = false;
        InvalidateAll();
        return QMK_NoError;
    }
    ComputeGroupRect(*group);
    Invalidate(Joined(before, GroupArea(*group, 2)));
    return QMK_NoError;
}

int AnnotationLayer::GroupItemCount(int id, int* count)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (count)
        *count = static_cast<int>(group->members.size());
    return QMK_NoError;
}

int AnnotationLayer::GroupFirstItem(int id, int* seq)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    group->memberCursor = 0;
    return GroupNextItem(id, seq);
}

int AnnotationLayer::GroupNextItem(int id, int* seq)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    int next = 0;
    if (group->memberCursor < group->members.size())
        next = group->members[group->memberCursor++];
    if (seq)
        *seq = next;
    return QMK_NoError;
}

int AnnotationLayer::GroupMembers(int id, std::vector<int>* members)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (members)
        *members = group->members;
    return QMK_NoError;
}

int AnnotationLayer::ItemGroupId(int seq, int* id)
{
    if (id)
        *id = 0;
    Annotation* item = FindItem(seq);
    if (!item)
        return QMK_ErrItemNotFound;
    AnnotationGroup* group = FindGroup(item->GroupId());
    if (!group || !group->HasMember(seq)) {
        item->SetGroupId(0);
        return QMK_NoError;
    }
    if (id)
        *id = group->id;
    return QMK_NoError;
}

void AnnotationLayer::LeaveGroup(const Annotation& item)
{
    if (!item.IsCommitted())
        return;
    AnnotationGroup* group = FindGroup(item.GroupId());
    if (!group || !RemoveMember(*group, item.SequenceNumber()))
        return;
    if (group->members.empty())
        group->selected = false;
}

void AnnotationLayer::MemberRenumbered(const Annotation& item, int oldSeq)
{
    AnnotationGroup* group = FindGroup(item.GroupId());
    if (!group)
        return;
    std::replace(group->members.begin(), group->members.end(), oldSeq, item.SequenceNumber());
}

void AnnotationLayer::ReconcileGroups(size_t first)
{
    std::set<int> claimed;
    for (size_t i = 0; i < groups_.size(); ++i) {
        AnnotationGroup& group = groups_[i];
        if (i < first) {
            claimed.insert(group.members.begin(), group.members.end());
            continue;
        }
        group.stale = true;
        std::vector<int> members;
        for (int seq : group.members) {
            Annotation* item = FindItem(seq);
            if (!item || !claimed.insert(seq).second)
                continue;
            item->SetGroupId(group.id);
            members.push_back(seq);
        }
        group.members.swap(members);
    }
}

// ---- names, values and flags -------------------------------------------------------------

int AnnotationLayer::GetGroupName(int id, BSTR* name)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (name)
        *name = ToBstr(group->name);
    return QMK_NoError;
}

int AnnotationLayer::SetGroupName(int id, BSTR name)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    group->name = FromBstr(name);
    return QMK_NoError;
}

int AnnotationLayer::GetGroupUserString(int id, BSTR* text)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (text)
        *text = ToBstr(group->userString);
    return QMK_NoError;
}

int AnnotationLayer::SetGroupUserString(int id, BSTR text)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    group->userString = FromBstr(text);
    return QMK_NoError;
}

int AnnotationLayer::GetGroupUserLong(int id, int* value)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (value)
        *value = group->userLong;
    return QMK_NoError;
}

int AnnotationLayer::SetGroupUserLong(int id, int value)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    group->userLong = value;
    return QMK_NoError;
}

int AnnotationLayer::GetGroupYoked(int id, unsigned char* flag)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (flag)
        *flag = group->yoked ? 1 : 0;
    return QMK_NoError;
}

int AnnotationLayer::SetGroupYoked(int id, bool yoked)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (group->yoked == yoked)
        return QMK_NoError;
    group->yoked = yoked;
    if (group->members.empty()) {
        if (!yoked)
            group->selected = false;
        return QMK_NoError;
    }
    if (!yoked) {
        if (group->IsSelected()) {
            group->selected = false;
            InvalidateAll();
        }
        return QMK_NoError;
    }
    // Yoked, the group takes over the selection of its members; with none
    // of them selected it stays unselected.
    bool anySelected = false;
    for (int seq : group->members) {
        Annotation* item = FindItem(seq);
        if (item && IsItemSelected(item)) {
            Deselect(*item);
            anySelected = true;
        }
    }
    if (!anySelected)
        return QMK_NoError;
    group->selected = true;
    ComputeGroupRect(*group);
    InvalidateAll();
    return QMK_NoError;
}

int AnnotationLayer::GetGroupSelected(int id, unsigned char* flag)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (flag)
        *flag = group->yoked && group->IsSelected() ? 1 : 0;
    return QMK_NoError;
}

int AnnotationLayer::SetGroupSelected(int id, bool selected)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (!group->yoked || group->selected == selected)
        return QMK_NoError;
    const RECT before = group->IsSelected() ? GroupArea(*group, 2) : RECT{};
    group->selected = selected;
    if (selected)
        for (int seq : group->members)
            if (Annotation* item = FindItem(seq))
                Deselect(*item);
    ComputeGroupRect(*group);
    Invalidate(Joined(before, GroupArea(*group, 2)));
    return QMK_NoError;
}

// ---- rectangles ----------------------------------------------------------------------------

bool AnnotationLayer::AnyGroupSelected() const
{
    for (const AnnotationGroup& group : groups_)
        if (group.IsSelected())
            return true;
    return false;
}

void AnnotationLayer::ComputeGroupRect(AnnotationGroup& group)
{
    RECT rect = {};
    bool any = false;
    for (int seq : group.members) {
        Annotation* item = FindItem(seq);
        if (!item)
            continue;
        item->ConvertPendingGeometry();
        const RECT bounds = Normalized(item->Bounds());
        if (!any) {
            rect = bounds;
            any = true;
            continue;
        }
        rect.left = std::min(rect.left, bounds.left);
        rect.top = std::min(rect.top, bounds.top);
        rect.right = std::max(rect.right, bounds.right);
        rect.bottom = std::max(rect.bottom, bounds.bottom);
    }
    group.rect = rect;
    group.stale = false;
}

void AnnotationLayer::RefreshGroupRects()
{
    for (AnnotationGroup& group : groups_)
        if (!group.members.empty())
            ComputeGroupRect(group);
}

RECT AnnotationLayer::GroupArea(const AnnotationGroup& group, int times) const
{
    RECT area = group.rect;
    if (group.members.empty())
        return RECT{};
    const int grow = HandleSize() * times;
    InflateRect(&area, grow, grow);
    return area;
}

int AnnotationLayer::GetGroupRect(int id, RECT* pixels)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    ComputeGroupRect(*group);
    RECT out = {};
    if (!group->members.empty()) {
        if (!mapping_ || !mapping_->Usable())
            return QMK_ErrInvalidContext;
        out = mapping_->LayerToImage(group->rect);
    }
    if (pixels)
        *pixels = out;
    return QMK_NoError;
}

int AnnotationLayer::SetGroupRect(int id, const RECT& pixels)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (group->members.empty())
        return QMK_NoError;
    if (!mapping_ || !mapping_->Usable())
        return QMK_ErrInvalidContext;
    ComputeGroupRect(*group);
    const RECT oldArea = GroupArea(*group, 1);
    const RECT from = mapping_->LayerToImage(group->rect);
    const RECT to = Normalized(pixels);
    const int handle = HandleOfChange(from, to);
    for (int seq : group->members) {
        Annotation* item = FindItem(seq);
        if (!item)
            continue;
        item->SnapshotGeometry();
        item->ScaleInto(0.0, 0.0, from, to, handle, true);
        item->ReleaseSnapshot();
    }
    group->rect = mapping_->ImageToLayer(to);
    group->stale = false;
    Invalidate(Joined(oldArea, GroupArea(*group, 1)));
    return QMK_NoError;
}

int AnnotationLayer::MirrorGroup(int id, bool flip)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group)
        return QMK_ErrInvalidGroupId;
    if (group->members.empty())
        return QMK_NoError;
    if (!mapping_ || !mapping_->Usable())
        return QMK_ErrInvalidContext;
    ComputeGroupRect(*group);
    const RECT frame = mapping_->LayerToImage(group->rect);
    for (int seq : group->members) {
        Annotation* item = FindItem(seq);
        if (!item)
            continue;
        if (flip)
            item->FlipInRect(frame);
        else
            item->MirrorInRect(frame);
    }
    Invalidate(GroupArea(*group, 1));
    return QMK_NoError;
}

// ---- the pointer tool -------------------------------------------------------------------------

AnnotationGroup* AnnotationLayer::YokedGroupOf(const Annotation& item)
{
    AnnotationGroup* group = FindGroup(item.GroupId());
    if (!group || !group->yoked || !group->HasMember(item.SequenceNumber()))
        return nullptr;
    return group;
}

void AnnotationLayer::SelectGroupAsUnit(AnnotationGroup& group)
{
    group.selected = true;
    for (int seq : group.members)
        if (Annotation* item = FindItem(seq))
            Deselect(*item);
    ComputeGroupRect(group);
    AddDirty(GroupArea(group, 2));
}

void AnnotationLayer::DeselectGroups(RECT& dirty)
{
    for (AnnotationGroup& group : groups_) {
        if (!group.IsSelected())
            continue;
        group.selected = false;
        dirty = Joined(dirty, GroupArea(group, 2));
    }
}

AnnotationGroup* AnnotationLayer::GroupHandleAtPoint(int x, int y, int* handle)
{
    if (handle)
        *handle = -1;
    if (!mapping_)
        return nullptr;
    for (AnnotationGroup& group : groups_) {
        if (!group.IsSelected() || group.members.empty())
            continue;
        ComputeGroupRect(group);
        const int hit = mapping_->HitTestHandle(group.rect, POINT{x, y});
        if (hit != ViewMapping::NoHandle) {
            if (handle)
                *handle = hit;
            return &group;
        }
    }
    return nullptr;
}

bool AnnotationLayer::StartGroupResize(HWND window, int x, int y)
{
    int handle = -1;
    AnnotationGroup* group = GroupHandleAtPoint(x, y, &handle);
    if (!group)
        return false;
    group->startRect = group->rect;
    group->handle = handle;
    group->resizing = true;
    resizingGroup_ = group->id;
    if (window)
        SetCapture(window);
    for (int seq : group->members)
        if (Annotation* item = FindItem(seq))
            item->SnapshotGeometry();
    lastDrag_ = POINT{x, y};
    return true;
}

void AnnotationLayer::EndGroupResize()
{
    AnnotationGroup* group = FindGroup(resizingGroup_);
    resizingGroup_ = 0;
    if (!group)
        return;
    ReleaseCapture();
    group->resizing = false;
    group->handle = -1;
    for (int seq : group->members)
        if (Annotation* item = FindItem(seq))
            item->ReleaseSnapshot();
}

bool AnnotationLayer::DragGroups(int dx, int dy)
{
    AnnotationGroup* resizing = FindGroup(resizingGroup_);
    if (resizing && resizing->resizing) {
        if (!mapping_)
            return true;
        int handle = resizing->handle;
        if (handle == ViewMapping::LeftMiddle || handle == ViewMapping::RightMiddle)
            dy = 0;
        if (handle == ViewMapping::TopMiddle || handle == ViewMapping::BottomMiddle)
            dx = 0;
        const int width = mapping_->ImageWidth();
        const int height = mapping_->ImageHeight();
        if (handle < ViewMapping::TopLeft || handle > ViewMapping::BottomMiddle || width <= 0 ||
            height <= 0)
            return true;
        const RECT oldArea = GroupArea(*resizing, 1);
        RECT rect = resizing->rect;
        ViewMapping::DragHandle(MulDiv(dx, width, kFull), MulDiv(dy, height, kFull), width,
                                height, rect, handle);
        // The group stays within the image.
        rect.left = std::max<LONG>(0, rect.left);
        rect.top = std::max<LONG>(0, rect.top);
        rect.right = std::min<LONG>(kFull, rect.right);
        rect.bottom = std::min<LONG>(kFull, rect.bottom);
        resizing->rect = rect;
        resizing->handle = handle;
        const RECT from = mapping_->LayerToImage(resizing->startRect);
        const RECT to = mapping_->LayerToImage(rect);
        for (int seq : resizing->members)
            if (Annotation* item = FindItem(seq))
                item->ScaleInto(0.0, 0.0, from, to, handle, true);
        AddDirty(oldArea);
        AddDirty(GroupArea(*resizing, 1));
        return true;
    }
    // Each move is reported, and the host may change the groups meanwhile.
    std::vector<int> selected;
    for (const AnnotationGroup& group : groups_)
        if (group.IsSelected())
            selected.push_back(group.id);
    for (int id : selected)
        if (!MoveGroupBy(id, dx, dy))
            return false;
    return true;
}

bool AnnotationLayer::MoveGroupBy(int id, int dx, int dy)
{
    AnnotationGroup* group = FindGroup(id);
    if (!group || !group->IsSelected())
        return true;
    ComputeGroupRect(*group);
    const RECT rect = group->rect;
    // The rectangle stays within the image.
    if (dx < 0)
        dx = std::max<LONG>(dx, std::min<LONG>(0, -rect.left));
    else
        dx = std::min<LONG>(dx, std::max<LONG>(0, kFull - rect.right));
    if (dy < 0)
        dy = std::max<LONG>(dy, std::min<LONG>(0, -rect.top));
    else
        dy = std::min<LONG>(dy, std::max<LONG>(0, kFull - rect.bottom));
    AddDirty(GroupArea(*group, 2));
    const std::vector<int> members = group->members;
    for (int seq : members) {
        Annotation* item = FindItem(seq);
        if (!item)
            continue;
        RECT before;
        item->GetPaintRect(before);
        AddDirty(before);
        RECT after = {};
        item->MoveBy(dx, dy, after);
        AddDirty(after);
        if (!Notify(QMK_AnnotationMoved, seq))
            return false;
    }
    group = FindGroup(id);
    if (group && group->yoked)
        SelectGroupAsUnit(*group);
    return true;
}

bool AnnotationLayer::GroupingKey(WPARAM key)
{
    if (key == kGroupKey && selection_.size() > 1) {
        int id = 0;
        if (CreateGroup(nullptr, 0, &id) != QMK_NoError)
            return true;
        for (int seq : SelectedSequenceNumbers())
            GroupAddItem(id, seq);
        SetGroupYoked(id, true);
        const LayerPresence presence = Presence();
        host_.GroupCreated(handle_, id);
        if (!presence.StillThere())
            return false;
        return Notify(QMK_GroupSelected, id);
    }
    if (key == kUngroupKey) {
        int selected = 0;
        int id = 0;
        for (const AnnotationGroup& group : groups_) {
            if (group.IsSelected()) {
                ++selected;
                id = group.id;
            }
        }
        if (selected != 1)
            return true;
        DestroyGroup(id);
        const LayerPresence presence = Presence();
        host_.GroupDestroyed(handle_, id);
        if (!presence.StillThere())
            return false;
        return Notify(QMK_GroupSelected, 0);
    }
    return true;
}

void AnnotationLayer::PaintGroupHandles(HDC dc)
{
    for (AnnotationGroup& group : groups_)
        group.painted = false;
    if (!mapping_)
        return;
    for (AnnotationGroup& group : groups_) {
        if (group.IsSelected() && !group.members.empty()) {
            ComputeGroupRect(group);
            mapping_->DrawHandles(group.rect, dc);
        }
        group.painted = true;
    }
}

int AnnotationLayer::GroupHandleCursor(int x, int y)
{
    int handle = -1;
    if (!GroupHandleAtPoint(x, y, &handle) || handle < 0 || handle > 7)
        return 0;
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(kGroupHandleCursor[handle])));
    return 1;
}

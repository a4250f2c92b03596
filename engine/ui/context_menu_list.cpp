#include "ui/context_menu_list.h"

#include "engine_codes.h"

namespace {
// The engine's own items in menu order: item id and sub-item id. The caption
// is the string numbered by the sub-item id, or by the item id for a top item.
struct OwnRow {
    int id;
    int subId;
};
constexpr OwnRow kAttributeRows[] = {
    {1, 0}, {5, 0}, {27, 0}, {27, 5513}, {27, 5509}, {27, 5507}, {38, 0}, {38, 5999},
    {38, 6001}, {38, 6000}, {38, 6002}, {38, 6003}, {38, 6004}, {38, 6005}, {39, 0}, {2, 0},
    {19, 0}, {25, 0}, {37, 0}, {2112, 0}, {2114, 0}, {2117, 0}, {2113, 0}, {2113, 2049},
    {2113, 2050}, {2113, 2051}, {2113, 2052}, {2113, 2053}, {2113, 2054}, {2113, 2055},
    {2113, 2056}, {2113, 2057}, {2113, 2058}, {2113, 2059}, {2113, 2061}, {2113, 2062},
    {33, 0}, {4, 0}, {3, 0}, {15, 0}, {16, 0}, {16, 3001}, {16, 3002}, {16, 3003}, {11, 0},
    {22, 0}, {23, 0}, {26, 0}, {26, 5000}, {26, 5001}, {26, 5002}, {26, 5003}, {26, 5004},
    {28, 0}, {41, 0}, {41, 7000}, {41, 7001}, {41, 7002},
};
constexpr OwnRow kCommandRows[] = {
    {QMK_NudgeUp, 0}, {QMK_NudgeDn, 0}, {QMK_BringItemToFront, 0}, {QMK_SendItemToBack, 0},
    {QMK_Cut, 0},     {QMK_Copy, 0},    {QMK_Paste, 0},           {QMK_Delete, 0},
};
static_assert(sizeof(kAttributeRows) / sizeof(kAttributeRows[0]) == 58, "58 attribute rows");
static_assert(sizeof(kCommandRows) / sizeof(kCommandRows[0]) == 8, "8 command rows");

// A caption of up to 31 characters, converted with the thread's code page.
BSTR LoadCaption(HINSTANCE module, int number)
{
    char text[32];
    int length = LoadStringA(module, static_cast<UINT>(number), text, sizeof(text));
    if (length <= 0)
        return nullptr;
    wchar_t wide[32];
    int wideLength = MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, wide, 31);
    if (wideLength <= 0)
        return nullptr;
    return SysAllocStringLen(wide, static_cast<UINT>(wideLength));
}
} // namespace

bool ContextMenuList::IsOwnAttribute(int code)
{
    for (const OwnRow& row : kAttributeRows)
        if (row.id == code || row.subId == code)
            return true;
    return false;
}

ContextMenuList::~ContextMenuList()
{
    for (Item& item : items_)
        SysFreeString(item.caption);
}

void ContextMenuList::LoadOwnItems(HINSTANCE module)
{
    auto load = [&](const OwnRow& row) {
        BSTR caption = LoadCaption(module, row.subId != 0 ? row.subId : row.id);
        if (!caption)
            return;
        SetString(row.id, row.subId, caption, true, 0, 0);
        SysFreeString(caption);
    };
    for (const OwnRow& row : kAttributeRows)
        load(row);
    for (const OwnRow& row : kCommandRows)
        load(row);
}

const ContextMenuList::Item* ContextMenuList::Find(int id, int subId) const
{
    for (const Item& item : items_)
        if (item.id == id && item.subId == subId)
            return &item;
    return nullptr;
}

ContextMenuList::Item* ContextMenuList::FindMutable(int id, int subId)
{
    return const_cast<Item*>(Find(id, subId));
}

int ContextMenuList::SetString(int id, int subId, BSTR caption, bool create, int user1, int user2)
{
    BSTR copy = SysAllocStringLen(caption, caption ? SysStringLen(caption) : 0);
    if (!copy)
        return QMK_ErrOutOfMemory;
    if (Item* item = FindMutable(id, subId)) {
        SysFreeString(item->caption);
        item->caption = copy;
        return 0;
    }
    if (!create) {
        SysFreeString(copy);
        return QMK_ErrInvalidContextMenuId;
    }
    Item item;
    item.id = id;
    item.subId = subId;
    item.caption = copy;
    item.user1 = user1;
    item.user2 = user2;
    items_.push_back(item);
    return 0;
}

int ContextMenuList::GetString(int id, int subId, BSTR* caption) const
{
    const Item* item = Find(id, subId);
    if (!item)
        return QMK_ErrInvalidContextMenuId;
    if (caption)
        *caption = SysAllocStringLen(item->caption, SysStringLen(item->caption));
    return 0;
}

bool ContextMenuList::Delete(int id, int subId)
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].id == id && items_[i].subId == subId) {
            SysFreeString(items_[i].caption);
            items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
            if (walk_ > i)
                --walk_;
            return true;
        }
    }
    return false;
}

namespace {
bool& FlagOf(ContextMenuList::Item& item, ContextMenuList::Flag flag)
{
    switch (flag) {
    case ContextMenuList::Flag::Checked:
        return item.checked;
    case ContextMenuList::Flag::Enabled:
        return item.enabled;
    default:
        return item.visible;
    }
}
} // namespace

void ContextMenuList::SetFlag(Flag flag, int id, int subId, bool value, bool exclusive)
{
    for (Item& item : items_) {
        if (item.id == id && item.subId == subId)
            FlagOf(item, flag) = value;
        else if (exclusive && item.id == id && subId != 0 && item.subId != 0)
            FlagOf(item, flag) = !value;
        else if (exclusive && subId == 0 && item.id != id)
            FlagOf(item, flag) = !value;
    }
}

bool ContextMenuList::GetFlag(Flag flag, int id, int subId) const
{
    const Item* item = Find(id, subId);
    if (!item)
        return false;
    return FlagOf(const_cast<Item&>(*item), flag);
}

bool ContextMenuList::TakeAt(size_t position, int* id, int* subId)
{
    if (id)
        *id = 0;
    if (subId)
        *subId = 0;
    if (position >= items_.size()) {
        walk_ = items_.size();
        return false;
    }
    if (id)
        *id = items_[position].id;
    if (subId)
        *subId = items_[position].subId;
    walk_ = position + 1;
    return true;
}

bool ContextMenuList::First(int* id, int* subId)
{
    return TakeAt(0, id, subId);
}

bool ContextMenuList::Next(int* id, int* subId)
{
    return TakeAt(walk_, id, subId);
}

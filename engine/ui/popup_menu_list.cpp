#include "ui/popup_menu_list.h"

#include "engine_codes.h"
#include "formats/ansi_text.h"

namespace {
// Command ids are shared by every list of the process, so that no two items
// of any menu shown meet under one id. They stay within the 16 bits a menu
// command reliably carries.
int nextCommand = 0;

int NewCommand()
{
    if (++nextCommand > 0xFFFF)
        nextCommand = 1;
    return nextCommand;
}

int& FlagOf(PopupMenuList::Item& item, PopupMenuList::Flag flag)
{
    switch (flag) {
    case PopupMenuList::Flag::Checked:
        return item.checked;
    case PopupMenuList::Flag::Enabled:
        return item.enabled;
    default:
        return item.visible;
    }
}
} // namespace

PopupMenuList::~PopupMenuList()
{
    Clear();
}

bool PopupMenuList::IsSeparator(int id, int subId)
{
    return (id >= 4100 && id <= 4200) || (subId >= 4100 && subId <= 4200);
}

PopupMenuList::Item* PopupMenuList::Find(int id, int subId)
{
    for (Item& item : items_)
        if (item.id == id && item.subId == subId)
            return &item;
    return nullptr;
}

const PopupMenuList::Item* PopupMenuList::Find(int id, int subId) const
{
    return const_cast<PopupMenuList*>(this)->Find(id, subId);
}

int PopupMenuList::Add(int id, int subId, BSTR caption, int user1, int user2)
{
    return AddWithFlags(id, subId, caption, user1, user2, 0, 1, 1);
}

int PopupMenuList::AddWithFlags(int id, int subId, BSTR caption, int user1, int user2,
                                int checked, int enabled, int visible)
{
    if (Find(id, subId))
        return QMK_ErrDuplicateMenuId;
    Item item;
    item.caption = caption ? SysAllocStringLen(caption, SysStringLen(caption))
                           : SysAllocString(L" ");
    if (!item.caption)
        return QMK_ErrOutOfMemory;
    item.command = NewCommand();
    item.id = id;
    item.subId = subId;
    item.user1 = user1;
    item.user2 = user2;
    item.checked = checked;
    item.enabled = enabled;
    item.visible = visible;
    try {
        items_.push_back(item);
    } catch (...) {
        SysFreeString(item.caption);
        return QMK_ErrOutOfMemory;
    }
    return 0;
}

int PopupMenuList::Delete(int id, int subId)
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].id != id || items_[i].subId != subId)
            continue;
        SysFreeString(items_[i].caption);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        if (walk_ > i)
            --walk_;
        return 0;
    }
    return QMK_ErrInvalidMenuId;
}

bool PopupMenuList::ChangeCaption(int id, int subId, BSTR caption)
{
    Item* item = Find(id, subId);
    if (!item)
        return false;
    BSTR copy = SysAllocStringLen(caption, caption ? SysStringLen(caption) : 0);
    if (!copy)
        return false;
    SysFreeString(item->caption);
    item->caption = copy;
    return true;
}

BSTR PopupMenuList::Caption(int id, int subId) const
{
    const Item* item = Find(id, subId);
    return item ? SysAllocStringLen(item->caption, SysStringLen(item->caption)) : nullptr;
}

int PopupMenuList::Get(Flag flag, int id, int subId) const
{
    const Item* item = Find(id, subId);
    return item ? FlagOf(const_cast<Item&>(*item), flag) : -1;
}

void PopupMenuList::Set(Flag flag, int id, int subId, int value, bool exclusive)
{
    const int opposite = value ? 0 : 1;
    for (Item& item : items_) {
        if (item.id == id && item.subId == subId)
            FlagOf(item, flag) = value;
        else if (exclusive && subId == 0 && item.id != id)
            FlagOf(item, flag) = opposite;
        else if (exclusive && subId != 0 && item.id == id && item.subId != 0)
            FlagOf(item, flag) = opposite;
    }
}

void PopupMenuList::SetState(int id, int subId, int checked, int enabled, int visible,
                             bool exclusive)
{
    Set(Flag::Checked, id, subId, checked, exclusive);
    Set(Flag::Enabled, id, subId, enabled, exclusive);
    Set(Flag::Visible, id, subId, visible, exclusive);
}

void PopupMenuList::TakeAt(size_t position, int* id, int* subId)
{
    if (id)
        *id = 0;
    if (subId)
        *subId = 0;
    if (position >= items_.size()) {
        walk_ = items_.size();
        return;
    }
    if (id)
        *id = items_[position].id;
    if (subId)
        *subId = items_[position].subId;
    walk_ = position + 1;
}

void PopupMenuList::First(int* id, int* subId)
{
    TakeAt(0, id, subId);
}

void PopupMenuList::Next(int* id, int* subId)
{
    TakeAt(walk_, id, subId);
}

void PopupMenuList::Clear()
{
    for (Item& item : items_)
        SysFreeString(item.caption);
    items_.clear();
    walk_ = 0;
}

namespace {
// Appends one entry: as UTF-16 text, else in the thread's ANSI code page.
void AppendEntry(HMENU menu, UINT flags, UINT_PTR idOrPopup, BSTR caption)
{
    if (flags & MF_SEPARATOR) {
        AppendMenuW(menu, flags, idOrPopup, nullptr);
        return;
    }
    if (AppendMenuW(menu, flags | MF_STRING, idOrPopup, caption ? caption : L""))
        return;
    std::string ansi = ToAnsi(caption ? std::wstring(caption, SysStringLen(caption)) : std::wstring());
    AppendMenuA(menu, flags | MF_STRING, idOrPopup, ansi.c_str());
}

UINT FlagsOf(const PopupMenuList::Item& item)
{
    UINT flags = 0;
    if (PopupMenuList::IsSeparator(item.id, item.subId))
        flags |= MF_SEPARATOR;
    if (item.checked)
        flags |= MF_CHECKED;
    if (!item.enabled)
        flags |= MF_GRAYED;
    return flags;
}
} // namespace

HMENU PopupMenuList::BuildMenu() const
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (const Item& top : items_) {
        if (top.subId != 0 || !top.visible)
            continue;
        HMENU submenu = nullptr;
        for (const Item& sub : items_) {
            if (sub.id != top.id || sub.subId == 0 || !sub.visible)
                continue;
            if (!submenu)
                submenu = CreatePopupMenu();
            if (submenu)
                AppendEntry(submenu, FlagsOf(sub), static_cast<UINT_PTR>(sub.command),
                            sub.caption);
        }
        if (submenu)
            AppendEntry(menu, FlagsOf(top) | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                        top.caption);
        else
            AppendEntry(menu, FlagsOf(top), static_cast<UINT_PTR>(top.command), top.caption);
    }
    return menu;
}

int PopupMenuList::Track(int x, int y, HWND owner, PopupMenuChoice* choice) const
{
    PopupMenuChoice chosen;
    if (items_.empty()) {
        if (choice)
            *choice = chosen;
        return -1;
    }
    HMENU menu = BuildMenu();
    int command = 0;
    if (menu) {
        command = static_cast<int>(
            TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, x, y, owner, nullptr));
        DestroyMenu(menu);  // its submenus go with it
    }
    // The list is this object's own: a tracked menu calls nobody out.
    for (const Item& item : items_) {
        if (command != 0 && item.command == command) {
            chosen.id = item.id;
            chosen.subId = item.subId;
            chosen.user1 = item.user1;
            chosen.user2 = item.user2;
            break;
        }
    }
    if (choice)
        *choice = chosen;
    return 0;
}

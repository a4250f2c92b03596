#pragma once
// The engine's list of context-menu captions and flags, by item id and
// sub-item id. The engine fills it with its own captions from the string
// table; the host adds items of its own (ids from 20000 up) and changes
// captions and flags. The walk over the ids goes by position, so deleting
// items while walking is safe.
#include <windows.h>
#include <oleauto.h>

#include <vector>

class ContextMenuList {
public:
    struct Item {
        int id = 0;
        int subId = 0;
        BSTR caption = nullptr;
        int user1 = 0;
        int user2 = 0;
        bool enabled = true;
        bool visible = true;
        bool checked = false;
    };
    enum class Flag { Checked, Enabled, Visible };

    ContextMenuList() = default;
    ~ContextMenuList();
    ContextMenuList(const ContextMenuList&) = delete;
    ContextMenuList& operator=(const ContextMenuList&) = delete;

    // Whether an attribute code has engine captions of its own (as an item
    // id or a sub-item id), so that the context menu may offer it.
    static bool IsOwnAttribute(int code);

    // The engine's own 66 items, captions loaded from the module's strings;
    // a row whose string is missing is skipped.
    void LoadOwnItems(HINSTANCE module);

    // Changes the caption of the first item with both ids; without one, appends
    // it when create is set. 0 or QMK_ErrInvalidContextMenuId.
    int SetString(int id, int subId, BSTR caption, bool create, int user1, int user2);
    // A new copy of the caption of the first item with both ids.
    int GetString(int id, int subId, BSTR* caption) const;
    bool Delete(int id, int subId);
    // Sets a flag of the item with both ids; exclusive gives the siblings (and,
    // for a top item, the other top items) the opposite value.
    void SetFlag(Flag flag, int id, int subId, bool value, bool exclusive);
    // The flag of the item with both ids; false when there is none.
    bool GetFlag(Flag flag, int id, int subId) const;

    // The walk: First starts it; each call gives the ids at the position and
    // moves on; false (and both ids 0) at the end.
    bool First(int* id, int* subId);
    bool Next(int* id, int* subId);

    size_t Count() const { return items_.size(); }
    const Item& At(size_t position) const { return items_[position]; }
    const Item* Find(int id, int subId) const;

private:
    Item* FindMutable(int id, int subId);
    bool TakeAt(size_t position, int* id, int* subId);

    std::vector<Item> items_;
    size_t walk_ = 0;
};

#pragma once
// A popup menu kept as a list of items by item id and sub-item id: the
// menu of a palette button, and the context menu built for an item. A
// top-level item has sub-item id 0; its sub-items share its item id and make
// up its submenu. Tracking shows the visible items and gives back the ids and
// user values of the one chosen.
#include <windows.h>
#include <oleauto.h>

#include <vector>

// What a tracked menu gave back; all 0 when nothing was chosen.
struct PopupMenuChoice {
    int id = 0;
    int subId = 0;
    int user1 = 0;
    int user2 = 0;
};

class PopupMenuList {
public:
    struct Item {
        BSTR caption = nullptr;
        int command = 0;  // identifies the item inside a tracked menu
        int id = 0;
        int subId = 0;
        int user1 = 0;
        int user2 = 0;
        int enabled = 1;
        int visible = 1;
        int checked = 0;
    };
    enum class Flag { Checked, Enabled, Visible };

    PopupMenuList() = default;
    ~PopupMenuList();
    PopupMenuList(const PopupMenuList&) = delete;
    PopupMenuList& operator=(const PopupMenuList&) = delete;

    // Appends an item: 0, QMK_ErrDuplicateMenuId when one with both ids is
    // there, QMK_ErrOutOfMemory.
    int Add(int id, int subId, BSTR caption, int user1, int user2);
    // Appends an item with all its flags (for menus built from other lists).
    int AddWithFlags(int id, int subId, BSTR caption, int user1, int user2, int checked,
                     int enabled, int visible);
    // Removes that one item (a top item's sub-items stay): 0 or QMK_ErrInvalidMenuId.
    int Delete(int id, int subId);
    // Replaces the caption; false when there is no such item.
    bool ChangeCaption(int id, int subId, BSTR caption);
    // A new copy of the caption, null when there is no such item.
    BSTR Caption(int id, int subId) const;
    // The flag, or -1 when there is no such item.
    int Get(Flag flag, int id, int subId) const;
    // The item with both ids takes the value; with exclusive the others take
    // the opposite: for a top item every item of another item id, for a
    // sub-item every other sub-item of its item id.
    void Set(Flag flag, int id, int subId, int value, bool exclusive);
    void SetState(int id, int subId, int checked, int enabled, int visible, bool exclusive);

    // The walk over the ids: both 0 at the end and for an empty list. It goes
    // by position, so items deleted meanwhile do not upset it.
    void First(int* id, int* subId);
    void Next(int* id, int* subId);

    void Clear();
    bool Empty() const { return items_.empty(); }
    const std::vector<Item>& Items() const { return items_; }

    // Shows the menu at (x, y) screen coordinates owned by owner and waits
    // for the choice: -1 for an empty list (choice all 0), else 0.
    int Track(int x, int y, HWND owner, PopupMenuChoice* choice) const;

    // Whether an item of these ids is drawn as a separator.
    static bool IsSeparator(int id, int subId);

private:
    Item* Find(int id, int subId);
    const Item* Find(int id, int subId) const;
    void TakeAt(size_t position, int* id, int* subId);
    // Builds the popup of the visible items; submenus are destroyed with it.
    HMENU BuildMenu() const;

    std::vector<Item> items_;
    size_t walk_ = 0;
};

#pragma once
// A combo box: a drop-down list with an edit field (DropDown) or without one
// (DropDownList).
#include "forms/control.h"
#include "forms/list_items.h"

#include <functional>

namespace forms {

enum class ComboStyle { DropDown, DropDownList };

class ComboBox : public Component {
public:
    ComboBox(Control& parent, const std::string& name, const Rect& bounds, ComboStyle style = ComboStyle::DropDown);

    int Add(const std::string& item);
    void Clear() { Items().Clear(); }
    int Count() const { return Items().Count(); }
    std::string Item(int index) const { return Items().Item(index); }
    int ItemIndex() const { return Items().Current(); }
    void SetItemIndex(int index) { Items().SetCurrent(index); }
    // The text shown: the edit field's, or the selected item's.
    using Control::Text;
    void SetText(const std::string& text);

    // Sorted: the items are kept in an order that ignores letter case;
    // turning it on sorts the items there already.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    // How many rows the open list shows.
    void SetDropDownCount(int rows);
    // Moves and widens the box; the height of its field is the font's, and
    // the window keeps the height that makes room for the open list.
    void SetBounds(const Rect& bounds) override;

    // The user chose an item or changed the text.
    std::function<void()> OnChange;

protected:
    ItemList Items() const { return ItemList(Handle(), kComboBoxItems); }
    bool Command(WORD code, WORD id) override;

private:
    bool sorted_ = false;
    int droppedHeight_;
};

} // namespace forms

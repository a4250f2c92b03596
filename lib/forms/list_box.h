#pragma once
// A list box of text items with one selected item.
#include "forms/control.h"
#include "forms/list_items.h"

#include <functional>

namespace forms {

class ListBox : public Component {
public:
    ListBox(Control& parent, const std::string& name, const Rect& bounds);

    int Add(const std::string& item) { return Items().Add(item); }
    void Clear() { Items().Clear(); }
    int Count() const { return Items().Count(); }
    std::string Item(int index) const { return Items().Item(index); }
    // The selected item, or -1.
    int ItemIndex() const { return Items().Current(); }
    void SetItemIndex(int index) { Items().SetCurrent(index); }

    // The user selected an item.
    std::function<void()> OnClick;

protected:
    ItemList Items() const { return ItemList(Handle(), kListBoxItems); }
    bool Command(WORD code, WORD id) override;
};

} // namespace forms

#pragma once
// The item messages list boxes and combo boxes share, one table per window
// class, and the item operations written once over that table.
#include <windows.h>

#include <string>

namespace forms {

struct ItemMessages {
    UINT add, insert, remove, reset, count, getText, getTextLength, getCurrent, setCurrent, getData, setData;
};

extern const ItemMessages kListBoxItems;
extern const ItemMessages kComboBoxItems;

class ItemList {
public:
    ItemList(HWND window, const ItemMessages& messages) : window_(window), m_(messages) {}

    int Add(const std::string& text) const;
    int Insert(int index, const std::string& text) const;
    void Remove(int index) const;
    void Clear() const;
    int Count() const;
    std::string Item(int index) const;   // empty when out of range
    int Current() const;                 // -1 when none
    void SetCurrent(int index) const;    // -1 for none
    LPARAM Data(int index) const;
    void SetData(int index, LPARAM data) const;
    // Adds text where it belongs in an order that ignores letter case.
    int AddSorted(const std::string& text) const;

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageA(window_, message, wParam, lParam);
    }

    HWND window_;
    const ItemMessages& m_;
};

} // namespace forms

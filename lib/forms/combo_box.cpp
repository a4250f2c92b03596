#include "forms/combo_box.h"

#include <algorithm>
#include <vector>

namespace forms {

ComboBox::ComboBox(Control& parent, const std::string& name, const Rect& bounds, ComboStyle style)
    : Component(parent, name)
{
    DWORD kind = style == ComboStyle::DropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL;
    // The window's height is the field's and the open list's together.
    Rect b = bounds;
    b.height = droppedHeight_ = std::max(b.height, 200);
    CreateStandard("COMBOBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | kind, 0, b);
}

int ComboBox::Add(const std::string& item)
{
    return sorted_ ? Items().AddSorted(item) : Items().Add(item);
}

void ComboBox::SetText(const std::string& text)
{
    int found = static_cast<int>(
        SendMessageA(Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    Items().SetCurrent(found);
    // A list without an edit field can show its items only.
    if ((GetWindowLongA(Handle(), GWL_STYLE) & 3) != CBS_DROPDOWNLIST)
        Control::SetText(text);
}

void ComboBox::SetSorted(bool sorted)
{
    sorted_ = sorted;
    if (!sorted)
        return;
    ItemList items = Items();
    std::string current = items.Current() >= 0 ? items.Item(items.Current()) : std::string();
    std::vector<std::string> all;
    for (int i = 0; i < items.Count(); ++i)
        all.push_back(items.Item(i));
    std::stable_sort(all.begin(), all.end(),
                     [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    items.Clear();
    int select = -1;
    for (const std::string& item : all) {
        int at = items.Add(item);
        if (select < 0 && !current.empty() && item == current)
            select = at;
    }
    items.SetCurrent(select);
}

void ComboBox::SetDropDownCount(int rows)
{
    int itemHeight = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0));
    int fieldHeight = static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    droppedHeight_ = fieldHeight + 8 + rows * itemHeight;
    SetWindowPos(Handle(), nullptr, 0, 0, Width(), droppedHeight_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBox::SetBounds(const Rect& bounds)
{
    Rect b = bounds;
    b.height = droppedHeight_;
    Component::SetBounds(b);
}

bool ComboBox::Command(WORD code, WORD)
{
    if (code != CBN_SELCHANGE && code != CBN_EDITCHANGE)
        return false;
    if (OnChange)
        OnChange();
    return true;
}

} // namespace forms

#include "forms/list_box.h"

namespace forms {

ListBox::ListBox(Control& parent, const std::string& name, const Rect& bounds) : Component(parent, name)
{
    CreateStandard("LISTBOX", WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                   0, bounds);
}

bool ListBox::Command(WORD code, WORD)
{
    if (code != LBN_SELCHANGE)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

} // namespace forms

#include "forms/check_box.h"

namespace forms {

CheckBox::CheckBox(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption)
    : Component(parent, name)
{
    CreateStandard("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, bounds, caption);
}

bool CheckBox::Checked() const
{
    return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked)
{
    SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::Command(WORD code, WORD)
{
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

} // namespace forms

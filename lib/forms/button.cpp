#include "forms/button.h"

namespace forms {

Button::Button(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption)
    : Component(parent, name)
{
    CreateStandard("BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, bounds, caption);
}

Button::Button(Control& parent, const std::string& name) : Component(parent, name) {}

void Button::Click()
{
    if (Enabled() && OnClick)
        OnClick();
}

bool Button::Command(WORD code, WORD)
{
    if (code != BN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

} // namespace forms

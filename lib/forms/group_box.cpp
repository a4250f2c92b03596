#include "forms/group_box.h"

namespace forms {

GroupBox::GroupBox(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption)
    : Component(parent, name)
{
    CreateStandard("BUTTON", WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, bounds, caption);
}

} // namespace forms

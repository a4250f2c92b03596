#pragma once
// A group box: a framed caption that holds the components created in it.
#include "forms/control.h"

namespace forms {

class GroupBox : public Component {
public:
    GroupBox(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption = std::string());
};

} // namespace forms

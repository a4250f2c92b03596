#pragma once
// A group box: a framed caption that holds the components created in it.
#include "forms/control.h"

namespace forms {

class GroupBox : public Component {
public:
    GroupBox(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption = std::string());

protected:
    // The frame is drawn by the system; inside it and behind the caption
    // the parent's background shows.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HBRUSH ControlColour(HDC dc) override;
};

} // namespace forms

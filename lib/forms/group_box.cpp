#include "forms/group_box.h"

namespace forms {

GroupBox::GroupBox(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption)
    : Component(parent, name)
{
    CreateStandard("BUTTON", WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, bounds, caption);
}

LRESULT GroupBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND) {
        // The system's group box paints its frame and caption only: the
        // rest would keep whatever was on the screen before.
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, Parent()->BackgroundBrush());
        return 1;
    }
    return Component::WindowProc(message, wParam, lParam);
}

HBRUSH GroupBox::ControlColour(HDC dc)
{
    SetTextColor(dc, GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    return Parent()->BackgroundBrush();
}

} // namespace forms

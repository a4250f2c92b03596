#include "forms/panel.h"

namespace forms {

namespace {
const char kPanelClass[] = "FormsPanel";
}

Panel::Panel(Control& parent, const std::string& name, const Rect& bounds) : Component(parent, name)
{
    RegisterOwnClass(kPanelClass, IDC_ARROW, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    CreateOwn(kPanelClass, WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, bounds);
}

Panel::~Panel()
{
    if (background_)
        DeleteObject(background_);
}

void Panel::SetColor(COLORREF colour)
{
    if (background_)
        DeleteObject(background_);
    background_ = CreateSolidBrush(colour);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Panel::SetBevel(bool raised)
{
    bevel_ = raised;
    InvalidateRect(Handle(), nullptr, TRUE);
}

HBRUSH Panel::BackgroundBrush() const
{
    return background_ ? background_ : Component::BackgroundBrush();
}

LRESULT Panel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, BackgroundBrush());
        if (bevel_)
            DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
        return 1;
    }
    }
    return Component::WindowProc(message, wParam, lParam);
}

} // namespace forms

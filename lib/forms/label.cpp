#include "forms/label.h"

namespace forms {

Label::Label(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption)
    : Component(parent, name)
{
    CreateStandard("STATIC", WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, bounds, caption);
}

Label::~Label()
{
    if (Handle())
        SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(StandardFont()), FALSE);
    if (font_)
        DeleteObject(font_);
    if (background_)
        DeleteObject(background_);
}

bool Label::Command(WORD code, WORD)
{
    if (code != STN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

HBRUSH Label::ControlColour(HDC dc)
{
    // The static fills its rectangle with the brush returned, then draws the
    // text over it: the text itself never paints a background.
    SetTextColor(dc, Enabled() ? fontColour_ : GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    if (transparent_) {
        // Nothing else paints under a child window (its parent clips it
        // out): what shows through is the parent's background, drawn here.
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, Parent()->BackgroundBrush());
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    return background_ ? background_ : Parent()->BackgroundBrush();
}

void Label::RepaintUnder()
{
    if (!transparent_ || !Handle())
        return;
    RECT r;
    GetWindowRect(Handle(), &r);
    MapWindowPoints(HWND_DESKTOP, Parent()->Handle(), reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(Parent()->Handle(), &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Label::SetCaption(const std::string& caption)
{
    Control::SetCaption(caption);
    RepaintUnder();
}

void Label::SetTransparent(bool transparent)
{
    transparent_ = transparent;
    InvalidateRect(Handle(), nullptr, TRUE);
    RepaintUnder();
}

void Label::SetColor(COLORREF colour)
{
    if (background_)
        DeleteObject(background_);
    background_ = CreateSolidBrush(colour);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Label::SetFontColor(COLORREF colour)
{
    fontColour_ = colour;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void Label::SetFontHeight(int pixels)
{
    fontHeight_ = pixels;
    HFONT old = font_;
    font_ = nullptr;
    if (pixels > 0) {
        LOGFONTA lf = {};
        GetObjectA(StandardFont(), sizeof lf, &lf);
        lf.lfHeight = -pixels;
        lf.lfWidth = 0;
        font_ = CreateFontIndirectA(&lf);
    }
    HGDIOBJ use = font_ ? static_cast<HGDIOBJ>(font_) : static_cast<HGDIOBJ>(StandardFont());
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(use), TRUE);
    if (old)
        DeleteObject(old);
}

void Label::SetAlignment(TextAlign align)
{
    LONG style = GetWindowLongA(Handle(), GWL_STYLE) & ~(SS_LEFT | SS_CENTER | SS_RIGHT);
    style |= align == TextAlign::Centre ? SS_CENTER : align == TextAlign::Right ? SS_RIGHT : SS_LEFT;
    SetWindowLongA(Handle(), GWL_STYLE, style);
    InvalidateRect(Handle(), nullptr, TRUE);
}

} // namespace forms

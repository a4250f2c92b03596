#include "forms/control.h"

#include "forms/application.h"
#include "forms/component_name.h"
#include "forms/popup_menu.h"
#include "forms/screen_cursor.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>

namespace forms {

namespace {

const char kControlProperty[] = "FormsControl";
const UINT_PTR kSubclassId = 1;

} // namespace

HFONT StandardFont()
{
    static const HFONT font = [] {
        LOGFONTA lf = {};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ReleaseDC(nullptr, screen);
        if (dpi > 0 && dpi != 96)
            lf.lfHeight = MulDiv(lf.lfHeight, 96, dpi);
        lf.lfWidth = 0;
        HFONT made = CreateFontIndirectA(&lf);
        return made ? made : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

Control::Control(Control* parent, std::string name) : parent_(parent), name_(std::move(name)) {}

Control::~Control()
{
    if (window_)
        DestroyWindow(window_);   // its WM_NCDESTROY detaches the window
}

Control* Control::FromHandle(HWND window)
{
    if (!window)
        return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId())
        return nullptr;
    return static_cast<Control*>(GetPropA(window, kControlProperty));
}

void Control::Attach(HWND window, bool subclass)
{
    window_ = window;
    SetPropA(window, kControlProperty, this);
    SetComponentName(window, name_);
    if (subclass)
        subclassed_ = SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void Control::Detach()
{
    ClearComponentName(window_);
    RemovePropA(window_, kControlProperty);
    if (subclassed_)
        RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
    subclassed_ = false;
    window_ = nullptr;
}

void Control::RegisterOwnClass(const char* windowClass, LPCSTR cursor, UINT style)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), windowClass, &wc))
        return;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = OwnClassProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, cursor);
    wc.hbrBackground = nullptr;   // each control paints its own background
    wc.lpszClassName = windowClass;
    RegisterClassExA(&wc);
}

HWND Control::CreateOwnWindow(const char* windowClass, DWORD style, DWORD exStyle, const Rect& bounds,
                              HWND parent, HMENU idOrMenu)
{
    return CreateWindowExA(exStyle, windowClass, "", style, bounds.left, bounds.top, bounds.width,
                           bounds.height, parent, idOrMenu, GetModuleHandleA(nullptr), this);
}

LRESULT CALLBACK Control::OwnClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Control* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Attach(window, false);
    } else {
        self = reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self || self->window_ != window)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        LRESULT result = self->Dispatch(message, wParam, lParam);
        self->Detach();
        return result;
    }
    return self->Dispatch(message, wParam, lParam);
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data)
{
    Control* self = reinterpret_cast<Control*>(data);
    if (message == WM_NCDESTROY) {
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        self->Detach();
        return result;
    }
    return self->Dispatch(message, wParam, lParam);
}

// Nothing a handler throws may unwind through the system's code that called
// the window procedure: it stops here and goes to the application's box.
LRESULT Control::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return WindowProc(message, wParam, lParam);
    } catch (...) {
        Application::HandleException(std::current_exception());
        return 0;
    }
}

LRESULT Control::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (subclassed_)
        return DefSubclassProc(window_, message, wParam, lParam);
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT Control::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Reflect(message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_SETCURSOR:
        if (HCURSOR cursor = ScreenCursor::Get()) {
            SetCursor(cursor);
            return TRUE;
        }
        break;
    case WM_CONTEXTMENU:
        if (popup_) {
            OpenPopup(lParam);
            return 0;
        }
        break;
    case WM_SIZE: {
        LRESULT r = DefaultProc(message, wParam, lParam);
        Realign();
        return r;
    }
    }
    return DefaultProc(message, wParam, lParam);
}

bool Control::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    Control* child = nullptr;
    switch (message) {
    case WM_COMMAND:
        child = FromHandle(reinterpret_cast<HWND>(lParam));
        result = 0;
        return child && child != this && child->Command(HIWORD(wParam), LOWORD(wParam));
    case WM_NOTIFY: {
        NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
        child = FromHandle(header.hwndFrom);
        return child && child != this && child->Notify(header, result);
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
        child = FromHandle(reinterpret_cast<HWND>(lParam));
        HBRUSH brush = child && child != this ? child->ControlColour(reinterpret_cast<HDC>(wParam)) : nullptr;
        result = reinterpret_cast<LRESULT>(brush);
        return brush != nullptr;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        child = FromHandle(item.hwndItem);
        result = TRUE;
        return item.CtlType != ODT_MENU && child && child != this && child->DrawItem(item);
    }
    }
    return false;
}

void Control::OpenPopup(LPARAM screenPoint)
{
    POINT at = {static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
    if (screenPoint == -1) {   // from the keyboard: open at the control's corner
        at = {0, 0};
        ClientToScreen(window_, &at);
    }
    popup_->PopupAt(at.x, at.y, this);
}

bool Control::Command(WORD, WORD) { return false; }
bool Control::Notify(NMHDR&, LRESULT&) { return false; }
HBRUSH Control::ControlColour(HDC) { return nullptr; }
bool Control::DrawItem(const DRAWITEMSTRUCT&) { return false; }

HBRUSH Control::BackgroundBrush() const
{
    return parent_ ? parent_->BackgroundBrush() : GetSysColorBrush(COLOR_BTNFACE);
}

int Control::NextControlId()
{
    Control* root = this;
    while (root->parent_)
        root = root->parent_;
    return root->nextControlId_++;
}

std::string Control::Caption() const
{
    if (!window_)
        return std::string();
    int length = GetWindowTextLengthA(window_);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    length = GetWindowTextA(window_, &text[0], length + 1);
    text.resize(static_cast<size_t>(std::max(length, 0)));
    return text;
}

void Control::SetCaption(const std::string& text)
{
    SetWindowTextA(window_, text.c_str());
}

bool Control::Visible() const
{
    return window_ && (GetWindowLongA(window_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible)
{
    if (Visible() == visible)
        return;
    ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
    if (align_ != Align::None && parent_)
        parent_->Realign();
}

bool Control::Enabled() const
{
    return window_ && IsWindowEnabled(window_);
}

void Control::SetEnabled(bool enabled)
{
    EnableWindow(window_, enabled);
    InvalidateRect(window_, nullptr, TRUE);
}

Rect Control::Bounds() const
{
    RECT r = {};
    GetWindowRect(window_, &r);
    HWND parent = GetParent(window_);
    if (parent && (GetWindowLongA(window_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Control::SetBounds(const Rect& b)
{
    SetWindowPos(window_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (align_ != Align::None && parent_)
        parent_->Realign();
}

int Control::ClientWidth() const
{
    RECT r = {};
    GetClientRect(window_, &r);
    return r.right;
}

int Control::ClientHeight() const
{
    RECT r = {};
    GetClientRect(window_, &r);
    return r.bottom;
}

void Control::SetAlign(Align align)
{
    align_ = align;
    if (parent_)
        parent_->Realign();
}

void Control::Realign()
{
    if (!window_)
        return;
    RECT space = {};
    GetClientRect(window_, &space);
    const Align order[] = {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client};
    for (Align pass : order) {
        for (Component* child : children_) {
            if (child->align_ != pass || !child->Visible())
                continue;
            RECT r = space;
            Rect now = child->Bounds();
            switch (pass) {
            case Align::Top:    r.bottom = std::min(space.bottom, space.top + now.height); space.top = r.bottom; break;
            case Align::Bottom: r.top = std::max(space.top, space.bottom - now.height); space.bottom = r.top; break;
            case Align::Left:   r.right = std::min(space.right, space.left + now.width); space.left = r.right; break;
            case Align::Right:  r.left = std::max(space.left, space.right - now.width); space.right = r.left; break;
            default: break;
            }
            SetWindowPos(child->window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

Component::Component(Control& parent, const std::string& name) : Control(&parent, name)
{
    parent.children_.push_back(this);
}

Component::~Component()
{
    auto& siblings = Parent()->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
}

void Component::CreateStandard(const char* windowClass, DWORD style, DWORD exStyle, const Rect& b,
                               const std::string& text)
{
    HWND window = CreateWindowExA(exStyle, windowClass, text.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS,
                                  b.left, b.top, b.width, b.height, Owner().Handle(),
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId())),
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return;
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(StandardFont()), FALSE);
    Attach(window, true);
}

void Component::CreateOwn(const char* windowClass, DWORD style, DWORD exStyle, const Rect& b)
{
    CreateOwnWindow(windowClass, style | WS_CHILD | WS_CLIPSIBLINGS, exStyle, b, Owner().Handle(),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId())));
}

} // namespace forms

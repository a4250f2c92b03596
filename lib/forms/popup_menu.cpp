#include "forms/popup_menu.h"

#include "forms/control.h"

namespace forms {

namespace {

UINT NextCommand()
{
    static UINT next = 0x4000;
    return next++;
}

} // namespace

MenuItem::MenuItem(HMENU menu, std::string name, std::string caption, bool separator)
    : menu_(menu), name_(std::move(name)), caption_(std::move(caption)), command_(NextCommand()),
      separator_(separator)
{
    AppendMenuA(menu_, separator ? MF_SEPARATOR : MF_STRING, command_, separator ? nullptr : caption_.c_str());
}

void MenuItem::SetCaption(const std::string& caption)
{
    caption_ = caption;
    if (separator_)
        return;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(caption_.c_str());
    SetMenuItemInfoA(menu_, command_, FALSE, &info);
}

void MenuItem::SetChecked(bool checked)
{
    checked_ = checked;
    CheckMenuItem(menu_, command_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MenuItem::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    EnableMenuItem(menu_, command_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

PopupMenu::PopupMenu(const std::string& name) : name_(name), menu_(CreatePopupMenu()) {}

PopupMenu::~PopupMenu()
{
    DestroyMenu(menu_);
}

MenuItem& PopupMenu::Add(const std::string& name, const std::string& caption, std::function<void()> onClick)
{
    items_.emplace_back(new MenuItem(menu_, name, caption, false));
    items_.back()->OnClick = std::move(onClick);
    return *items_.back();
}

MenuItem& PopupMenu::AddSeparator()
{
    items_.emplace_back(new MenuItem(menu_, std::string(), std::string(), true));
    return *items_.back();
}

MenuItem* PopupMenu::Find(const std::string& name)
{
    for (auto& item : items_)
        if (!item->separator_ && item->name_ == name)
            return item.get();
    return nullptr;
}

void PopupMenu::PopupAt(int x, int y, Control* from)
{
    from_ = from;
    if (OnPopup)
        OnPopup();
    HWND owner = from && from->Handle() ? GetAncestor(from->Handle(), GA_ROOT) : GetActiveWindow();
    if (!owner)
        return;
    UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, owner, nullptr));
    if (chosen)
        Choose(chosen);
}

bool PopupMenu::Choose(UINT command)
{
    for (auto& item : items_) {
        if (item->command_ != command || item->separator_)
            continue;
        if (item->enabled_ && item->OnClick) {
            auto handler = item->OnClick;   // the handler may replace itself
            handler();
        }
        return true;
    }
    return false;
}

} // namespace forms

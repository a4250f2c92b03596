#pragma once
// A popup menu: items with captions, check marks and enabled states,
// separators, a click handler per item and an event just before it opens.
// One menu may belong to several controls (Control::SetPopupMenu); a right
// click on any of them opens it.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace forms {

class Control;

class MenuItem {
public:
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& Name() const { return name_; }
    // The item's command id: unique in the process, given in creation order.
    UINT Command() const { return command_; }
    bool IsSeparator() const { return separator_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void()> OnClick;

private:
    friend class PopupMenu;
    MenuItem(HMENU menu, std::string name, std::string caption, bool separator);

    HMENU menu_;
    std::string name_;
    std::string caption_;
    UINT command_;
    bool separator_;
    bool checked_ = false;
    bool enabled_ = true;
};

class PopupMenu {
public:
    explicit PopupMenu(const std::string& name);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    const std::string& Name() const { return name_; }
    HMENU Handle() const { return menu_; }

    MenuItem& Add(const std::string& name, const std::string& caption, std::function<void()> onClick = {});
    MenuItem& AddSeparator();
    size_t Count() const { return items_.size(); }
    MenuItem& Item(size_t index) { return *items_.at(index); }
    // The item of that name, or null.
    MenuItem* Find(const std::string& name);

    // Fires before the menu opens; handlers set the items' states here.
    std::function<void()> OnPopup;

    // Fires OnPopup, opens the menu at the screen point and runs the OnClick
    // of the item chosen, if any. from is the control the menu opens for.
    void PopupAt(int x, int y, Control* from = nullptr);
    // The control the menu last opened for (null when opened for none).
    Control* PopupComponent() const { return from_; }
    // Runs the OnClick of the enabled item with that command id; false when
    // the menu has no such item.
    bool Choose(UINT command);

private:
    std::string name_;
    HMENU menu_;
    std::vector<std::unique_ptr<MenuItem>> items_;
    Control* from_ = nullptr;
};

} // namespace forms

#pragma once
// Drives the popup menus and dialogs the engine shows while a test waits in
// them: a timer of the test's thread finds the open menu, writes down what it
// shows, and then picks an entry by its captions (with the keys a user
// presses) or dismisses it; dialogs are closed with OK or Cancel.
#include <windows.h>

#include <string>
#include <vector>

namespace engine_test {

// One entry of a shown menu, with its submenu's entries.
struct MenuEntry {
    std::wstring caption;  // empty for a separator
    bool separator = false;
    bool checked = false;
    bool grayed = false;
    std::vector<MenuEntry> submenu;
    bool operator==(const MenuEntry& other) const
    {
        return caption == other.caption && separator == other.separator &&
               checked == other.checked && grayed == other.grayed && submenu == other.submenu;
    }
};
std::string Describe(const std::vector<MenuEntry>& entries);

class MenuDriver {
public:
    // Arms the driver for the next menu: pick the entry of these captions
    // (a top caption and, for a submenu, the caption in it), or with an
    // empty top caption dismiss the menu.
    explicit MenuDriver(std::wstring top = L"", std::wstring sub = L"");
    ~MenuDriver();
    MenuDriver(const MenuDriver&) = delete;
    MenuDriver& operator=(const MenuDriver&) = delete;

    // Also closes the next dialog with this button (IDOK or IDCANCEL).
    void CloseDialogWith(int button) { dialogButton_ = button; }

    bool MenuSeen() const { return seen_; }
    bool DialogSeen() const { return dialogSeen_; }
    const std::vector<MenuEntry>& Shown() const { return shown_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    std::wstring top_;
    std::wstring sub_;
    UINT_PTR timer_ = 0;
    bool seen_ = false;
    bool dialogSeen_ = false;
    int dialogButton_ = 0;
    std::vector<MenuEntry> shown_;
    static MenuDriver* active_;
};

} // namespace engine_test

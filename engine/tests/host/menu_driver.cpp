#include "menu_driver.h"

namespace engine_test {

MenuDriver* MenuDriver::active_ = nullptr;

namespace {
const UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU

std::vector<MenuEntry> Read(HMENU menu)
{
    std::vector<MenuEntry> entries;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        wchar_t text[128] = {};
        info.dwTypeData = text;
        info.cch = 127;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        MenuEntry entry;
        entry.separator = (info.fType & MFT_SEPARATOR) != 0;
        if (!entry.separator)
            entry.caption = text;
        entry.checked = (info.fState & MFS_CHECKED) != 0;
        entry.grayed = !entry.separator && (info.fState & MFS_GRAYED) != 0;
        if (info.hSubMenu)
            entry.submenu = Read(info.hSubMenu);
        entries.push_back(entry);
    }
    return entries;
}

// The downward presses that reach an entry from no selection (separators
// are passed over), or -1 when it is not there.
int PressesTo(const std::vector<MenuEntry>& entries, const std::wstring& caption)
{
    int presses = 0;
    for (const MenuEntry& entry : entries) {
        if (entry.separator)
            continue;
        ++presses;
        if (entry.caption == caption)
            return presses;
    }
    return -1;
}

void Press(HWND window, WPARAM key)
{
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

std::string Describe(const std::vector<MenuEntry>& entries)
{
    std::string out;
    for (const MenuEntry& entry : entries) {
        if (entry.separator) {
            out += "---\n";
            continue;
        }
        out += std::string(entry.caption.begin(), entry.caption.end());
        if (entry.checked)
            out += " [x]";
        if (entry.grayed)
            out += " (grayed)";
        if (!entry.submenu.empty()) {
            out += " {";
            for (const MenuEntry& sub : entry.submenu)
                out += std::string(sub.caption.begin(), sub.caption.end()) +
                       (sub.checked ? "[x]" : "") + (sub.separator ? "---" : "") + ", ";
            out += "}";
        }
        out += "\n";
    }
    return out;
}

MenuDriver::MenuDriver(std::wstring top, std::wstring sub) : top_(std::move(top)), sub_(std::move(sub))
{
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &MenuDriver::Tick);
}

MenuDriver::~MenuDriver()
{
    if (timer_)
        KillTimer(nullptr, timer_);
    active_ = nullptr;
}

void CALLBACK MenuDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (active_)
        active_->OnTick();
}

void MenuDriver::OnTick()
{
    if (dialogButton_ && !dialogSeen_) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog) {
            dialogSeen_ = true;
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(dialogButton_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, dialogButton_)));
            return;
        }
    }
    if (seen_)
        return;
    HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !IsWindowVisible(window))
        return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, kGetMenuHandle, 0, 0));
    if (!menu)
        return;
    seen_ = true;
    shown_ = Read(menu);
    int down = top_.empty() ? -1 : PressesTo(shown_, top_);
    if (down < 0) {
        Press(window, VK_ESCAPE);
        Press(window, VK_ESCAPE);
        return;
    }
    for (int i = 0; i < down; ++i)
        Press(window, VK_DOWN);
    if (!sub_.empty()) {
        for (const MenuEntry& entry : shown_) {
            if (entry.caption != top_)
                continue;
            Press(window, VK_RIGHT);
            const int inner = PressesTo(entry.submenu, sub_);
            for (int i = 1; i < inner; ++i)
                Press(window, VK_DOWN);
        }
    }
    Press(window, VK_RETURN);
}

} // namespace engine_test

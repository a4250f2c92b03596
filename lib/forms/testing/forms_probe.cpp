#include "forms/testing/forms_probe.h"

#include "forms/component_name.h"

namespace forms {
namespace probe {

namespace {

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data)
{
    auto& found = *reinterpret_cast<ProcessWindows*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found.processId)
        found.windows.push_back(window);
    return TRUE;
}

struct NamedSearch {
    std::vector<std::pair<std::string, HWND>> named;
};

BOOL CALLBACK CollectNamed(HWND window, LPARAM data)
{
    std::string name = ComponentNameOf(window);
    if (!name.empty())
        reinterpret_cast<NamedSearch*>(data)->named.emplace_back(name, window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    ProcessWindows found = {processId, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

HWND FindForm(DWORD processId, const std::string& formName)
{
    for (HWND window : TopLevelWindows(processId))
        if (NameOf(window) == formName)
            return window;
    return nullptr;
}

std::vector<std::pair<std::string, HWND>> NamedComponents(HWND root)
{
    NamedSearch search;
    EnumChildWindows(root, CollectNamed, reinterpret_cast<LPARAM>(&search));
    return search.named;
}

HWND FindComponent(HWND root, const std::string& name)
{
    for (const auto& entry : NamedComponents(root))
        if (entry.first == name)
            return entry.second;
    return nullptr;
}

HWND FindComponent(DWORD processId, const std::string& name)
{
    // The forms without an owner (the main form) first, then those they own:
    // owned forms lie above their owner, but a name is the main form's first.
    for (bool owned : {false, true})
        for (HWND form : TopLevelWindows(processId))
            if ((GetWindow(form, GW_OWNER) != nullptr) == owned)
                if (HWND found = FindComponent(form, name))
                    return found;
    return nullptr;
}

std::string NameOf(HWND window)
{
    return ComponentNameOf(window);
}

std::string TextOf(HWND window)
{
    LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(length) + 1, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

void Click(HWND component)
{
    char cls[32] = {};
    GetClassNameA(component, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") == 0) {
        SendMessageA(component, BM_CLICK, 0, 0);
        return;
    }
    RECT r = {};
    GetClientRect(component, &r);
    LPARAM centre = MAKELPARAM(r.right / 2, r.bottom / 2);
    SendMessageA(component, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageA(component, WM_LBUTTONUP, 0, centre);
}

namespace {

struct OpenMenu {
    DWORD thread;
    bool found;
};

BOOL CALLBACK FindOpenMenu(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<OpenMenu*>(data);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(window) &&
        GetWindowThreadProcessId(window, nullptr) == search.thread)
        search.found = true;
    return !search.found;
}

bool MenuOpen(DWORD thread)
{
    OpenMenu search = {thread, false};
    EnumWindows(FindOpenMenu, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits until the thread's popup menu is open (or closed); false at the limit.
bool WaitForMenu(DWORD thread, bool open, DWORD limitMs)
{
    DWORD start = GetTickCount();
    while (MenuOpen(thread) != open) {
        if (GetTickCount() - start > limitMs)
            return false;
        Sleep(10);
    }
    return true;
}

} // namespace

bool ChoosePopupItem(HWND component, int item, DWORD limitMs)
{
    HWND root = GetAncestor(component, GA_ROOT);
    DWORD thread = GetWindowThreadProcessId(component, nullptr);
    RECT r = {};
    GetWindowRect(component, &r);
    PostMessageA(component, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(component),
                 MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    if (!WaitForMenu(thread, true, limitMs))
        return false;
    // The menu's loop reads these from the thread's queue. It chooses on the
    // character of the Return key, which is posted as such: a translated key
    // would put it behind the Escape. Escape is there for a menu that stays
    // open; once the menu is closed, it reaches the form, which ignores it.
    for (int i = 0; i <= item; ++i)
        PostMessageA(root, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(root, WM_CHAR, '\r', 0);
    PostMessageA(root, WM_KEYDOWN, VK_ESCAPE, 0);
    bool closed = WaitForMenu(thread, false, limitMs);
    // Answered once the chosen entry's handler is done and the program reads
    // messages again.
    SendMessageA(root, WM_NULL, 0, 0);
    return closed;
}

std::vector<std::string> ListItems(HWND listBox)
{
    // The wide messages: the system carries those between processes as they
    // are, while the narrow LB_GETTEXT comes back unconverted from another one.
    std::vector<std::string> items;
    LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring wide(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        LRESULT got = SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&wide[0]));
        wide.resize(got < 0 ? 0 : static_cast<size_t>(got));
        int size = static_cast<int>(wide.size());
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), size, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(bytes), '\0');
        if (bytes > 0)
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), size, &text[0], bytes, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

void SelectListItem(HWND listBox, int index, bool selected)
{
    SendMessageA(listBox, LB_SETSEL, selected, index);
}

Program::Program(const std::string& commandLine, const std::string& folder)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        id_ = pi.dwProcessId;
    }
}

Program::~Program()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_, 1);
    CloseHandle(process_);
}

HWND Program::WaitForForm(const std::string& formName, DWORD limitMs)
{
    if (!process_)
        return nullptr;
    DWORD start = GetTickCount();
    for (;;) {
        HWND form = FindForm(id_, formName);
        if (form && IsWindowVisible(form))
            return form;
        if (GetTickCount() - start > limitMs || WaitForSingleObject(process_, 20) == WAIT_OBJECT_0)
            return nullptr;
    }
}

int Program::WaitForExit(DWORD limitMs)
{
    if (!process_ || WaitForSingleObject(process_, limitMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
}

} // namespace probe
} // namespace forms

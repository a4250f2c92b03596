#pragma once
// Finding and driving the windows of a forms program from another process:
// forms and components are found by the component name they carry (see
// forms/component_name.h) and read or worked with window messages.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace forms {
namespace probe {

// The top-level windows of a process, shown or hidden.
std::vector<HWND> TopLevelWindows(DWORD processId);
// The form of that name (e.g. "TForm1") in the process, or null.
HWND FindForm(DWORD processId, const std::string& formName);
// The window of that name among root's descendants, or null.
HWND FindComponent(HWND root, const std::string& name);
// The first component of that name in any form of the process, or null.
HWND FindComponent(DWORD processId, const std::string& name);
// The name a window carries, or empty.
std::string NameOf(HWND window);
// Every named descendant of root, in the order the system lists them.
std::vector<std::pair<std::string, HWND>> NamedComponents(HWND root);

// The window's text (WM_GETTEXT): captions, edit and memo texts.
std::string TextOf(HWND window);
// Clicks a component and returns when its handler is done: BM_CLICK for a
// button, a left press and release at its centre for anything else (labels,
// image boxes).
void Click(HWND component);
// Opens the component's popup menu (as a right click does) and chooses its
// item-th entry, counting from 0 and passing over separators (a disabled
// entry counts, and choosing it closes the menu without effect). Returns
// once the menu is closed and the entry's handler is done (unless that lets
// messages run); false when no menu opened or it did not close within the
// limit.
bool ChoosePopupItem(HWND component, int item, DWORD limitMs = 10000);
// The items of a LISTBOX.
std::vector<std::string> ListItems(HWND listBox);
// Selects or deselects item index of a multi-select LISTBOX (-1: all).
void SelectListItem(HWND listBox, int index, bool selected);

// A program started for a test: its process, closed and, if still running
// at the end, stopped.
class Program {
public:
    // Starts commandLine in folder (empty: the caller's). started() tells.
    explicit Program(const std::string& commandLine, const std::string& folder = std::string());
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    // Waits for the program to end and returns its exit code, or -1 when it
    // did not end within the limit.
    int WaitForExit(DWORD limitMs = 30000);
    // Waits until the program shows the form of that name (its components
    // are then in place) and returns it; null when the program ended or did
    // not show it within the limit.
    HWND WaitForForm(const std::string& formName, DWORD limitMs = 30000);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

} // namespace probe
} // namespace forms

#pragma once
// How a window of the forms layer carries its component name, so that a tool
// or a test in another process can find "Button15" or "Label58" by name.
//
// Every form and component window has the window property "ComponentName"
// (the property key is the global atom of that string; SetPropA/GetPropA with
// the plain string use the same atom). The property's value is itself a global
// atom, the one GlobalAddAtomA returns for the name. Another process reads it
//     ATOM a = (ATOM)(UINT_PTR)GetPropA(hwnd, "ComponentName");
//     GlobalGetAtomNameA(a, buffer, size);
// Global atom names compare without regard to case, so "button15" finds
// "Button15" as well. The atom is released when the window goes.
#include <windows.h>

#include <string>

namespace forms {

extern const char kComponentNameProperty[];   // "ComponentName"

// Gives the window its name (an empty name removes it).
void SetComponentName(HWND window, const std::string& name);
// The name the window carries, or empty; works for windows of any process.
std::string ComponentNameOf(HWND window);
// Releases the name; called as the window is destroyed.
void ClearComponentName(HWND window);

} // namespace forms

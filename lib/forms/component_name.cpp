#include "forms/component_name.h"

namespace forms {

const char kComponentNameProperty[] = "ComponentName";

void SetComponentName(HWND window, const std::string& name)
{
    ClearComponentName(window);
    if (name.empty())
        return;
    ATOM atom = GlobalAddAtomA(name.c_str());
    if (atom)
        SetPropA(window, kComponentNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
}

std::string ComponentNameOf(HWND window)
{
    ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(window, kComponentNameProperty)));
    if (!atom)
        return std::string();
    char buffer[256];
    UINT length = GlobalGetAtomNameA(atom, buffer, sizeof buffer);
    return std::string(buffer, length);
}

void ClearComponentName(HWND window)
{
    HANDLE value = RemovePropA(window, kComponentNameProperty);
    if (value)
        GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(value)));
}

} // namespace forms

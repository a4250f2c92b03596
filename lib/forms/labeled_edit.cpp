#include "forms/labeled_edit.h"

#include "forms/component_name.h"

namespace forms {

namespace {
const int kLabelHeight = 16;
}

LabeledEdit::LabeledEdit(Control& parent, const std::string& name, const Rect& bounds,
                         const std::string& labelCaption)
    : Component(parent, name)
{
    label_ = CreateWindowExA(0, "STATIC", labelCaption.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                             bounds.left, bounds.top - kLabelHeight, bounds.width, kLabelHeight, parent.Handle(),
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(StandardFont()), FALSE);
    SetComponentName(label_, name + ".EditLabel");
    CreateStandard("EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, bounds);
}

LabeledEdit::~LabeledEdit()
{
    if (label_ && IsWindow(label_)) {
        ClearComponentName(label_);
        DestroyWindow(label_);
    }
}

std::string LabeledEdit::LabelCaption() const
{
    char text[512] = {};
    GetWindowTextA(label_, text, sizeof text);
    return text;
}

void LabeledEdit::SetLabelCaption(const std::string& caption)
{
    SetWindowTextA(label_, caption.c_str());
}

void LabeledEdit::PlaceLabel()
{
    Rect b = Bounds();
    SetWindowPos(label_, nullptr, b.left, b.top - kLabelHeight, b.width, kLabelHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT LabeledEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_WINDOWPOSCHANGED: {
        const WINDOWPOS& pos = *reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(pos.flags & SWP_NOMOVE) || !(pos.flags & SWP_NOSIZE))
            PlaceLabel();
        if (pos.flags & SWP_SHOWWINDOW)
            ShowWindow(label_, SW_SHOWNA);
        if (pos.flags & SWP_HIDEWINDOW)
            ShowWindow(label_, SW_HIDE);
        break;
    }
    case WM_ENABLE:
        EnableWindow(label_, static_cast<BOOL>(wParam));
        break;
    }
    return Component::WindowProc(message, wParam, lParam);
}

bool LabeledEdit::Command(WORD code, WORD)
{
    if (code != EN_CHANGE)
        return false;
    if (OnChange)
        OnChange();
    return true;
}

} // namespace forms

#include "member_dialogs.h"

#include <commdlg.h>

#include <string>

#include "comkit/module.h"

namespace quillmark {
namespace {

// The font type the font dialog is handed; the dialog answers its own.
const WORD kFontTypeGiven = 0x8000;

std::string AnsiOf(BSTR text) {
    if (!text) return std::string();
    const int length = static_cast<int>(SysStringLen(text));
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text, length, &ansi[0], bytes, nullptr, nullptr);
    return ansi;
}

// The caption hooks: only WM_INITDIALOG, whose lParam is the dialog's
// structure with the caption's address as its custom data. Both let the
// dialog go on with every message.
void SetCaption(HWND dialog, LPARAM customData) {
    const BSTR* title = reinterpret_cast<const BSTR*>(customData);
    SetWindowTextA(dialog, AnsiOf(title ? *title : nullptr).c_str());
}

UINT_PTR CALLBACK ColourCaptionHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG && lParam)
        SetCaption(dialog, reinterpret_cast<const CHOOSECOLORA*>(lParam)->lCustData);
    return 0;
}

UINT_PTR CALLBACK FontCaptionHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG && lParam)
        SetCaption(dialog, reinterpret_cast<const CHOOSEFONTA*>(lParam)->lCustData);
    return 0;
}

} // namespace

bool PickColour(HWND owner, COLORREF initial, const BSTR* title, COLORREF* chosen) {
    COLORREF custom[16];
    for (int i = 0; i < 16; ++i) custom[i] = GetSysColor(i);
    CHOOSECOLORA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.rgbResult = initial;
    dialog.lpCustColors = custom;
    dialog.Flags = CC_RGBINIT;
    if (title) {
        dialog.Flags |= CC_ENABLEHOOK;
        dialog.lCustData = reinterpret_cast<LPARAM>(title);
        dialog.lpfnHook = ColourCaptionHook;
    }
    if (!ChooseColorA(&dialog)) return false;
    *chosen = dialog.rgbResult;
    return true;
}

bool PickFont(HWND owner, const BSTR* title, LOGFONTA* font) {
    CHOOSEFONTA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    dialog.hInstance = comkit::ModuleHandle();
    dialog.nFontType = kFontTypeGiven;
    if (title) {
        dialog.Flags |= CF_ENABLEHOOK;
        dialog.lCustData = reinterpret_cast<LPARAM>(title);
        dialog.lpfnHook = FontCaptionHook;
    }
    return ChooseFontA(&dialog) != FALSE;
}

} // namespace quillmark

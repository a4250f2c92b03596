#pragma once
// The platform's colour and font dialogs as the dialog members open them:
// one way to each, shared by the item and the tool members.
#include <windows.h>
#include <oaidl.h>

namespace quillmark {

// The colour dialog over owner (may be null), starting on initial, with the
// sixteen system colours as its custom colours. title null: the dialog keeps
// its own caption; else the address of the caption (a null BSTR gives an
// empty caption). True, *chosen set, when the user confirms.
bool PickColour(HWND owner, COLORREF initial, const BSTR* title, COLORREF* chosen);

// The font dialog over owner on the screen fonts, starting from *font, which
// receives the choice when the user confirms (true). title as above.
bool PickFont(HWND owner, const BSTR* title, LOGFONTA* font);

} // namespace quillmark

#pragma once
// Asking a Vistrel 7 view what it shows, from any process that has its
// window handle (the window text is the loaded file's name):
//
//   UINT query = RegisterWindowMessageW(vistrel7::kStateQueryMessage);
//   LRESULT width = SendMessageW(view, query, vistrel7::StateWidth, 0);
//
// wParam picks the field; the answer is the field's value, or -1 for an
// unknown field. The zoom factor comes as IPZoomF x 1000, rounded.
#include <windows.h>

namespace vistrel7 {

constexpr const wchar_t* kStateQueryMessage = L"Vistrel7StateQuery";

enum StateField : WPARAM {
    StateWidth = 0,        // IWidth
    StateHeight = 1,       // IHeight
    StateBitsPerPixel = 2, // IBPP
    StateZoomMilli = 3,    // IPZoomF x 1000
    StateScrollX = 4,      // ScrollX
    StateScrollY = 5,      // ScrollY
};

} // namespace vistrel7

#include "forms/screen_cursor.h"

namespace forms {

namespace {
HCURSOR g_cursor = nullptr;
}

HCURSOR ScreenCursor::Get()
{
    return g_cursor;
}

void ScreenCursor::Set(HCURSOR cursor)
{
    g_cursor = cursor;
    SetCursor(cursor ? cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */));
}

} // namespace forms

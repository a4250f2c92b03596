#pragma once
// The program-wide cursor: while one is set (the hourglass during a wait for
// an outside program), every form shows it in place of its own cursor.
#include <windows.h>

namespace forms {

class ScreenCursor {
public:
    // The cursor set for the whole program, or null for each window's own.
    static HCURSOR Get();
    // Sets (or with null clears) the program-wide cursor and shows it at once.
    static void Set(HCURSOR cursor);
};

} // namespace forms

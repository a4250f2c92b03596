#pragma once
// The engine's cursors: per tool its creating, selecting and moving cursor
// (kinds 0, 1, 2), then the move cursor. A cursor that the library lacks
// leaves its slot empty.
//
// The cursors themselves are the library's, not the table's: each one is
// made the first time any engine or item of the process asks for it and
// kept until the library is unloaded. Making and destroying the same
// cursors again for every engine costs the platform memory that it does not
// give back, so an engine only looks them up.
#include <windows.h>

#include "engine_codes.h"

class CursorTable {
public:
    explicit CursorTable(HINSTANCE module);
    CursorTable(const CursorTable&) = delete;
    CursorTable& operator=(const CursorTable&) = delete;

    // The cursor of a tool 4096..4108 and kind 0..2, or null.
    HCURSOR Cursor(int tool, int kind) const;
    HCURSOR MoveCursor() const { return move_; }

private:
    HCURSOR cursors_[kToolCount][3] = {};
    HCURSOR move_ = nullptr;
};

// A cursor resource of a module, made once and kept (see above); null when
// the module lacks it. Any thread may ask.
HCURSOR LibraryCursor(HINSTANCE module, int number);
// The library's copy of the system I-beam cursor, made once likewise.
HCURSOR IBeamCursorCopy();
// Destroys every cursor made by the two above; for the library's unloading,
// when no engine is left.
void ReleaseLibraryCursors();

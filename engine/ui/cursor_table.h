#pragma once
// The engine's cursors: per tool its creating, selecting and moving cursor
// (kinds 0, 1, 2), then the move cursor. A cursor that the library lacks
// leaves its slot empty.
#include <windows.h>

#include "engine_codes.h"

class CursorTable {
public:
    explicit CursorTable(HINSTANCE module);
    ~CursorTable();
    CursorTable(const CursorTable&) = delete;
    CursorTable& operator=(const CursorTable&) = delete;

    // The cursor of a tool 4096..4108 and kind 0..2, or null.
    HCURSOR Cursor(int tool, int kind) const;
    HCURSOR MoveCursor() const { return move_; }

private:
    HCURSOR cursors_[kToolCount][3] = {};
    HCURSOR move_ = nullptr;
};

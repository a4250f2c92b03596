#pragma once
// Resource numbers of the engine library.

// Cursors of tool t: IDC_TOOL_CURSOR_BASE + 1000 * (t - 4096) + kind
// (0 creating, 1 selecting, 2 moving); not every tool has all three.
#define IDC_TOOL_CURSOR_BASE 10000
// The text tool's creating cursor is the system I-beam; its other two are these.
#define IDC_TEXT_SELECTING 11001
#define IDC_TEXT_MOVING 11000
// The cursor shown while items are moved.
#define IDC_ENGINE_MOVE 114

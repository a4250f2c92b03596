#include "ui/cursor_table.h"

#include "engine_resources.h"

namespace {
HCURSOR LoadOwnCursor(HINSTANCE module, int number)
{
    return static_cast<HCURSOR>(
        LoadImageA(module, MAKEINTRESOURCEA(number), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
}
} // namespace

CursorTable::CursorTable(HINSTANCE module)
{
    for (int tool = kFirstTool; tool <= kLastTool; ++tool) {
        HCURSOR* slots = cursors_[tool - kFirstTool];
        if (tool == TextTool) {
            slots[0] = static_cast<HCURSOR>(
                CopyIcon(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM))));
            slots[1] = LoadOwnCursor(module, IDC_TEXT_SELECTING);
            slots[2] = LoadOwnCursor(module, IDC_TEXT_MOVING);
            continue;
        }
        int base = IDC_TOOL_CURSOR_BASE + 1000 * (tool - kFirstTool);
        for (int kind = 0; kind < 3; ++kind)
            slots[kind] = LoadOwnCursor(module, base + kind);
    }
    move_ = LoadOwnCursor(module, IDC_ENGINE_MOVE);
}

CursorTable::~CursorTable()
{
    for (auto& slots : cursors_)
        for (HCURSOR cursor : slots)
            if (cursor)
                DestroyCursor(cursor);
    if (move_)
        DestroyCursor(move_);
}

HCURSOR CursorTable::Cursor(int tool, int kind) const
{
    if (tool < kFirstTool || tool > kLastTool || kind < 0 || kind > 2)
        return nullptr;
    return cursors_[tool - kFirstTool][kind];
}

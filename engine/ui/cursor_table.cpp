#include "ui/cursor_table.h"

#include <utility>
#include <vector>

#include "engine_resources.h"

namespace {

// The cursors made so far: (module, resource number) and the handle (null
// for a resource the module lacks, so that it is not looked for again). The
// I-beam copy is kept under module null, number 0.
struct MadeCursor {
    HINSTANCE module;
    int number;
    HCURSOR cursor;
};
SRWLOCK g_lock = SRWLOCK_INIT;
std::vector<MadeCursor>* g_made = nullptr;  // never freed before ReleaseLibraryCursors

template <class Make>
HCURSOR Kept(HINSTANCE module, int number, Make make)
{
    AcquireSRWLockExclusive(&g_lock);
    HCURSOR found = nullptr;
    bool known = false;
    if (g_made) {
        for (const MadeCursor& made : *g_made)
            if (made.module == module && made.number == number) {
                found = made.cursor;
                known = true;
                break;
            }
    }
    if (!known) {
        found = make();
        try {
            if (!g_made)
                g_made = new std::vector<MadeCursor>();
            g_made->push_back({module, number, found});
        } catch (...) {
            // Not kept: the next asker makes it again.
        }
    }
    ReleaseSRWLockExclusive(&g_lock);
    return found;
}

} // namespace

HCURSOR LibraryCursor(HINSTANCE module, int number)
{
    return Kept(module, number, [module, number] {
        return static_cast<HCURSOR>(
            LoadImageA(module, MAKEINTRESOURCEA(number), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    });
}

HCURSOR IBeamCursorCopy()
{
    return Kept(nullptr, 0, [] {
        return static_cast<HCURSOR>(CopyIcon(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM))));
    });
}

void ReleaseLibraryCursors()
{
    AcquireSRWLockExclusive(&g_lock);
    std::vector<MadeCursor>* made = g_made;
    g_made = nullptr;
    ReleaseSRWLockExclusive(&g_lock);
    if (!made)
        return;
    for (const MadeCursor& entry : *made)
        if (entry.cursor)
            DestroyCursor(entry.cursor);
    delete made;
}

CursorTable::CursorTable(HINSTANCE module)
{
    for (int tool = kFirstTool; tool <= kLastTool; ++tool) {
        HCURSOR* slots = cursors_[tool - kFirstTool];
        if (tool == TextTool) {
            slots[0] = IBeamCursorCopy();
            slots[1] = LibraryCursor(module, IDC_TEXT_SELECTING);
            slots[2] = LibraryCursor(module, IDC_TEXT_MOVING);
            continue;
        }
        int base = IDC_TOOL_CURSOR_BASE + 1000 * (tool - kFirstTool);
        for (int kind = 0; kind < 3; ++kind)
            slots[kind] = LibraryCursor(module, base + kind);
    }
    move_ = LibraryCursor(module, IDC_ENGINE_MOVE);
}

HCURSOR CursorTable::Cursor(int tool, int kind) const
{
    if (tool < kFirstTool || tool > kLastTool || kind < 0 || kind > 2)
        return nullptr;
    return cursors_[tool - kFirstTool][kind];
}

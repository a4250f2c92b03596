#pragma once
// A named group of a layer's items, as the layer keeps and saves it: its id
// (never 0, unique within the layer), name, user string and user long, the
// yoked and selected flags, the rectangle of its members (layer units) and
// the members' sequence numbers in the order they were added.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

struct AnnotationGroup {
    int id = 0;
    std::wstring name;
    std::wstring userString;
    int userLong = 0;
    bool yoked = false;
    bool selected = false;
    // The rectangle must be computed again before it is drawn.
    bool stale = true;
    RECT rect = {};
    std::vector<int> members;

    // Live state, not saved: resizing by a handle (the rectangle when the
    // press came, the handle under the drag and whether a resize is under
    // way), whether the last paint drew the group, and the position of the
    // member walk.
    RECT startRect = {};
    int handle = -1;
    bool resizing = false;
    bool painted = false;
    size_t memberCursor = 0;

    // Only a yoked group counts as selected (a saved group may say otherwise).
    bool IsSelected() const { return yoked && selected; }

    bool HasMember(int seq) const
    {
        return std::find(members.begin(), members.end(), seq) != members.end();
    }
};

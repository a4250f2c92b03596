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

    bool HasMember(int seq) const
    {
        return std::find(members.begin(), members.end(), seq) != members.end();
    }
};

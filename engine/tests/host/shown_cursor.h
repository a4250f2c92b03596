#pragma once
// Which cursor the user sees: the system's by their handles, the engine's
// own by their pictures (the engine keeps its copies to itself).
#include <windows.h>

namespace engine_test {

// The cursor now set for this thread: 0 for none, a system cursor's number
// (32512 arrow, 32513 I-beam, 32642 to 32646 the sizing and moving arrows),
// the number of the engine library's cursor resource whose picture it
// shows, or -1 for any other.
int ShownCursor(HMODULE engine);

} // namespace engine_test

#pragma once
// A record of what the control's client side is asked and does, in order,
// for the programs that test the binding: one line per call, kept for the
// whole process. Read it with the exported VistrelReadTrace (lines joined
// by '\n'; the result is the length of the whole text, which is copied
// only when it fits with its NUL), clear it with VistrelClearTrace.
#include <string>

namespace viewer {

void Trace(const std::wstring& line);

} // namespace viewer

extern "C" int VistrelReadTrace(wchar_t* buffer, int size);
extern "C" void VistrelClearTrace();

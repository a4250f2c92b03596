#pragma once
// Starts outside programs (method programs, batch files, settings programs,
// self-extracting packages) and waits for them with the window kept alive.
// Callers make the program's work folder the current directory first.
#include <windows.h>

namespace platform {

// Starts a command line (a bare path of an .exe or .bat, no arguments) with
// no console window and real-time priority. A path with blanks is quoted.
// Returns the process handle, or null when the program could not be started.
HANDLE StartProcess(const char* commandLine);

// Waits until the process ends, letting window messages run at least every
// 50 ms; shows the hourglass meanwhile and closes the handle. A null or
// invalid handle returns at once. True when the program ended and its exit
// code, when asked for, could be read.
bool WaitForProcess(HANDLE process, DWORD* exitCode = nullptr);

} // namespace platform

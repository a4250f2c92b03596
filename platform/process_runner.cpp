#include "process_runner.h"

#include "forms/application.h"
#include "forms/screen_cursor.h"

#include <string>

static_assert(sizeof(STARTUPINFOA) == 68, "the runner hands a 68-byte STARTUPINFO");

namespace platform {

namespace {

constexpr DWORD kCreationFlags = CREATE_NO_WINDOW | REALTIME_PRIORITY_CLASS; // 0x08000100
constexpr DWORD kPollMilliseconds = 50;

std::string QuotedIfBlank(const char* commandLine)
{
    std::string line = commandLine ? commandLine : "";
    if (line.find(' ') != std::string::npos && line.front() != '"')
        line = '"' + line + '"';
    return line;
}

} // namespace

HANDLE StartProcess(const char* commandLine)
{
    std::string line = QuotedIfBlank(commandLine);   // CreateProcessA may write into it

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;                     // 68
    startup.dwFlags = STARTF_FORCEONFEEDBACK;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, kCreationFlags,
                        nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

bool WaitForProcess(HANDLE process, DWORD* exitCode)
{
    if (process == nullptr || process == INVALID_HANDLE_VALUE)
        return false;

    HCURSOR previous = forms::ScreenCursor::Get();
    forms::ScreenCursor::Set(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
    DWORD woke;
    for (;;) {
        // Wakes for the end of the program, for input that arrived since the
        // last look at the queue, or after 50 ms at the latest.
        woke = MsgWaitForMultipleObjectsEx(1, &process, kPollMilliseconds, QS_ALLINPUT, 0);
        if (woke != WAIT_TIMEOUT && woke != WAIT_OBJECT_0 + 1)
            break;                                   // ended, or the wait failed
        forms::Application::ProcessMessages();
    }
    bool ended = woke == WAIT_OBJECT_0 && (!exitCode || GetExitCodeProcess(process, exitCode));
    CloseHandle(process);
    forms::ScreenCursor::Set(previous);
    return ended;
}

} // namespace platform

// Started by the runner tests. Writes "probe.txt" into its current folder:
//   cwd=<current folder>
//   cmdline=<its command line>
//   argc=<number of arguments>
//   console=<1 when it has a console window, else 0>
// Before writing it sleeps RUNNER_PROBE_SLEEP_MS milliseconds when that is set.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char**)
{
    if (const char* sleep = std::getenv("RUNNER_PROBE_SLEEP_MS"))
        Sleep(static_cast<DWORD>(std::atoi(sleep)));
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    FILE* f = std::fopen("probe.txt", "w");
    if (!f)
        return 1;
    std::fprintf(f, "cwd=%s\ncmdline=%s\nargc=%d\nconsole=%d\n", cwd, GetCommandLineA(), argc,
                 GetConsoleWindow() != nullptr ? 1 : 0);
    std::fclose(f);
    return 0;
}

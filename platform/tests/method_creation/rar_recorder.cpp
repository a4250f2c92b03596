// A stand-in for the archiver that records how it was called: put on the
// search path as "rar.exe", it writes into the folder named by
// RAR_RECORD_DIR its command line (command.txt), its arguments one a line
// (arguments.txt) and a copy of every file of its current folder (files\).
// When RAR_FORWARD names the real archiver, that one then runs with the same
// arguments and its exit code is returned; otherwise nothing is packed and
// the exit code is 2. RAR_REMOVE names a file of the folder that is removed
// before the archiver runs (as if it went while the archiver ran), and
// RAR_EXIT an exit code to return in place of the archiver's; RAR_PAUSE
// makes it wait that many milliseconds after recording.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Variable(const char* name)
{
    char buffer[4096];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

void Write(const std::string& path, const std::string& text)
{
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

// What follows the program's own name on the command line.
std::string ArgumentsText()
{
    const char* p = GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p)
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    std::string record = Variable("RAR_RECORD_DIR");
    if (!record.empty()) {
        Write(record + "\\command.txt", GetCommandLineA());
        std::string arguments;
        for (int i = 1; i < argc; ++i)
            arguments += std::string(argv[i]) + "\n";
        Write(record + "\\arguments.txt", arguments);
        std::string files = record + "\\files";
        CreateDirectoryA(files.c_str(), nullptr);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA("*", &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    CopyFileA(found.cFileName, (files + "\\" + found.cFileName).c_str(), FALSE);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }

    std::string pause = Variable("RAR_PAUSE");
    if (!pause.empty())
        Sleep(static_cast<DWORD>(std::atoi(pause.c_str())));
    std::string remove = Variable("RAR_REMOVE");
    if (!remove.empty())
        DeleteFileA(remove.c_str());
    std::string exitCode = Variable("RAR_EXIT");
    std::string forward = Variable("RAR_FORWARD");
    if (forward.empty())
        return exitCode.empty() ? 2 : std::atoi(exitCode.c_str());
    std::string line = "\"" + forward + "\"" + ArgumentsText();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return 2;
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return exitCode.empty() ? static_cast<int>(code) : std::atoi(exitCode.c_str());
}

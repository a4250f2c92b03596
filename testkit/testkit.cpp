#include "testkit.h"

#include <windows.h>

#include <stdexcept>

namespace testkit {

TempFolder::TempFolder(const std::string& name_hint)
{
    char base[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, base);
    if (n == 0 || n >= MAX_PATH)
        throw std::runtime_error("no temp folder");
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = std::string(base) + name_hint + "-" +
                                std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(InterlockedIncrement(&counter)) + "-" +
                                std::to_string(GetTickCount());
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            char full[MAX_PATH];
            GetFullPathNameA(candidate.c_str(), MAX_PATH, full, nullptr);
            path_ = full;
            return;
        }
    }
    throw std::runtime_error("cannot create a temp folder");
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/"));
}

bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    DWORD size = GetFileSize(f, nullptr);
    bytes.resize(size);
    DWORD got = 0;
    if (size && !ReadFile(f, bytes.data(), size, &got, nullptr))
        got = 0;
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD put = 0;
    if (!bytes.empty())
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
    if (put != bytes.size())
        throw std::runtime_error("short write " + path);
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

int RunAndWait(const std::string& commandLine, const std::string& folder, unsigned timeoutMs)
{
    std::string line = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

} // namespace testkit

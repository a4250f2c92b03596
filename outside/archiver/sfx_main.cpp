// sfxwincon.sfx: the extracting stub at the front of every package.
// Run with no arguments, it checks the package attached to its own file and
// only then writes every member into the current folder, replacing files of
// the same name.
//
// Exit codes: 0 all written; 2 no package attached or the package is damaged
// (nothing written); 3 arguments given; 4 a member could not be put in place
// (a folder, a read-only or locked file, the package itself...): nothing
// written, every file of the folder as it was.
#include "file_io.h"
#include "package_format.h"

#include <windows.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kExitDamaged = 2;
constexpr int kExitUsage = 3;
constexpr int kExitWriteFailed = 4;

void Report(const std::string& message)
{
    std::fprintf(stderr, "sfx: %s\n", message.c_str());
    std::fflush(stderr);
}

bool OwnPath(std::string* path)
{
    std::vector<char> buffer(32768);
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size())
        return false;
    path->assign(buffer.data(), n);
    return true;
}

// Whether two paths name one file (a hard link, a short name or another
// spelling included): the same volume and file index.
bool SameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE f = CreateFileA(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return false;
        BOOL ok = GetFileInformationByHandle(f, &info[i]);
        CloseHandle(f);
        if (!ok)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n && n < sizeof buffer ? std::string(buffer, n) : path;
}

// Why a member could not be put in place, or empty when it can: checked for
// every member before anything is written.
std::string CannotPlace(const package::MemberView& m, const std::string& self)
{
    DWORD a = GetFileAttributesA(m.name.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND)
            return "";
        return "\"" + m.name + "\" cannot be looked at: " + fileio::ErrorText(e);
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY)
        return "\"" + m.name + "\" is a folder here";
    if (a & FILE_ATTRIBUTE_READONLY)
        return "\"" + m.name + "\" is a read-only file here";
    if (SameFile(m.name, self) || lstrcmpiA(FullPath(m.name).c_str(), FullPath(self).c_str()) == 0)
        return "\"" + m.name + "\" is this package itself";
    // Replacing needs the file to be neither in use without sharing nor
    // protected: open it the way a replacement needs it.
    HANDLE f = CreateFileA(m.name.c_str(), GENERIC_WRITE | DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "\"" + m.name + "\" cannot be replaced: " + fileio::ErrorText(GetLastError());
    CloseHandle(f);
    return "";
}

void DeleteAll(const std::vector<std::string>& paths)
{
    for (const std::string& p : paths)
        if (!p.empty())
            DeleteFileA(p.c_str());
}

// Every member is first checked, then written to a temporary file; only then
// are they moved into place, each existing file first set aside, so that a
// move failing part way puts back what was there.
int Extract(const std::vector<package::MemberView>& members, const std::string& self)
{
    for (const package::MemberView& m : members) {
        std::string why = CannotPlace(m, self);
        if (!why.empty()) {
            Report(why + "; nothing was extracted");
            return kExitWriteFailed;
        }
    }
    std::vector<std::string> temps;
    for (const package::MemberView& m : members) {
        std::string temp, error;
        if (!fileio::WriteTempFile(".", m.data, m.size, &temp, &error)) {
            DeleteAll(temps);
            Report(error + "; nothing was extracted");
            return kExitWriteFailed;
        }
        temps.push_back(temp);
    }
    // A member named like one of our temporary files would be overwritten by
    // its move and lose the other member's data: give up before moving.
    for (const std::string& t : temps) {
        std::string base = t.substr(t.find_last_of("\\/") + 1);
        for (const package::MemberView& m : members) {
            if (package::SameMemberName(base, m.name)) {
                DeleteAll(temps);
                Report("the temporary name \"" + base + "\" clashes with a member; "
                       "nothing was extracted, please run again");
                return kExitWriteFailed;
            }
        }
    }
    std::vector<std::string> setAside(members.size());   // the old file of each member, if any
    std::string error;
    size_t placed = 0;
    for (; placed < members.size(); ++placed) {
        const std::string& target = members[placed].name;
        if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            char name[MAX_PATH];
            if (!GetTempFileNameA(".", "~po", 0, name)) {
                error = "cannot set \"" + target + "\" aside: " + fileio::ErrorText(GetLastError());
                break;
            }
            if (!MoveFileExA(target.c_str(), name, MOVEFILE_REPLACE_EXISTING)) {
                error = "cannot set \"" + target + "\" aside: " + fileio::ErrorText(GetLastError());
                DeleteFileA(name);
                break;
            }
            setAside[placed] = name;
        }
        if (!MoveFileExA(temps[placed].c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            error = "cannot write \"" + target + "\": " + fileio::ErrorText(GetLastError());
            if (!setAside[placed].empty() && MoveFileExA(setAside[placed].c_str(), target.c_str(), 0))
                setAside[placed].clear();
            break;
        }
        temps[placed].clear();
    }
    if (placed == members.size()) {
        DeleteAll(setAside);
        return 0;
    }
    // Undo: the members placed so far give way to the files they replaced.
    for (size_t i = placed; i-- > 0;) {
        DeleteFileA(members[i].name.c_str());
        if (!setAside[i].empty() && MoveFileExA(setAside[i].c_str(), members[i].name.c_str(), 0))
            setAside[i].clear();
    }
    DeleteAll(temps);
    Report(error + "; nothing was extracted");
    return kExitWriteFailed;
}

int Run(int argc)
{
    if (argc > 1) {
        Report("this self-extracting package takes no arguments; run it in the folder "
               "where its files should go");
        return kExitUsage;
    }
    std::string self;
    if (!OwnPath(&self)) {
        Report("cannot find the package's own file");
        return kExitDamaged;
    }
    std::vector<uint8_t> file;
    std::string error;
    if (!fileio::ReadWholeFile(self, &file, &error)) {
        Report("cannot read \"" + self + "\": " + error);
        return kExitDamaged;
    }
    std::vector<package::MemberView> members;
    if (!package::ReadPackage(file.data(), file.size(), &members, &error)) {
        Report(error + "; nothing was extracted");
        return kExitDamaged;
    }
    return Extract(members, self);
}

} // namespace

int main(int argc, char** /*argv*/)
{
    try {
        return Run(argc);
    } catch (const std::bad_alloc&) {
        Report("not enough memory; nothing was extracted");
        return kExitDamaged;
    }
}

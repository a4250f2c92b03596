// sfxwincon.sfx: the extracting stub at the front of every package.
// Run with no arguments, it checks the package attached to its own file and
// only then writes every member into the current folder, replacing files of
// the same name.
//
// Exit codes: 0 all written; 2 no package attached or the package is damaged
// (nothing written); 3 arguments given; 4 a file could not be written.
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

// Phase one writes every member to a temporary file; phase two moves them
// into place. A failure in phase one leaves the folder as it was.
int Extract(const std::vector<package::MemberView>& members)
{
    // Targets that could not be replaced are found before anything is written.
    for (const package::MemberView& m : members) {
        DWORD a = GetFileAttributesA(m.name.c_str());
        if (a == INVALID_FILE_ATTRIBUTES)
            continue;
        if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
            Report("\"" + m.name + "\" is " +
                   ((a & FILE_ATTRIBUTE_DIRECTORY) ? "a folder" : "a read-only file") +
                   " here; nothing was extracted");
            return kExitWriteFailed;
        }
    }
    std::vector<std::string> temps;
    for (const package::MemberView& m : members) {
        std::string temp, error;
        if (!fileio::WriteTempFile(".", m.data, m.size, &temp, &error)) {
            for (const std::string& t : temps)
                DeleteFileA(t.c_str());
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
                for (const std::string& u : temps)
                    DeleteFileA(u.c_str());
                Report("the temporary name \"" + base + "\" clashes with a member; "
                       "nothing was extracted, please run again");
                return kExitWriteFailed;
            }
        }
    }
    int result = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        std::string error;
        if (!fileio::ReplaceWithTemp(temps[i], members[i].name, &error)) {
            Report(error);
            result = kExitWriteFailed;
        }
    }
    return result;
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
    return Extract(members);
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

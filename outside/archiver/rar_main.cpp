// rar.exe: packs files into a self-extracting package.
//
//   rar a -sfx[<module>] <archive> <file>...
//
// <module> names the stub file beside rar.exe; it is tried as given and with
// "sfx" in front, so "-sfxwincon.sfx" finds "wincon.sfx" or "sfxwincon.sfx".
// A bare "-sfx" means sfxwincon.sfx. The package is written as <archive>.exe
// (".exe" is appended unless the name already ends with it), replacing an
// existing file; it is written to a temporary file first, so a failed run
// leaves no partial package.
//
// Members are stored under their plain file name. Repeats of the same file
// are stored once. Missing, unreadable or unsafe files are reported and left
// out.
//
// Exit codes: 0 package made with every file; 1 package made, but some files
// were left out; 2 no package made; 3 bad command line.
#include "file_io.h"
#include "package_format.h"

#include <windows.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kExitSkipped = 1;
constexpr int kExitFailed = 2;
constexpr int kExitUsage = 3;

const char kDefaultModule[] = "sfxwincon.sfx";

void Report(const std::string& message)
{
    std::fprintf(stderr, "rar: %s\n", message.c_str());
    std::fflush(stderr);
}

int Usage(const std::string& problem)
{
    Report(problem);
    std::fprintf(stderr, "usage: rar a -sfx[<module>] <archive> <file>...\n"
                         "  makes <archive>.exe, a package that writes the files into the\n"
                         "  folder it is run in\n");
    return kExitUsage;
}

bool StartsWithNoCase(const std::string& s, const char* prefix)
{
    size_t n = std::char_traits<char>::length(prefix);
    return s.size() >= n && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, s.data(),
                                           static_cast<int>(n), prefix,
                                           static_cast<int>(n)) == CSTR_EQUAL;
}

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    size_t n = std::char_traits<char>::length(suffix);
    return s.size() >= n && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE,
                                           s.data() + s.size() - n, static_cast<int>(n),
                                           suffix, static_cast<int>(n)) == CSTR_EQUAL;
}

bool FullPath(const std::string& path, std::string* full)
{
    char buffer[32768];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer)
        return false;
    full->assign(buffer, n);
    return true;
}

std::string ProgramFolder()
{
    std::vector<char> buffer(32768);
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size())
        return std::string();
    return fileio::FolderOf(std::string(buffer.data(), n));
}

bool IsFile(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Finds and reads the stub module named after "-sfx".
int LoadModule(const std::string& text, std::vector<uint8_t>* stub)
{
    if (text.find_first_of("\\/:") != std::string::npos)
        return Usage("the module after -sfx must be a plain file name beside rar.exe: \"" +
                     text + "\"");
    std::vector<std::string> candidates;
    if (text.empty()) {
        candidates.push_back(kDefaultModule);
    } else {
        candidates.push_back(text);
        candidates.push_back("sfx" + text);
    }
    std::string folder = ProgramFolder();
    if (folder.empty()) {
        Report("cannot find the folder of rar.exe");
        return kExitFailed;
    }
    std::string tried;
    for (const std::string& name : candidates) {
        std::string path = folder + "\\" + name;
        if (!IsFile(path)) {
            tried += (tried.empty() ? "" : ", ") + path;
            continue;
        }
        std::string error;
        if (!fileio::ReadWholeFile(path, stub, &error)) {
            Report("cannot read the module \"" + path + "\": " + error);
            return kExitFailed;
        }
        if (stub->size() < 2 || (*stub)[0] != 'M' || (*stub)[1] != 'Z') {
            Report("\"" + path + "\" is not a program module");
            return kExitFailed;
        }
        return 0;
    }
    Report("self-extracting module not found (tried " + tried + ")");
    return kExitFailed;
}

struct Added {
    std::string source;     // full path of the file read
    package::Member member;
};

// Adds one file argument; false when it had to be left out.
bool AddFile(const std::string& argument, std::vector<Added>* added)
{
    size_t cut = argument.find_last_of("\\/");
    std::string name = cut == std::string::npos ? argument : argument.substr(cut + 1);
    if (!package::IsSafeMemberName(name)) {
        Report("refused \"" + argument + "\": \"" + name + "\" is not a safe file name");
        return false;
    }
    std::string source;
    if (!FullPath(argument, &source)) {
        Report("refused \"" + argument + "\": bad path");
        return false;
    }
    for (const Added& a : *added) {
        if (!package::SameMemberName(a.member.name, name))
            continue;
        if (package::SameMemberName(a.source, source))
            return true;    // the same file again: stored once
        Report("left out \"" + argument + "\": a different file named \"" + a.member.name +
               "\" is already stored");
        return false;
    }
    DWORD attributes = GetFileAttributesA(argument.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Report("cannot find \"" + argument + "\"");
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        Report("left out \"" + argument + "\": it is a folder");
        return false;
    }
    Added a;
    a.source = source;
    a.member.name = name;
    std::string error;
    if (!fileio::ReadWholeFile(argument, &a.member.data, &error)) {
        Report("cannot read \"" + argument + "\": " + error);
        return false;
    }
    added->push_back(std::move(a));
    return true;
}

int Run(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command given");
    if (std::string(argv[1]) != "a")
        return Usage("unknown command \"" + std::string(argv[1]) + "\"; only \"a\" is known");

    int i = 2;
    bool haveModule = false;
    std::string moduleText;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string sw = argv[i];
        if (!StartsWithNoCase(sw, "-sfx"))
            return Usage("unknown switch \"" + sw + "\"");
        haveModule = true;
        moduleText = sw.substr(4);
    }
    if (!haveModule)
        return Usage("the -sfx switch is required: only self-extracting packages are made");
    if (i >= argc || argv[i][0] == '\0')
        return Usage("no archive name given");
    std::string archive = argv[i++];
    if (i >= argc)
        return Usage("no files given");
    if (!EndsWithNoCase(archive, ".exe"))
        archive += ".exe";

    std::vector<uint8_t> stub;
    if (int failed = LoadModule(moduleText, &stub))
        return failed;

    std::vector<Added> added;
    int leftOut = 0;
    for (; i < argc; ++i)
        if (!AddFile(argv[i], &added))
            ++leftOut;
    if (added.empty()) {
        Report("no file could be added; \"" + archive + "\" was not made");
        return kExitFailed;
    }

    std::vector<package::Member> members;
    members.reserve(added.size());
    for (Added& a : added)
        members.push_back(std::move(a.member));
    added.clear();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!package::BuildPackage(stub, members, &bytes, &error) ||
        !fileio::WriteFileReplacing(archive, bytes.data(), bytes.size(), &error)) {
        Report(error + "; \"" + archive + "\" was not made");
        return kExitFailed;
    }
    std::printf("%s: %u file(s) packed\n", archive.c_str(), static_cast<unsigned>(members.size()));
    if (leftOut) {
        Report(std::to_string(leftOut) + " file(s) left out");
        return kExitSkipped;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        Report("not enough memory; no package made");
        return kExitFailed;
    }
}

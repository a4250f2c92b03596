// rar.exe and the stub as the workbench uses them: real processes, real
// folders. rar.exe and sfxwincon.sfx are taken from the build's archiver
// folder, which the test wrapper also puts on the search path.
#include "golden_package.h"
#include "package_format.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using testkit::FileExists;
using testkit::ReadBytes;
using testkit::TempFolder;
using testkit::WriteBytes;
using testkit::WriteText;

std::string ArchiverDir()
{
    std::string dir = ARCHIVER_DIR;
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

std::string RarExe() { return ArchiverDir() + "\\rar.exe"; }
std::string StubFile() { return ArchiverDir() + "\\sfxwincon.sfx"; }

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

struct RunResult {
    int code;
    std::string err;
};

// Runs a command line in a folder with its standard error sent to a file
// outside that folder, so the folder's contents are only what the program made.
// No CREATE_NO_WINDOW here: wine then drops the standard handles given to the
// child. The workbench's way of starting programs is RunAndWait's.
RunResult RunCapturing(const std::string& commandLine, const std::string& folder)
{
    TempFolder scratch("archiver-err");
    std::string errPath = scratch / "stderr.txt";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                             0, nullptr);
    if (err == INVALID_HANDLE_VALUE)
        return {-1, "cannot create " + errPath};
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = err;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    RunResult result = {-1, ""};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                       folder.c_str(), &si, &pi)) {
        CloseHandle(pi.hThread);
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hProcess);
        result.code = static_cast<int>(code);
    }
    CloseHandle(err);
    result.err = testkit::ReadText(errPath);
    return result;
}

RunResult Rar(const std::string& arguments, const std::string& folder)
{
    return RunCapturing(Quoted(RarExe()) + " " + arguments, folder);
}

// The names in a folder, sorted ignoring case.
std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
    return names;
}

// The member names stored in a package file, in their stored order.
std::vector<std::string> MemberNames(const std::string& packagePath)
{
    Bytes file = ReadBytes(packagePath);
    std::vector<package::MemberView> members;
    std::string error;
    EXPECT_TRUE(package::ReadPackage(file.data(), file.size(), &members, &error)) << error;
    std::vector<std::string> names;
    for (const auto& m : members)
        names.push_back(m.name);
    return names;
}

Bytes Pattern(size_t size, uint32_t seed)
{
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = static_cast<uint8_t>(seed >> 16);
    }
    return b;
}

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- Packing and unpacking --------------------------------------------------

TEST(ArchiverRoundTrip, BinaryEmptyAndLargeMembersComeBackExactly)
{
    TempFolder src("archiver-src"), dst("archiver dst");
    const Bytes zeros = {0, 0, 'a', 0, 0xFF, 0, 0x1A, 0};
    const Bytes big = Pattern(3 * 1024 * 1024 + 17, 7);
    WriteBytes(src / "zeros.bin", zeros);
    WriteBytes(src / "empty.txt", {});
    WriteBytes(src / "big.dat", big);

    RunResult r = Rar("a -sfxwincon.sfx Pack.Mod.name zeros.bin empty.txt big.dat", src.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Listing(src.path()),
              Sorted({"big.dat", "empty.txt", "Pack.Mod.name.exe", "zeros.bin"}));

    // Copied and renamed, run with its new folder as current folder.
    ASSERT_TRUE(CopyFileA((src / "Pack.Mod.name.exe").c_str(), (dst / "renamed.exe").c_str(), TRUE));
    r = RunCapturing(Quoted(dst / "renamed.exe"), dst.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Listing(dst.path()), Sorted({"big.dat", "empty.txt", "renamed.exe", "zeros.bin"}));
    EXPECT_EQ(ReadBytes(dst / "zeros.bin"), zeros);
    EXPECT_TRUE(FileExists(dst / "empty.txt"));
    EXPECT_TRUE(ReadBytes(dst / "empty.txt").empty());
    EXPECT_TRUE(ReadBytes(dst / "big.dat") == big);
}

TEST(ArchiverRoundTrip, UnpackWritesIntoTheCurrentFolderNotItsOwn)
{
    TempFolder home("archiver-home"), work("archiver-work");
    WriteText(home / "m.txt", "member");
    ASSERT_EQ(Rar("a -sfxwincon.sfx p m.txt", home.path()).code, 0);
    DeleteFileA((home / "m.txt").c_str());

    RunResult r = RunCapturing(Quoted(home / "p.exe"), work.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(testkit::ReadText(work / "m.txt"), "member");
    EXPECT_EQ(Listing(home.path()), std::vector<std::string>{"p.exe"});
}

TEST(ArchiverRoundTrip, UnpackReplacesExistingFilesAndLeavesOthersAlone)
{
    TempFolder src("archiver-src"), dst("archiver-dst");
    WriteText(src / "a.txt", "new");
    WriteText(src / "b.txt", "");
    ASSERT_EQ(Rar("a -sfxwincon.sfx p a.txt b.txt", src.path()).code, 0);

    WriteText(dst / "a.txt", "an older and much longer text");
    WriteText(dst / "b.txt", "not empty before");
    WriteText(dst / "other.txt", "untouched");
    RunResult r = RunCapturing(Quoted(src / "p.exe"), dst.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(testkit::ReadText(dst / "a.txt"), "new");
    EXPECT_EQ(testkit::ReadText(dst / "b.txt"), "");
    EXPECT_EQ(testkit::ReadText(dst / "other.txt"), "untouched");
    EXPECT_EQ(Listing(dst.path()), Sorted({"a.txt", "b.txt", "other.txt"}));
}

TEST(ArchiverRoundTrip, AnUnreplaceableTargetStopsTheUnpackBeforeAnyWrite)
{
    TempFolder src("archiver-src");
    WriteText(src / "a.txt", "new a");
    WriteText(src / "b.txt", "new b");
    ASSERT_EQ(Rar("a -sfx p a.txt b.txt", src.path()).code, 0);

    for (bool folder : {true, false}) {
        SCOPED_TRACE(folder ? "b.txt is a folder" : "b.txt is read-only");
        TempFolder dst("archiver-dst");
        WriteText(dst / "a.txt", "old a");
        if (folder) {
            ASSERT_TRUE(CreateDirectoryA((dst / "b.txt").c_str(), nullptr));
        } else {
            WriteText(dst / "b.txt", "old b");
            ASSERT_TRUE(SetFileAttributesA((dst / "b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        }
        RunResult r = RunCapturing(Quoted(src / "p.exe"), dst.path());
        EXPECT_EQ(r.code, 4);
        EXPECT_NE(r.err.find("b.txt"), std::string::npos) << r.err;
        EXPECT_EQ(testkit::ReadText(dst / "a.txt"), "old a");
        EXPECT_EQ(Listing(dst.path()), Sorted({"a.txt", "b.txt"}));
    }
}

TEST(ArchiverRoundTrip, AMemberThatCannotBePlacedStopsTheUnpackBeforeAnyWrite)
{
    // The package lies in the folder it unpacks into; its fourth member is
    // what cannot be written, so a stub that wrote as it went would leave
    // three new files behind.
    struct Case {
        const char* what;
        const char* blocked;      // the fourth member's name
        bool lockIt;              // held open by another process, unshared
    };
    const Case cases[] = {
        {"a member named like the package", "p.exe", false},
        {"a member named like the package, other case", "P.EXE", false},
        {"a member in use and unshared", "d.txt", true},
    };
    Bytes stub = ReadBytes(StubFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dst("archiver-dst");
        std::vector<package::Member> members = {
            {"a.txt", Bytes(10, 'a')}, {"b.txt", Bytes(20, 'b')}, {"c.txt", {}}, {c.blocked, Bytes(5, 'x')}};
        Bytes packageBytes;
        std::string error;
        ASSERT_TRUE(package::BuildPackage(stub, members, &packageBytes, &error)) << error;
        WriteBytes(dst / "p.exe", packageBytes);
        WriteText(dst / "a.txt", "old a");
        std::vector<std::string> before = {"a.txt", "p.exe"};
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (c.lockIt) {
            WriteText(dst / c.blocked, "old d");
            lock = CreateFileA((dst / c.blocked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
            before.push_back(c.blocked);
        }
        RunResult r = RunCapturing(Quoted(dst / "p.exe"), dst.path());
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        EXPECT_EQ(r.code, 4);
        EXPECT_NE(r.err.find(c.blocked), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was extracted"), std::string::npos) << r.err;
        EXPECT_EQ(Listing(dst.path()), Sorted(before));
        EXPECT_EQ(testkit::ReadText(dst / "a.txt"), "old a");
        EXPECT_TRUE(ReadBytes(dst / "p.exe") == packageBytes);
        if (c.lockIt) {
            EXPECT_EQ(testkit::ReadText(dst / c.blocked), "old d");
        }
    }
}

// --- The workbench's pack script --------------------------------------------

TEST(ArchiverWorkbench, RunBatWithBareRarMakesAPackageThatUnpacksElsewhere)
{
    TempFolder root("archiver-wb");
    std::string meth = root / "Meth";
    std::string work = root / "temp";
    ASSERT_TRUE(CreateDirectoryA(meth.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"otsu.bat", {'@', 'e', 'c', 'h', 'o', ' ', 'o', 'f', 'f', '\r', '\n'}},
        {"otsu.txt", {'O', 't', 's', 'u', ' ', 't', 'h', 'r', 'e', 's', 'h'}},
        {"otsu.name", {'O', 't', 's', 'u'}},
        {"otsu.tab", {'1'}},
        {"otsu.exe", Concat({'M', 'Z', 0, 0}, Pattern(5000, 3))},
    };
    for (const auto& f : files)
        WriteBytes(meth + "\\" + f.first, f.second);
    WriteText(meth + "\\run.bat", "rar a -sfxwincon.sfx Binarize.Folivar.otsu otsu.bat otsu.txt "
                                  "otsu.name otsu.tab otsu.bat otsu.exe");
    ASSERT_FALSE(FileExists(meth + "\\rar.exe"));

    EXPECT_EQ(testkit::RunAndWait(Quoted(meth + "\\run.bat"), meth), 0);
    const std::string package = meth + "\\Binarize.Folivar.otsu.exe";
    ASSERT_TRUE(FileExists(package));
    EXPECT_EQ(Listing(meth), Sorted({"Binarize.Folivar.otsu.exe", "otsu.bat", "otsu.exe",
                                     "otsu.name", "otsu.tab", "otsu.txt", "run.bat"}));
    // The repeated otsu.bat is stored once, in first-seen order.
    EXPECT_EQ(MemberNames(package), (std::vector<std::string>{"otsu.bat", "otsu.txt", "otsu.name",
                                                              "otsu.tab", "otsu.exe"}));

    const std::string copy = work + "\\Folivar.otsu.exe";
    ASSERT_TRUE(CopyFileA(package.c_str(), copy.c_str(), TRUE));
    EXPECT_EQ(testkit::RunAndWait(Quoted(copy), work), 0);
    for (const auto& f : files)
        EXPECT_EQ(ReadBytes(work + "\\" + f.first), f.second) << f.first;
    EXPECT_EQ(Listing(work).size(), files.size() + 1);
}

// --- What rar stores --------------------------------------------------------

TEST(ArchiverPack, SameFileTwiceIsStoredOnceAnotherFileOfTheSameNameIsLeftOut)
{
    TempFolder src("archiver-src");
    ASSERT_TRUE(CreateDirectoryA((src / "sub").c_str(), nullptr));
    WriteText(src / "a.txt", "first");
    WriteText(src / "sub\\a.txt", "another file");
    WriteText(src / "b.txt", "b");

    RunResult r = Rar("a -sfx p a.txt A.TXT .\\a.txt b.txt sub\\a.txt", src.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("sub\\a.txt"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("A.TXT"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".\\a.txt"), std::string::npos) << r.err;
    EXPECT_EQ(MemberNames(src / "p.exe"), (std::vector<std::string>{"a.txt", "b.txt"}));

    TempFolder dst("archiver-dst");
    ASSERT_EQ(RunCapturing(Quoted(src / "p.exe"), dst.path()).code, 0);
    EXPECT_EQ(testkit::ReadText(dst / "a.txt"), "first");
}

TEST(ArchiverPack, MembersGivenWithAPathAreStoredUnderTheirPlainName)
{
    TempFolder src("archiver-src"), elsewhere("archiver-abs");
    ASSERT_TRUE(CreateDirectoryA((src / "sub").c_str(), nullptr));
    WriteText(src / "sub\\rel.txt", "relative");
    WriteText(elsewhere / "abs.txt", "absolute");

    RunResult r = Rar("a -sfx p sub\\rel.txt " + Quoted(elsewhere / "abs.txt"), src.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(MemberNames(src / "p.exe"), (std::vector<std::string>{"rel.txt", "abs.txt"}));
}

TEST(ArchiverPack, MissingFilesAreNamedAndTheRestIsPacked)
{
    TempFolder src("archiver-src");
    WriteText(src / "there.txt", "here");
    RunResult r = Rar("a -sfxwincon.sfx p gone1.txt there.txt gone2.txt", src.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("gone1.txt"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("gone2.txt"), std::string::npos) << r.err;
    EXPECT_EQ(MemberNames(src / "p.exe"), std::vector<std::string>{"there.txt"});
}

TEST(ArchiverPack, NothingToAddMakesNoPackageAndKeepsAnOldOne)
{
    TempFolder src("archiver-src");
    ASSERT_TRUE(CreateDirectoryA((src / "folder").c_str(), nullptr));
    RunResult r = Rar("a -sfxwincon.sfx p gone.txt folder", src.path());
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("gone.txt"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("folder"), std::string::npos) << r.err;
    EXPECT_EQ(Listing(src.path()), std::vector<std::string>{"folder"});

    WriteText(src / "p.exe", "old package");
    EXPECT_EQ(Rar("a -sfxwincon.sfx p gone.txt", src.path()).code, 2);
    EXPECT_EQ(testkit::ReadText(src / "p.exe"), "old package");
    EXPECT_EQ(Listing(src.path()), Sorted({"folder", "p.exe"}));
}

TEST(ArchiverPack, UnsafeNamesAreRefused)
{
    TempFolder src("archiver-src");
    ASSERT_TRUE(CreateDirectoryA((src / "dir").c_str(), nullptr));
    WriteText(src / "x..y", "a real file with an unsafe name");
    WriteText(src / "dir\\plain.txt", "");
    const char* const arguments[] = {"x..y", "*.txt", "dir\\*", "pl?in.txt", "dir\\",
                                     "C:plain.txt", "nul", "dir\\..", "\"plain.txt.\""};
    for (const char* argument : arguments) {
        SCOPED_TRACE(argument);
        RunResult r = Rar(std::string("a -sfx p ") + argument, src.path());
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
        EXPECT_FALSE(FileExists(src / "p.exe"));
    }
    EXPECT_EQ(Listing(src.path()), Sorted({"dir", "x..y"}));
}

TEST(ArchiverPack, AnExistingPackageIsReplaced)
{
    TempFolder src("archiver-src");
    WriteText(src / "one.txt", "1");
    WriteText(src / "two.txt", "2");
    ASSERT_EQ(Rar("a -sfx p one.txt", src.path()).code, 0);
    ASSERT_EQ(Rar("a -sfx p two.txt", src.path()).code, 0);
    EXPECT_EQ(MemberNames(src / "p.exe"), std::vector<std::string>{"two.txt"});
    EXPECT_EQ(Listing(src.path()), Sorted({"one.txt", "p.exe", "two.txt"}));
}

TEST(ArchiverPack, ExeIsAppendedUnlessTheNameEndsWithIt)
{
    TempFolder src("archiver-src");
    WriteText(src / "f.txt", "f");
    const std::pair<const char*, const char*> cases[] = {
        {"Binarize.Folivar.otsu", "Binarize.Folivar.otsu.exe"},
        {"name.exe.txt", "name.exe.txt.exe"},
        {"Given.EXE", "Given.EXE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        RunResult r = Rar(std::string("a -sfx ") + c.first + " f.txt", src.path());
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(MemberNames(src / c.second), std::vector<std::string>{"f.txt"});
        DeleteFileA((src / c.second).c_str());
        EXPECT_EQ(Listing(src.path()), std::vector<std::string>{"f.txt"});
    }
}

// --- Command line -----------------------------------------------------------

TEST(ArchiverCommandLine, ModuleIsFoundBesideRarUnderEitherName)
{
    TempFolder src("archiver-src");
    WriteText(src / "f.txt", "f");
    const Bytes stub = ReadBytes(StubFile());
    ASSERT_GT(stub.size(), 2u);
    for (const char* sw : {"-sfx", "-sfxwincon.sfx", "-sfxsfxwincon.sfx", "-SFXwincon.sfx"}) {
        SCOPED_TRACE(sw);
        RunResult r = Rar(std::string("a ") + sw + " p f.txt", src.path());
        ASSERT_EQ(r.code, 0) << r.err;
        Bytes made = ReadBytes(src / "p.exe");
        ASSERT_GT(made.size(), stub.size());
        EXPECT_TRUE(std::equal(stub.begin(), stub.end(), made.begin()));
        DeleteFileA((src / "p.exe").c_str());
    }
}

TEST(ArchiverCommandLine, BadCommandLinesMakeNothing)
{
    TempFolder src("archiver-src");
    WriteText(src / "f.txt", "f");
    const std::pair<const char*, int> cases[] = {
        {"", 3},
        {"x -sfx p f.txt", 3},
        {"a -v -sfx p f.txt", 3},
        {"a p f.txt", 3},
        {"a -sfx", 3},
        {"a -sfx p", 3},
        {"a -sfx \"\" f.txt", 3},
        {"a -sfx..\\archiver\\sfxwincon.sfx p f.txt", 3},
        {"a -sfxnothere.sfx p f.txt", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        RunResult r = Rar(c.first, src.path());
        EXPECT_EQ(r.code, c.second);
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(Listing(src.path()), std::vector<std::string>{"f.txt"});
    }
}

// --- Damaged packages -------------------------------------------------------

// A package made by rar, and a folder to run damaged copies of it in, holding
// an older file of a member's name that must survive.
class ArchiverDamaged : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteBytes(src_ / "one.bin", Pattern(1000, 1));
        WriteText(src_ / "two.txt", "two");
        RunResult r = Rar("a -sfx p one.bin two.txt", src_.path());
        ASSERT_EQ(r.code, 0) << r.err;
        good_ = ReadBytes(src_ / "p.exe");
        stubSize_ = ReadBytes(StubFile()).size();
        ASSERT_EQ(good_.size(), stubSize_ + 2 * 10 + 7 + 7 + 1000 + 3 + 32);
        WriteText(dst_ / "two.txt", "older");
    }

    // Runs the damaged bytes as a package; expects a refusal that wrote nothing.
    void ExpectRefused(const Bytes& bytes)
    {
        WriteBytes(dst_ / "bad.exe", bytes);
        RunResult r = RunCapturing(Quoted(dst_ / "bad.exe"), dst_.path());
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("nothing was extracted"), std::string::npos) << r.err;
        EXPECT_EQ(Listing(dst_.path()), Sorted({"bad.exe", "two.txt"}));
        EXPECT_EQ(testkit::ReadText(dst_ / "two.txt"), "older");
    }

    void PutU32(size_t at, uint32_t v, Bytes* b)
    {
        for (int i = 0; i < 4; ++i)
            (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    // Fixes the trailer's own checksum after a field was changed.
    void Reseal(Bytes* b)
    {
        size_t t = b->size() - 32;
        PutU32(t + 28, package::Crc32(b->data() + t, 28), b);
    }

    TempFolder src_{"archiver-src"}, dst_{"archiver-dst"};
    Bytes good_;
    size_t stubSize_ = 0;
};

TEST_F(ArchiverDamaged, TheIntactPackageExtracts)
{
    WriteBytes(dst_ / "good.exe", good_);
    EXPECT_EQ(RunCapturing(Quoted(dst_ / "good.exe"), dst_.path()).code, 0);
    EXPECT_EQ(testkit::ReadText(dst_ / "two.txt"), "two");
}

TEST_F(ArchiverDamaged, TruncatedPackagesWriteNothing)
{
    const size_t size = good_.size();
    const size_t cuts[] = {1, 4, 16, 31, 32, 33, 40, 500, size - stubSize_ - 10,
                           size - stubSize_ - 1};
    for (size_t cut : cuts) {
        SCOPED_TRACE("cut " + std::to_string(cut) + " bytes from the end");
        ExpectRefused(Bytes(good_.begin(), good_.end() - cut));
    }
}

TEST_F(ArchiverDamaged, CorruptedPackagesWriteNothing)
{
    const size_t t = good_.size() - 32;
    const size_t p = stubSize_;
    struct Case {
        const char* what;
        size_t at;
    };
    const Case flips[] = {
        {"first name length", p},          {"first name", p + 3},
        {"first data size", p + 2 + 7},    {"first data CRC", p + 2 + 7 + 4},
        {"first data", p + 2 + 7 + 8 + 500}, {"last data byte", t - 1},
        {"magic", t},                      {"version", t + 8},
        {"count", t + 12},                 {"payload offset", t + 16},
        {"payload size", t + 20},          {"payload CRC", t + 24},
        {"trailer CRC", t + 31},
    };
    for (const Case& c : flips) {
        SCOPED_TRACE(c.what);
        Bytes bad = good_;
        bad[c.at] ^= 0x04;
        ExpectRefused(bad);
    }

    // Absurd values behind a trailer checksum that fits them.
    const std::pair<const char*, std::pair<size_t, uint32_t>> fields[] = {
        {"count 0xFFFFFFFF", {t + 12, 0xFFFFFFFFu}},
        {"count 3", {t + 12, 3}},
        {"count 0", {t + 12, 0}},
        {"payload size 0xFFFFFFFF", {t + 20, 0xFFFFFFFFu}},
        {"payload offset 0xFFFFFFFF", {t + 16, 0xFFFFFFFFu}},
        {"payload offset 0", {t + 16, 0}},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.first);
        Bytes bad = good_;
        PutU32(f.second.first, f.second.second, &bad);
        Reseal(&bad);
        ExpectRefused(bad);
    }

    SCOPED_TRACE("a byte appended");
    ExpectRefused(Concat(good_, {0}));
}

// --- The stub on its own ----------------------------------------------------

TEST(ArchiverStub, WithoutAPackageItRefusesAndWritesNothing)
{
    TempFolder dst("archiver-dst");
    RunResult r = RunCapturing(Quoted(StubFile()), dst.path());
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("no package"), std::string::npos) << r.err;
    EXPECT_TRUE(Listing(dst.path()).empty());
}

TEST(ArchiverStub, ArgumentsAreRefused)
{
    TempFolder src("archiver-src"), dst("archiver-dst");
    WriteText(src / "f.txt", "f");
    ASSERT_EQ(Rar("a -sfx p f.txt", src.path()).code, 0);
    RunResult r = RunCapturing(Quoted(src / "p.exe") + " x", dst.path());
    EXPECT_EQ(r.code, 3);
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(Listing(dst.path()).empty());
}

// --- Golden bytes -----------------------------------------------------------

// The stub followed by the hand-written payload and trailer.
Bytes HandMadePackage(const Bytes& stub)
{
    Bytes head = golden::TrailerHead(static_cast<uint32_t>(stub.size()));
    uint32_t crc = package::Crc32(head.data(), head.size());
    Bytes trailer = Concat(head, {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8),
                                  static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 24)});
    return Concat(Concat(stub, golden::Payload()), trailer);
}

TEST(ArchiverGolden, StubExtractsAHandMadePackage)
{
    TempFolder dst("archiver-dst");
    WriteBytes(dst / "hand.exe", HandMadePackage(ReadBytes(StubFile())));
    RunResult r = RunCapturing(Quoted(dst / "hand.exe"), dst.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(dst / "a.txt"), golden::MemberA());
    EXPECT_TRUE(FileExists(dst / "E"));
    EXPECT_TRUE(ReadBytes(dst / "E").empty());
    EXPECT_EQ(Listing(dst.path()), Sorted({"a.txt", "E", "hand.exe"}));
}

TEST(ArchiverGolden, RarWritesTheStubFollowedByTheHandMadeLayout)
{
    TempFolder src("archiver-src");
    WriteBytes(src / "a.txt", golden::MemberA());
    WriteBytes(src / "E", {});
    RunResult r = Rar("a -sfxwincon.sfx g a.txt E", src.path());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(ReadBytes(src / "g.exe") == HandMadePackage(ReadBytes(StubFile())));
}

} // namespace

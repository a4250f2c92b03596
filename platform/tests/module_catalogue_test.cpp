#include "module_catalogue.h"
#include "module_record.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using platform::ModuleCatalogue;
using platform::ModuleEntry;

TEST(CatalogueNames, ModuleFileNames)
{
    struct Case { const char* name; bool module; };
    const Case cases[] = {
        {"Binarize.Folivar", true},
        {"a.Folivar", true},
        {".Folivar", false},               // no stem: its work folder would be temp\ itself
        {"Caps.FOLIVAR", false},           // the extension is compared exactly
        {"Caps.folivar", false},
        {"Binarize.Folivar.otsu", false},
        {"Folivar", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::IsModuleFileName(c.name), c.module) << c.name;
}

TEST(CatalogueNames, PackageNames)
{
    struct Case { const char* module; const char* candidate; bool package; const char* method; };
    const Case cases[] = {
        {"Binarize.Folivar", "Binarize.Folivar.otsu", true, "otsu"},
        {"Binarize.Folivar", "Binarize.Folivarotsu", true, "tsu"},      // any one separator
        {"Binarize.Folivar", "Binarize.Folivar.a.b", true, "a.b"},
        {"Binarize.Folivar", "Binarize.Folivar", false, ""},
        {"Binarize.Folivar", "binarize.Folivar.otsu", false, ""},       // case-sensitive
        {"Bin.Folivar", "Bin.Folivar2.Folivar", false, ""},             // another module
        {"Bin.Folivar", "Other.Folivar.x", false, ""},
    };
    for (const Case& c : cases) {
        std::string method = "unchanged";
        EXPECT_EQ(platform::PackageMethodName(c.module, c.candidate, &method), c.package) << c.candidate;
        if (c.package) {
            EXPECT_EQ(method, c.method) << c.candidate;
        }
    }
}

TEST(CatalogueNames, WorkFolders)
{
    std::string folder;
    ASSERT_TRUE(platform::WorkFolderOf("C:\\pf\\", "Binarize.Folivar", &folder));
    EXPECT_EQ(folder, "C:\\pf\\temp\\Binarize");
    std::string longFolder = "C:\\" + std::string(230, 'p') + "\\";
    EXPECT_TRUE(platform::WorkFolderOf(longFolder, "abcdefghijklmno.Folivar", &folder));   // 254
    EXPECT_EQ(folder.size(), 254u);
    EXPECT_FALSE(platform::WorkFolderOf(longFolder, "abcdefghijklmnop.Folivar", &folder)); // 255
}

TEST(CatalogueSort, ExchangeSortByPosition)
{
    struct Case { std::vector<int> positions; std::vector<std::string> order; };
    const Case cases[] = {
        {{3, 1, 2}, {"a", "b", "c"}},
        {{5, 5, 1}, {"a", "b", "c"}},
        {{2, 2, 2}, {"a", "b", "c"}},
        {{-1, 0, -7, 4}, {"a", "b", "c", "d"}},
    };
    const std::vector<std::vector<std::string>> expected = {
        {"b", "c", "a"},
        {"c", "b", "a"},    // the exchange sort's own order for equal positions
        {"a", "b", "c"},
        {"c", "a", "b", "d"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::vector<ModuleEntry> modules;
        for (size_t k = 0; k < cases[i].positions.size(); ++k) {
            ModuleEntry m;
            m.fileName = cases[i].order[k];
            m.position = cases[i].positions[k];
            modules.push_back(m);
        }
        platform::SortModulesByPosition(modules);
        std::vector<std::string> got;
        for (const ModuleEntry& m : modules)
            got.push_back(m.fileName);
        EXPECT_EQ(got, expected[i]) << "case " << i;
    }
}

TEST(CatalogueFingerprint, ReadsFourBytes)
{
    testkit::TempFolder dir("finger");
    uint32_t sum = 99;
    EXPECT_TRUE(platform::ReadFingerprint(dir / "ModCh.ini", &sum));
    EXPECT_EQ(sum, 0u);                                        // never written
    ASSERT_TRUE(platform::WriteFingerprint(dir / "ModCh.ini", 0x12345678));
    EXPECT_EQ(testkit::ReadBytes(dir / "ModCh.ini"), (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
    EXPECT_TRUE(platform::ReadFingerprint(dir / "ModCh.ini", &sum));
    EXPECT_EQ(sum, 0x12345678u);
    testkit::WriteText(dir / "ModCh.ini", "abc");
    EXPECT_FALSE(platform::ReadFingerprint(dir / "ModCh.ini", &sum));   // short: changed
}

// A program folder built in the test, and a host that records what start-up does.
class CatalogueFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        pf_ = dir_.path() + "\\";
        host_.log = [this](const std::string& line) { log_.push_back(line); };
        host_.loading = [this](const std::string& m) { events_.push_back("loading " + m); };
        host_.warn = [this](const std::string& m) { events_.push_back("warn " + m); };
        host_.fatal = [this](const std::string& m) { events_.push_back("fatal " + m); };
        host_.runProgram = [this](const std::string& program) { Unpack(program); };
        GetCurrentDirectoryA(MAX_PATH, cwd_);
    }
    void TearDown() override { SetCurrentDirectoryA(cwd_); }

    void Module(const std::string& file, int position, int split = 0)
    {
        platform::ModuleRecord r;
        r.caption1 = file.substr(0, file.find('.'));
        r.caption2 = "-";
        r.colourCode = "01";
        r.pageSplit = split;
        r.position = position;
        ASSERT_TRUE(platform::WriteModuleRecordFile(pf_ + file, r));
    }
    // A stand-in package: its text is what it "unpacks" as the method's .name.
    void Package(const std::string& file, const std::string& content)
    {
        testkit::WriteText(pf_ + file, content);
    }
    // Plays the package: writes <method>.name and .txt into the current folder.
    void Unpack(const std::string& program)
    {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        runs_.push_back(program.substr(program.find_last_of('\\') + 1) + " in " +
                        std::string(cwd).substr(pf_.size()));
        std::string content = testkit::ReadText(program);
        std::string name = program.substr(program.find_last_of('\\') + 1);
        name = name.substr(0, name.size() - 4);                         // less ".exe"
        std::string method = name.substr(name.find(".Folivar") + 9);
        testkit::WriteText(std::string(cwd) + "\\" + method + ".name", content + "\r\n");
        testkit::WriteText(std::string(cwd) + "\\" + method + ".txt", "About " + content + "\r\nmore\r\n");
    }

    testkit::TempFolder dir_{"catalogue"};
    std::string pf_;
    platform::DiscoveryHost host_;
    std::vector<std::string> log_, events_, runs_;
    char cwd_[MAX_PATH] = {};
};

TEST_F(CatalogueFolder, ScanLogsSortsAndFingerprints)
{
    Module("Split.Folivar", 3, 1);
    Module("Binarize.Folivar", 1);
    Module("Empty.Folivar", 0);                 // no methods: counted, not kept
    testkit::WriteText(pf_ + "Caps.FOLIVAR", std::string(808, '\0'));
    Package("Binarize.Folivar.otsu", "Otsu");
    Package("Binarize.Folivar.fixed", "Fixed");
    Package("Split.Folivar.half", "Half");

    ModuleCatalogue catalogue;
    catalogue.Scan(pf_, host_);

    const uint32_t sum = 808 * 3 + 4 + 5 + 4;
    const std::vector<std::string> expected = {
        "Binarize.Folivar", "   Binarize.Folivar.fixed", "   Binarize.Folivar.otsu",
        "Empty.Folivar",
        "Split.Folivar", "   Split.Folivar.half",
        "", "FSize:" + std::to_string(sum), "Modules Changed!",
    };
    EXPECT_EQ(log_, expected);
    ASSERT_EQ(catalogue.Count(), 2);
    EXPECT_EQ(catalogue.Module(0).fileName, "Binarize.Folivar");
    EXPECT_EQ(catalogue.Module(0).methodCount, 2);
    EXPECT_EQ(catalogue.Module(1).fileName, "Split.Folivar");
    EXPECT_EQ(catalogue.Module(1).workFolder, pf_ + "temp\\Split");
    EXPECT_TRUE(catalogue.ModulesChanged());
    // The scan only compares: the new sum is stored when start-up asks for it.
    EXPECT_FALSE(testkit::FileExists(pf_ + "ModCh.ini"));
    ASSERT_TRUE(catalogue.StoreFingerprint());
    uint32_t stored = 0;
    ASSERT_TRUE(platform::ReadFingerprint(pf_ + "ModCh.ini", &stored));
    EXPECT_EQ(stored, sum);

    // Unchanged: no "Modules Changed!", and the file is written again all the same.
    DeleteFileA((pf_ + "ModCh.ini").c_str());
    platform::WriteFingerprint(pf_ + "ModCh.ini", sum);
    log_.clear();
    ModuleCatalogue again;
    again.Scan(pf_, host_);
    EXPECT_FALSE(again.ModulesChanged());
    EXPECT_EQ(log_.back(), "FSize:" + std::to_string(sum));
    EXPECT_TRUE(events_.empty());
}

TEST_F(CatalogueFolder, PrepareUnpacksOnlyWhenNeededAndReadsTexts)
{
    Module("Binarize.Folivar", 1);
    Module("Split.Folivar", 2, 1);
    Package("Binarize.Folivar.otsu", "Otsu");
    Package("Split.Folivar.half", "AVeryLongDisplayNameOfTheMethod words");

    ModuleCatalogue first;
    first.Scan(pf_, host_);
    first.Prepare(host_);
    first.ReadMethodTexts();
    first.StoreFingerprint();
    EXPECT_EQ(runs_, (std::vector<std::string>{"Binarize.Folivar.otsu.exe in temp\\Binarize",
                                               "Split.Folivar.half.exe in temp\\Split"}));
    EXPECT_EQ(events_, (std::vector<std::string>{"loading Binarize.Folivar", "loading Split.Folivar"}));
    // The copies are gone again; the unpacked files stay.
    EXPECT_FALSE(testkit::FileExists(pf_ + "temp\\Binarize\\Binarize.Folivar.otsu"));
    EXPECT_FALSE(testkit::FileExists(pf_ + "temp\\Binarize\\Binarize.Folivar.otsu.exe"));
    const platform::MethodEntry& otsu = first.Module(0).methods[0];
    EXPECT_EQ(otsu.basePath, pf_ + "temp\\Binarize\\otsu");
    EXPECT_EQ(otsu.name, "Otsu");
    EXPECT_EQ(otsu.description, "About Otsu");
    EXPECT_EQ(first.Module(1).methods[0].name, "AVeryLongDisplayNam");   // 19 characters
    EXPECT_EQ(first.Module(1).methods[0].name.size(), 19u);
    EXPECT_TRUE(first.Module(1).SplitsPages());

    // Unchanged set: nothing unpacks. A deleted work folder unpacks that module alone.
    SetCurrentDirectoryA(cwd_);             // unpacking left the last work folder current
    testkit::RemoveTree(pf_ + "temp\\Split");
    runs_.clear();
    ModuleCatalogue second;
    second.Scan(pf_, host_);
    second.Prepare(host_);
    second.StoreFingerprint();
    EXPECT_EQ(runs_, (std::vector<std::string>{"Split.Folivar.half.exe in temp\\Split"}));

    // A changed size unpacks every module again, into emptied folders.
    testkit::WriteText(pf_ + "temp\\Binarize\\stale.txt", "old");
    Package("Binarize.Folivar.otsu", "Otsu2");
    runs_.clear();
    ModuleCatalogue third;
    third.Scan(pf_, host_);
    third.Prepare(host_);
    EXPECT_EQ(runs_.size(), 2u);
    EXPECT_FALSE(testkit::FileExists(pf_ + "temp\\Binarize\\stale.txt"));
}

TEST_F(CatalogueFolder, CapacitiesAreRefusedByName)
{
    for (int i = 0; i < 9; ++i) {
        std::string m = "M" + std::to_string(i) + ".Folivar";
        Module(m, 10 - i);
        Package(m + ".x", "X");
    }
    for (int k = 0; k < 22; ++k)
        Package("M0.Folivar.m" + std::string(1, static_cast<char>('a' + k)), "Y");

    ModuleCatalogue catalogue;
    catalogue.Scan(pf_, host_);
    ASSERT_EQ(catalogue.Count(), 7);
    EXPECT_EQ(catalogue.Module(0).fileName, "M8.Folivar");    // smallest positions kept
    EXPECT_EQ(catalogue.Module(6).fileName, "M2.Folivar");
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0],
              "warn Too many modules! These are left out: M1.Folivar, M0.Folivar\n"
              "Too many methods in one module! These are left out: M0.Folivar.mu, M0.Folivar.mv, M0.Folivar.x");
}

TEST_F(CatalogueFolder, WorkFolderThatCannotBeMadeIsFatal)
{
    Module("Binarize.Folivar", 1);
    Package("Binarize.Folivar.otsu", "Otsu");
    testkit::WriteText(pf_ + "temp", "a file where the folder should be");
    ModuleCatalogue catalogue;
    catalogue.Scan(pf_, host_);
    catalogue.Prepare(host_);
    EXPECT_EQ(events_, (std::vector<std::string>{"loading Binarize.Folivar",
                                                 "fatal Can not create temp sub-dir!"}));
    EXPECT_TRUE(runs_.empty());
}

} // namespace

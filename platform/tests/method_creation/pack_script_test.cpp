#include "pack_script.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using platform::DescriptionFileText;
using platform::IsValidMethodFileName;
using platform::PackScriptLine;

TEST(MethodFileName, OnlyNamesThatAreSafeAsFileAndCommandWordPass)
{
    struct Case { const char* name; bool valid; };
    const Case cases[] = {
        {"otsu", true}, {"Otsu_2", true}, {"a-b", true}, {"v1.2", true}, {"_x", true},
        {"9", true}, {"x-", true},
        {"", false}, {"ot su", false}, {"a&b", false}, {"a|b", false}, {"a>b", false},
        {"a<b", false}, {"a^b", false}, {"a%b", false}, {"a!b", false}, {"a\"b", false},
        {"-x", false}, {".x", false}, {"x.", false}, {"..", false}, {"a\\b", false},
        {"..\\x", false}, {"a/b", false}, {"c:x", false}, {"a*b", false}, {"a?b", false},
        {"a\tb", false}, {"\xe4rger", false},
        // A package "<module>.x.Folivar" would be found as a module file.
        {"x.Folivar", false}, {"x.FOLIVAR", false}, {"Folivar", true}, {"x.Folivar2", true},
        {"x.Folivar.y", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidMethodFileName(c.name), c.valid) << '"' << c.name << '"';
        EXPECT_EQ(platform::MethodFileNameProblem(c.name).empty(), c.valid) << '"' << c.name << '"';
    }
}

TEST(PackScript, TheScriptIsWrittenAsTheCommandProcessorReadsIt)
{
    if (GetACP() != 1252 || GetOEMCP() != 437)
        GTEST_SKIP() << "the cases are written for the code pages 1252 and 437";
    struct Case { const char* line; bool carried; const char* bytes; };
    const Case cases[] = {
        {"rar a -sfxwincon.sfx M.Folivar.otsu otsu.bat", true, "rar a -sfxwincon.sfx M.Folivar.otsu otsu.bat"},
        {"\xe4rger.dll", true, "\x84rger.dll"},          // a-umlaut: 0xE4 read as 0x84
        {"\xe9t\xe9.dll", true, "\x82t\x82.dll"},
        {"\x80uro.dll", false, ""},                      // the euro sign has no place there
        {"\xbe.dll", false, ""},                         // three quarters
    };
    for (const Case& c : cases) {
        std::string bytes;
        EXPECT_EQ(platform::ScriptBytes(c.line, &bytes), c.carried) << c.line;
        EXPECT_EQ(platform::CanNameInScript(c.line), c.carried) << c.line;
        if (c.carried) {
            EXPECT_EQ(bytes, c.bytes);
        }
    }
}

TEST(PackScript, FilesThatPackingUsesItselfAreReserved)
{
    for (const char* reserved : {"run.bat", "RUN.BAT", "Run.Bat", "rar.exe", "RAR.EXE", "rar.bat", "rar.cmd",
                                 "rar.com"})
        EXPECT_TRUE(platform::IsReservedPackingName(reserved)) << reserved;
    for (const char* other : {"run.bat.txt", "myrun.bat", "run.exe", "rar.dll", "rar", "otsu.bat", ""})
        EXPECT_FALSE(platform::IsReservedPackingName(other)) << other;
}

TEST(PackScript, PlainNamesGiveTheLineWordForWord)
{
    EXPECT_EQ(PackScriptLine("Binarize.Folivar", "otsu", {"otsu.bat", "otsu.exe"}),
              "rar a -sfxwincon.sfx Binarize.Folivar.otsu otsu.bat otsu.txt otsu.name otsu.tab "
              "otsu.bat otsu.exe");
    EXPECT_EQ(PackScriptLine("Page-Split.Folivar", "v1.2_b", {"v1.2_b.bat", "lib-2.dll", "x.cfg"}),
              "rar a -sfxwincon.sfx Page-Split.Folivar.v1.2_b v1.2_b.bat v1.2_b.txt v1.2_b.name "
              "v1.2_b.tab v1.2_b.bat lib-2.dll x.cfg");
}

TEST(PackScript, NamesTheCommandProcessorWouldSplitOrExpandAreQuoted)
{
    struct Case { const char* file; const char* written; };
    const Case cases[] = {
        {"my lib.dll", "\"my lib.dll\""},
        {"a&b.dll", "\"a&b.dll\""},
        {"a|b>c<d^e.dll", "\"a|b>c<d^e.dll\""},
        {"100%.cfg", "\"100%%.cfg\""},
        {"%PATH%.txt", "\"%%PATH%%.txt\""},
        {"a(1);b,c=d.dll", "\"a(1);b,c=d.dll\""},
        {"-v.dll", ".\\-v.dll"},
        {"-a b.dll", "\".\\-a b.dll\""},
        {"caf\xe9.dll", "\"caf\xe9.dll\""},
    };
    const std::string head = "rar a -sfxwincon.sfx Bin.Folivar.m m.bat m.txt m.name m.tab m.bat ";
    for (const Case& c : cases)
        EXPECT_EQ(PackScriptLine("Bin.Folivar", "m", {"m.bat", c.file}), head + c.written) << c.file;

    EXPECT_EQ(PackScriptLine("Page Split.Folivar", "m", {"m.bat", "m.exe"}),
              "rar a -sfxwincon.sfx \"Page Split.Folivar.m\" m.bat m.txt m.name m.tab m.bat m.exe");
    EXPECT_EQ(PackScriptLine("R&D.Folivar", "m", {"m.bat", "m.exe"}),
              "rar a -sfxwincon.sfx \"R&D.Folivar.m\" m.bat m.txt m.name m.tab m.bat m.exe");
}

TEST(DescriptionFile, EachLineBreakIsWrittenOnceAsCarriageReturnAndLineFeed)
{
    struct Case { const char* memo; const char* bytes; };
    const Case cases[] = {
        {"", ""},
        {"one line", "one line"},
        {"first\r\nsecond", "first\r\nsecond"},
        {"first\nsecond\n", "first\r\nsecond\r\n"},
        {"a\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
        {"mixed\r\nand\nlone\r", "mixed\r\nand\r\nlone\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescriptionFileText(c.memo), c.bytes) << c.memo;
}

} // namespace

#include "module_record.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using platform::kModuleRecordSize;
using platform::ModuleRecord;

// The record laid out by hand: texts at 0, 100, 200, 700; int32 at 800, 804.
std::vector<uint8_t> HandMadeRecord()
{
    std::vector<uint8_t> b(808, 0);
    std::memcpy(&b[0], "Binari-", 7);
    std::memcpy(&b[100], "zation", 6);
    std::memcpy(&b[200], "Turns a page into black and white", 33);
    std::memcpy(&b[700], "02", 2);
    b[800] = 1;                                        // page split
    b[804] = 0x2C; b[805] = 0x01; b[806] = 0; b[807] = 0x80;   // 0x8000012C
    return b;
}

TEST(ModuleRecord, PacksAndUnpacksTheFixedLayout)
{
    ModuleRecord r;
    r.caption1 = "Binari-";
    r.caption2 = "zation";
    r.description = "Turns a page into black and white";
    r.colourCode = "02";
    r.pageSplit = 1;
    r.position = static_cast<int32_t>(0x8000012C);

    EXPECT_EQ(platform::PackModuleRecord(r), HandMadeRecord());

    std::vector<uint8_t> b = HandMadeRecord();
    ModuleRecord back = platform::UnpackModuleRecord(b.data(), b.size());
    EXPECT_EQ(back.caption1, r.caption1);
    EXPECT_EQ(back.caption2, r.caption2);
    EXPECT_EQ(back.description, r.description);
    EXPECT_EQ(back.colourCode, r.colourCode);
    EXPECT_EQ(back.pageSplit, 1);
    EXPECT_EQ(back.position, r.position);
}

TEST(ModuleRecord, OverlongTextsKeepTheirTerminator)
{
    ModuleRecord r;
    r.caption1 = std::string(150, 'a');
    r.description = std::string(600, 'd');
    std::vector<uint8_t> b = platform::PackModuleRecord(r);
    ASSERT_EQ(b.size(), kModuleRecordSize);
    EXPECT_EQ(b[98], 'a');
    EXPECT_EQ(b[99], 0);
    EXPECT_EQ(b[698], 'd');
    EXPECT_EQ(b[699], 0);
    ModuleRecord back = platform::UnpackModuleRecord(b.data(), b.size());
    EXPECT_EQ(back.caption1, std::string(99, 'a'));
    EXPECT_EQ(back.description, std::string(499, 'd'));
}

TEST(ModuleRecord, ReadsHostileInputWithinItsBounds)
{
    // Fields with no NUL end at their field; nothing is read past the input.
    std::vector<uint8_t> full(808, 'x');
    ModuleRecord r = platform::UnpackModuleRecord(full.data(), full.size());
    EXPECT_EQ(r.caption1, std::string(100, 'x'));
    EXPECT_EQ(r.colourCode, std::string(100, 'x'));

    struct Case { size_t size; size_t caption1; size_t caption2; bool has_split; bool has_position; };
    const Case cases[] = {
        {0, 0, 0, false, false},
        {50, 50, 0, false, false},
        {150, 100, 50, false, false},
        {803, 100, 100, false, false},
        {804, 100, 100, true, false},
        {807, 100, 100, true, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.size, 'y');
        ModuleRecord s = platform::UnpackModuleRecord(bytes.data(), bytes.size());
        EXPECT_EQ(s.caption1.size(), c.caption1) << c.size;
        EXPECT_EQ(s.caption2.size(), c.caption2) << c.size;
        EXPECT_EQ(s.pageSplit, c.has_split ? 0x79797979 : 0) << c.size;
        EXPECT_EQ(s.position, c.has_position ? 0x79797979 : 0) << c.size;
    }
}

TEST(ModuleRecord, FileRoundTripAndShortFile)
{
    testkit::TempFolder dir("record");
    ModuleRecord r;
    r.caption1 = "Split";
    r.caption2 = "-";
    r.colourCode = "03";
    r.pageSplit = 1;
    r.position = 7;
    ASSERT_TRUE(platform::WriteModuleRecordFile(dir / "Split.Folivar", r));
    EXPECT_EQ(testkit::ReadBytes(dir / "Split.Folivar").size(), kModuleRecordSize);

    ModuleRecord back;
    ASSERT_TRUE(platform::ReadModuleRecordFile(dir / "Split.Folivar", &back));
    EXPECT_EQ(back.caption1, "Split");
    EXPECT_EQ(back.position, 7);

    testkit::WriteText(dir / "Short.Folivar", "Only a caption");
    ASSERT_TRUE(platform::ReadModuleRecordFile(dir / "Short.Folivar", &back));
    EXPECT_EQ(back.caption1, "Only a caption");
    EXPECT_EQ(back.description, "");
    EXPECT_EQ(back.position, 0);

    EXPECT_FALSE(platform::ReadModuleRecordFile(dir / "Missing.Folivar", &back));
}

} // namespace

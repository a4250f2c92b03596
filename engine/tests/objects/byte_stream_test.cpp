// The bounded record reader and writer shared by the engine's formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/byte_stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ByteWriter, WritesLittleEndianValuesAndStreamStrings) {
    ByteWriter writer;
    EXPECT_TRUE(writer.WriteUInt32(0x12345678));
    EXPECT_TRUE(writer.WriteInt32(-2));
    EXPECT_TRUE(writer.WriteUInt64(0x0102030405060708ull));
    EXPECT_TRUE(writer.WriteString(L"Ab", 2));
    EXPECT_TRUE(writer.WriteString(L"", 0));
    EXPECT_TRUE(writer.WriteNoString());
    const Bytes expected = {
        0x78, 0x56, 0x34, 0x12,                          // 0x12345678
        0xFE, 0xFF, 0xFF, 0xFF,                          // -2
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,  // 64-bit
        0x06, 0x00, 0x00, 0x00, 0x41, 0x00, 0x62, 0x00, 0x00, 0x00,  // "Ab": 6 bytes with NUL
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00,              // "": the NUL alone
        0x00, 0x00, 0x00, 0x00,                          // no string
    };
    EXPECT_EQ(writer.Bytes(), expected);
    EXPECT_FALSE(writer.Failed());
}

TEST(ByteWriter, AWritePastTheLimitFailsWritesNothingAndStaysFailed) {
    ByteWriter writer(6);
    EXPECT_TRUE(writer.WriteUInt32(1));
    EXPECT_FALSE(writer.WriteUInt32(2));
    EXPECT_EQ(writer.Size(), 4u);
    EXPECT_TRUE(writer.Failed());
    // Even a write that would fit fails once the writer has failed.
    EXPECT_FALSE(writer.WriteBytes("x", 1));
    EXPECT_EQ(writer.Size(), 4u);

    ByteWriter strings(9);
    EXPECT_FALSE(strings.WriteString(L"Ab", 2));  // needs 10
    EXPECT_EQ(strings.Size(), 0u);
}

TEST(ByteReader, ReadsValuesAndFailsStickyPastTheEnd) {
    const Bytes data = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0xAA};
    ByteReader reader(data.data(), data.size());
    uint32_t u = 0;
    int32_t i = 0;
    EXPECT_TRUE(reader.ReadUInt32(u));
    EXPECT_EQ(u, 0x12345678u);
    EXPECT_TRUE(reader.ReadInt32(i));
    EXPECT_EQ(i, -2);
    EXPECT_EQ(reader.Remaining(), 1u);
    EXPECT_FALSE(reader.ReadUInt32(u));
    EXPECT_EQ(u, 0x12345678u) << "a failed read leaves its target";
    EXPECT_TRUE(reader.Failed());
    uint8_t b = 0;
    EXPECT_FALSE(reader.ReadBytes(&b, 1)) << "failed stays failed";

    ByteReader empty(nullptr, 100);
    EXPECT_EQ(empty.Remaining(), 0u);
    EXPECT_FALSE(empty.Skip(1));
}

TEST(ByteReader, ARestKeptReadsOnFromItsOwnCopyAtTheSamePositions) {
    Bytes block = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    ByteReader reader(block.data(), block.size());
    uint32_t value = 0;
    ASSERT_TRUE(reader.ReadUInt32(value));
    reader.KeepRest();
    // The caller's block may change or go once the rest is kept.
    block.assign(block.size(), 0xEE);
    EXPECT_EQ(reader.Position(), 4u);
    EXPECT_EQ(reader.Remaining(), 8u);
    ASSERT_TRUE(reader.ReadUInt32(value));
    EXPECT_EQ(value, 2u);
    reader.KeepRest();
    ASSERT_TRUE(reader.ReadUInt32(value));
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(reader.Position(), 12u);
    EXPECT_FALSE(reader.ReadUInt32(value));
    EXPECT_EQ(reader.Position(), 12u);
}

TEST(ByteReader, CountsAreBoundedByWhatRemains) {
    const Bytes data = {0x02, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ByteReader fits(data.data(), data.size());
    uint32_t count = 0;
    EXPECT_TRUE(fits.ReadCount(8, count));
    EXPECT_EQ(count, 2u);

    ByteReader tooMany(data.data(), data.size() - 1);
    EXPECT_FALSE(tooMany.ReadCount(8, count));
    EXPECT_TRUE(tooMany.Failed());

    const Bytes huge = {0xFF, 0xFF, 0xFF, 0x7F};
    ByteReader hostile(huge.data(), huge.size());
    EXPECT_FALSE(hostile.ReadCount(1, count));
}

struct StringCase {
    const char* name;
    Bytes data;
    bool ok;
    bool present;
    std::wstring text;
};

TEST(ByteReader, StringsInStreamFormAreCheckedBeforeTheyAreRead) {
    const StringCase cases[] = {
        {"text", {6, 0, 0, 0, 'A', 0, 'b', 0, 0, 0}, true, true, L"Ab"},
        {"no string", {0, 0, 0, 0}, true, false, L""},
        {"empty text", {2, 0, 0, 0, 0, 0}, true, true, L""},
        {"text ends at its first NUL", {6, 0, 0, 0, 'A', 0, 0, 0, 'b', 0}, true, true, L"A"},
        {"no NUL at the end", {4, 0, 0, 0, 'A', 0, 'b', 0}, true, true, L"Ab"},
        {"odd count", {3, 0, 0, 0, 'A', 0, 0}, false, false, L""},
        {"count of one", {1, 0, 0, 0, 0}, false, false, L""},
        {"count past the data", {8, 0, 0, 0, 'A', 0, 0, 0}, false, false, L""},
        {"huge count", {0xFE, 0xFF, 0xFF, 0xFF, 'A', 0}, false, false, L""},
        {"no count", {6, 0}, false, false, L""},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        ByteReader reader(c.data.data(), c.data.size());
        std::wstring text = L"unchanged";
        bool present = false;
        EXPECT_EQ(reader.ReadString(text, present), c.ok);
        EXPECT_EQ(reader.Failed(), !c.ok);
        if (c.ok) {
            EXPECT_EQ(present, c.present);
            EXPECT_EQ(text, c.text);
            EXPECT_EQ(reader.Remaining(), 0u);
        }
    }
}

} // namespace

// The reader of Wang/Oi annotation data, against the tag 32932 bytes of real
// pages from two other writers (read in place from the shared test data),
// damaged copies of them and hand-made blocks.
#include "formats/wang_layout.h"
#include "formats/wang_reader.h"

#include "hand_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using formats_test::Bytes;
using formats_test::Hand;
using formats_test::PutDword;

namespace {

Bytes LoadPage(const char* name)
{
    const std::string path = std::string(SHARED_TESTDATA_DIR) + "/wang/" + name + ".p0.tag32932.bin";
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    unsigned char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}

constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct ExpectedMark {
    uint32_t type;
    RECT bounds;
    COLORREF colour1;
    COLORREF colour2;
    uint32_t highlighting;
    uint32_t line_size;
    const char* face;
    LONG font_height;
    const wchar_t* text_start;  // null: no "OiAnText"
    size_t text_length;
    size_t point_count;
    POINT first_point;
    POINT last_point;
    uint32_t creation_scale;
};

struct ExpectedPage {
    const char* name;
    uint32_t header_word;
    std::vector<ExpectedMark> marks;
    uint32_t first_index;  // the index of the default block before the first mark
};

// Decoded by hand from the bytes of each page, block by block.
const std::vector<ExpectedPage>& Pages()
{
    static const std::vector<ExpectedPage> pages = {
        {"3annotationWithBGPicture", 0x00030004,
         {
             {6, {318, 292, 1364, 786}, kYellow, kBlack, 1, 0, "", 0, nullptr, 0, 0, {}, {}, 0},
             {3, {363, 1162, 1305, 1272}, kRed, kBlack, 0, 4, "", 0, nullptr, 0, 2, {0, 110}, {942, 0}, 0},
             {10, {67, 872, 322, 1185}, kYellow, kBlack, 0, 0, "Arial", 12, L"Notizen", 7, 0, {}, {}, 750},
             {7, {135, 324, 278, 759}, kBlack, kBlack, 0, 0, "Arial", 12, L"Der normale Text", 16, 0, {}, {},
              750},
         },
         4},
        {"imaging-pic-various-annotations", 0x00030004,
         {
             {7, {45, 114, 931, 297}, kBlack, kBlack, 0, 0, "Arial", 12, L"Das ist eine TextAnnotation", 27, 0,
              {}, {}, 360},
             {5, {66, 291, 745, 504}, kBlue, kBlack, 0, 4, "", 0, nullptr, 0, 0, {}, {}, 0},
             {6, {72, 543, 751, 786}, kYellow, kBlack, 0, 0, "", 0, nullptr, 0, 0, {}, {}, 0},
             {4, {93, 793, 710, 968}, kBlack, kBlack, 0, 1, "", 0, nullptr, 0, 156, {0, 102}, {617, 92}, 0},
             {6, {97, 1027, 696, 1061}, kYellow, kBlack, 1, 0, "", 0, nullptr, 0, 0, {}, {}, 0},
             {10, {91, 1116, 710, 1268}, kYellow, kBlack, 0, 0, "Arial", 12, L"TextNode", 8, 0, {}, {}, 360},
             {9, {229, 1337, 707, 1409}, RGB(0, 128, 0), kBlack, 0, 0, "Arial", 12, L"Approved 15.07.2015", 19, 0,
              {}, {}, 360},
         },
         7},
        {"imaging-pic-textfieldannotation", 0x00030004,
         {
             {10, {37, 48, 1409, 501}, kYellow, kBlack, 0, 0, "Arial", 12,
              L"Das ist eine Text Annotation mit einem Gelben Hintergrund", 57, 0, {}, {}, 360},
         },
         1},
        {"imaging-pic-textfieldannotation-yellow-font-face", 0x00030004,
         {
             {10, {193, 223, 1390, 773}, kWhite, kYellow, 0, 0, "Arial Rounded MT Bold", 9, L"Ein Text", 8, 0, {},
              {}, 360},
         },
         1},
        {"one-annotation-textarea", 0,
         {
             {10, {281, 204, 911, 465}, kYellow, kBlack, 0, 0, "Tahoma", 12, L"{\\rtf1\\ansi\\ansicpg1252", 188,
              0, {}, {}, 750},
         },
         1},
        {"one-annotation-textnote", 0,
         {
             {10, {323, 288, 324, 289}, RGB(226, 226, 226), kBlack, 0, 0, "Tahoma", 24, L"=$Note-1$={\\rtf1", 147,
              0, {}, {}, 750},
         },
         1},
    };
    return pages;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(WangReaderRealPages, EveryMarkAsItsRecordAndBlocksSay)
{
    for (const ExpectedPage& page : Pages()) {
        SCOPED_TRACE(page.name);
        const Bytes bytes = LoadPage(page.name);
        ASSERT_FALSE(bytes.empty());
        wang::Data data;
        ASSERT_EQ(0, wang::ReadData(bytes.data(), bytes.size(), data));
        EXPECT_FALSE(data.damaged);
        EXPECT_EQ(page.header_word, data.header_word);
        ASSERT_EQ(page.marks.size(), data.marks.size());
        ASSERT_TRUE(data.marks[0].before.has_index);
        EXPECT_EQ(page.first_index, data.marks[0].before.index);
        for (size_t i = 0; i < page.marks.size(); ++i) {
            SCOPED_TRACE(i);
            const ExpectedMark& want = page.marks[i];
            const wang::Mark& got = data.marks[i];
            EXPECT_EQ(want.type, got.type);
            EXPECT_TRUE(SameRect(want.bounds, got.bounds));
            EXPECT_EQ(want.colour1, got.colour1);
            EXPECT_EQ(want.colour2, got.colour2);
            EXPECT_EQ(want.highlighting, got.highlighting);
            EXPECT_EQ(want.line_size, got.line_size);
            EXPECT_STREQ(want.face, got.font.lfFaceName);
            EXPECT_EQ(want.font_height, got.font.lfHeight);
            EXPECT_EQ(want.text_start != nullptr, got.has_text);
            if (want.text_start) {
                EXPECT_EQ(0u, got.text.rfind(want.text_start, 0)) << "text starts with the expected words";
                EXPECT_EQ(want.text_length, got.text.size());
                EXPECT_EQ(want.creation_scale, got.creation_scale);
            }
            EXPECT_EQ(want.point_count != 0, got.has_points);
            ASSERT_EQ(want.point_count, got.points.size());
            if (want.point_count) {
                EXPECT_EQ(want.first_point.x, got.points.front().x);
                EXPECT_EQ(want.first_point.y, got.points.front().y);
                EXPECT_EQ(want.last_point.x, got.points.back().x);
                EXPECT_EQ(want.last_point.y, got.points.back().y);
            }
        }
    }
}

// What the two writers do that a strict reader trips on.
TEST(WangReaderRealPages, QuirksOfOtherWriters)
{
    wang::Data a;
    Bytes bytes = LoadPage("imaging-pic-various-annotations");
    ASSERT_EQ(0, wang::ReadData(bytes.data(), bytes.size(), a));
    // nMaxPoints 200 beside 156 points.
    EXPECT_EQ(200u, a.marks[3].max_points);
    // The text block's reserved word is not 1000; its text ends before the block does.
    EXPECT_EQ(480u, a.marks[0].text_reserved);
    // OiOwnNm, OiModNm and OiHilite are stepped over.
    EXPECT_GT(a.skipped_blocks, 0u);
    // Each mark's own group and index follow it: the last ones come after the last mark.
    EXPECT_TRUE(a.after_last.has_group);
    EXPECT_EQ(L"[Untitled]", a.after_last.group);
    EXPECT_EQ(6u, a.after_last.index);
    EXPECT_EQ(wang::kDefaultNamedBlock, a.marks[0].before.index_block_type);
    EXPECT_EQ(wang::kMarkNamedBlock, a.marks[1].before.index_block_type);
    EXPECT_EQ(0u, a.marks[1].before.index);

    wang::Data b;
    bytes = LoadPage("one-annotation-textnote");
    ASSERT_EQ(0, wang::ReadData(bytes.data(), bytes.size(), b));
    // bVisible stored as -1; 2-byte group and index blocks.
    EXPECT_EQ(-1, b.marks[0].visible);
    EXPECT_EQ(L"0", b.marks[0].before.group);
    EXPECT_EQ(1u, b.marks[0].before.index);
    EXPECT_EQ(0u, b.after_last.index);
    // The text is RTF, kept as it stands.
    EXPECT_EQ(L"}\r\n", b.marks[0].text.substr(b.marks[0].text.size() - 3));
}

// Every mark read from damaged data is one of the whole data's marks in its
// place; only the last may lack what its damaged blocks would have given.
void ExpectPrefixOf(const wang::Data& whole, const wang::Data& damaged)
{
    ASSERT_LE(damaged.marks.size(), whole.marks.size());
    for (size_t i = 0; i < damaged.marks.size(); ++i) {
        SCOPED_TRACE(i);
        const wang::Mark& a = whole.marks[i];
        const wang::Mark& b = damaged.marks[i];
        EXPECT_EQ(a.type, b.type);
        EXPECT_TRUE(SameRect(a.bounds, b.bounds));
        EXPECT_EQ(a.colour1, b.colour1);
        EXPECT_EQ(a.time, b.time);
        if (i + 1 < damaged.marks.size()) {
            EXPECT_EQ(a.text, b.text);
            EXPECT_EQ(a.points.size(), b.points.size());
        } else {
            EXPECT_TRUE(b.text.empty() || a.text == b.text);
            EXPECT_TRUE(b.points.empty() || a.points.size() == b.points.size());
        }
    }
}

TEST(WangReaderDamage, TruncatedAtEveryByte)
{
    for (const ExpectedPage& page : Pages()) {
        SCOPED_TRACE(page.name);
        const Bytes bytes = LoadPage(page.name);
        wang::Data whole;
        ASSERT_EQ(0, wang::ReadData(bytes.data(), bytes.size(), whole));
        for (size_t size = 0; size < bytes.size(); ++size) {
            SCOPED_TRACE(size);
            // A copy of exactly size bytes, so reading past it is seen by the heap checks.
            const Bytes cut(bytes.begin(), bytes.begin() + size);
            wang::Data data;
            const int result = wang::ReadData(cut.data(), cut.size(), data);
            if (size < 8) {
                EXPECT_EQ(1006, result);
                EXPECT_TRUE(data.marks.empty());
                continue;
            }
            ASSERT_EQ(0, result);
            ExpectPrefixOf(whole, data);
            if (data.damaged) {
                EXPECT_LT(data.damage_offset, size);
            }
        }
    }
}

// Offsets in imaging-pic-various-annotations: the first mark's "OiAnText" at
// 445, the freehand mark at 1265 and its "OiAnoDat" at 1539, the last block
// (the closing "OiIndex") at 4333.
struct DamageCase {
    const char* what;
    size_t at;
    uint32_t value;
    size_t marks;          // marks read
    bool damaged;
    size_t damage_offset;  // when damaged
};

TEST(WangReaderDamage, TableOfDamagedFields)
{
    const DamageCase cases[] = {
        {"named data length zero", 445 + 16, 0, 1, true, 445 + 20},
        {"named data length negative", 445 + 16, 0xFFFFFFFFu, 1, true, 445},
        {"named data length just past the end", 4333 + 16, 11, 7, true, 4333},
        {"named data length wrapping 32 bits", 445 + 16, 0xFFFFFFECu, 1, true, 445},
        {"named header size zero", 445 + 4, 0, 7, false, 0},
        {"named header size 16 (16-bit form)", 445 + 4, 16, 7, false, 0},
        {"mark size zero", 1265 + 4, 0, 7, false, 0},
        {"mark size negative", 1265 + 4, 0xFFFFFFFFu, 7, false, 0},
        {"mark size past the end", 1265 + 4, 4000, 7, false, 0},
        {"negative block type", 1265, 0xFFFFFFFBu, 3, true, 1265},
        {"unknown block type 3", 445, 3, 1, true, 445},
        {"text length past its block", 445 + 20 + 12, 45, 7, false, 0},
        {"text length negative", 445 + 20 + 12, 0xFFFFFFFFu, 7, false, 0},
        {"text length to the end of its block", 445 + 20 + 12, 32, 7, false, 0},
    };
    const Bytes bytes = LoadPage("imaging-pic-various-annotations");
    wang::Data whole;
    ASSERT_EQ(0, wang::ReadData(bytes.data(), bytes.size(), whole));
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes damaged = bytes;
        PutDword(damaged, c.at, c.value);
        wang::Data data;
        ASSERT_EQ(0, wang::ReadData(damaged.data(), damaged.size(), data));
        EXPECT_EQ(c.marks, data.marks.size());
        EXPECT_EQ(c.damaged, data.damaged);
        if (c.damaged) {
            EXPECT_EQ(c.damage_offset, data.damage_offset);
        }
        ExpectPrefixOf(whole, data);
    }
    // A point count past its block gives the points the block holds, and
    // the walk goes on by the block's length.
    for (uint32_t count : {201u, 0x20000001u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(count);
        Bytes damaged = bytes;
        PutDword(damaged, 1539 + 20 + 4, count);
        wang::Data data;
        ASSERT_EQ(0, wang::ReadData(damaged.data(), damaged.size(), data));
        ASSERT_EQ(7u, data.marks.size());
        EXPECT_FALSE(data.damaged);
        EXPECT_EQ(200u, data.marks[3].points.size());
        EXPECT_EQ(whole.marks[3].points[155].x, data.marks[3].points[155].x);
    }
}

Hand Header(uint32_t format = wang::kIntelFormat32)
{
    Hand h;
    h.D(0).D(format);
    return h;
}

Hand& Named(Hand& h, uint32_t type, const char (&name)[9], const Bytes& data)
{
    h.D(type).D(12).Raw(Bytes(name, name + 8)).D(static_cast<uint32_t>(data.size())).Raw(data);
    return h;
}

Hand& MarkBlock(Hand& h, uint32_t type, RECT bounds)
{
    h.D(5).D(164).D(type).D(bounds.left).D(bounds.top).D(bounds.right).D(bounds.bottom);
    for (int i = 0; i < 36; ++i) h.D(0);
    return h;
}

Bytes AnsiTextData(const char* text)
{
    Hand h;
    const uint32_t n = static_cast<uint32_t>(std::strlen(text)) + 1;
    h.D(0).D(1000).D(1000).D(n).Raw(Bytes(text, text + n));
    return h.bytes();
}

TEST(WangReaderDamage, HeaderFormats)
{
    const struct {
        const char* what;
        Bytes bytes;
        int result;
    } cases[] = {
        {"empty", {}, 1006},
        {"seven bytes", {0, 0, 0, 0, 1, 0, 0}, 1006},
        {"16-bit format", Header(wang::kIntelFormat16).bytes(), 1006},
        {"format 2", Header(2).bytes(), 1006},
        {"32-bit format, no blocks", Header().bytes(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        wang::Data data;
        data.marks.resize(3);
        EXPECT_EQ(c.result, wang::ReadData(c.bytes.data(), c.bytes.size(), data));
        EXPECT_TRUE(data.marks.empty());
        EXPECT_FALSE(data.damaged);
    }
}

TEST(WangReaderBlocks, BlocksBeforeAnyMarkAndUnknownNamesAreSteppedOver)
{
    Hand h = Header();
    Named(h, 2, "OiAnText", AnsiTextData("lost"));
    Named(h, 2, "OiWhat\0\0", {1, 2, 3});
    Named(h, 2, "OiGroup\0", {'L', 'a', 'y', 'e', 'r', 0, 'x'});
    MarkBlock(h, 5, {1, 2, 3, 4});
    Named(h, 6, "OiAnText", AnsiTextData("kept"));  // a rectangle's text is the caller's to ignore
    Named(h, 6, "OiFilNam", {'a', 0});
    wang::Data data;
    ASSERT_EQ(0, wang::ReadData(h.bytes().data(), h.Size(), data));
    EXPECT_FALSE(data.damaged);
    ASSERT_EQ(1u, data.marks.size());
    EXPECT_EQ(L"Layer", data.marks[0].before.group);
    EXPECT_EQ(L"kept", data.marks[0].text);
    EXPECT_EQ(3u, data.skipped_blocks);
}

TEST(WangReaderBlocks, EveryMarkGetsAFreshRecordAndTheLastIsKept)
{
    Hand h = Header();
    MarkBlock(h, 4, {10, 20, 30, 40});
    Named(h, 6, "OiAnoDat", Hand().D(2).D(2).D(1).D(2).D(3).D(4).bytes());
    Named(h, 6, "OiAnText", AnsiTextData("first"));
    MarkBlock(h, 5, {0, 0, 5, 5});
    MarkBlock(h, 9, {0, 0, 6, 6});
    wang::Data data;
    ASSERT_EQ(0, wang::ReadData(h.bytes().data(), h.Size(), data));
    ASSERT_EQ(3u, data.marks.size());
    EXPECT_EQ(2u, data.marks[0].points.size());
    EXPECT_EQ(L"first", data.marks[0].text);
    for (size_t i : {1u, 2u}) {
        EXPECT_FALSE(data.marks[i].has_points);
        EXPECT_FALSE(data.marks[i].has_text);
        EXPECT_TRUE(data.marks[i].text.empty());
    }
    EXPECT_EQ(9u, data.marks[2].type);
}

TEST(WangReaderBlocks, NamesAndTextsAreCopiedBounded)
{
    // An 8-character name with no NUL, the per-layer "OIUGROUP" in both its
    // forms, a face name with no NUL, texts with no NUL, and an index of
    // ten digits with no NUL.
    Hand h = Header();
    Named(h, 2, "OIUGROUP", {'N', 'a', 'm', 'e', 'd'});
    Named(h, 6, "OiIndex\0", {'4', '2', '9', '4', '9', '6', '7', '2', '9', '5'});
    h.D(5).D(164).D(7);
    for (int i = 0; i < 11; ++i) h.D(0);
    h.Raw(Bytes(60, 'A'));
    for (int i = 0; i < 14; ++i) h.D(0);
    Named(h, 6, "OiAnText", Hand().D(0).D(1000).D(1000).D(3).Raw({'a', 'b', 'c'}).bytes());
    Named(h, 6, "OiUText\0", Hand().D(1).Raw({'x', 'h', 0, 'i', 0}).bytes());
    Named(h, 6, "OIUGROUP", Hand().D(12).Raw(Bytes(12, 'u')).Raw({'W', 0, 'i', 0}).Raw(Bytes(22, 0)).bytes());
    Named(h, 6, "OiIndex\0", {'9', '9', '9', '9', '9', '9', '9', '9', '9', '9'});
    wang::Data data;
    ASSERT_EQ(0, wang::ReadData(h.bytes().data(), h.Size(), data));
    EXPECT_FALSE(data.damaged);
    ASSERT_EQ(1u, data.marks.size());
    const wang::Mark& m = data.marks[0];
    EXPECT_TRUE(m.before.group_per_layer_form);
    EXPECT_EQ(L"Named", m.before.group);
    EXPECT_EQ(4294967295u, m.before.index);
    EXPECT_EQ(std::string(31, 'A'), m.font.lfFaceName);
    EXPECT_EQ(L"abc", m.text);
    EXPECT_EQ(L"hi", m.unicode_text);
    EXPECT_EQ(L"Wi", data.after_last.group);
    EXPECT_FALSE(data.after_last.has_index) << "an index past 32 bits is not taken";
}

TEST(WangReaderBlocks, PicturesAreCheckedBeforeTheyAreKept)
{
    auto header = [](int32_t width, int32_t height, uint16_t bits, size_t pixelBytes) {
        Hand h;
        h.D(40).D(static_cast<uint32_t>(width)).D(static_cast<uint32_t>(height)).D(1u | (uint32_t(bits) << 16));
        h.D(0).D(0).D(0).D(0).D(0).D(0);
        if (bits == 1) h.D(0).D(0xFFFFFF);
        h.Raw(Bytes(pixelBytes, 0x55));
        return h.bytes();
    };
    const struct {
        const char* what;
        Bytes dib;
        size_t kept;
    } cases[] = {
        {"2x2 24-bit", header(2, 2, 24, 16), 56},
        {"top-down 2x2 24-bit", header(2, -2, 24, 16), 56},
        {"2x2 24-bit with spare bytes", header(2, 2, 24, 20), 56},
        {"rows cut short", header(2, 2, 24, 15), 0},
        {"8x1 1-bit", header(8, 1, 1, 4), 52},
        {"zero width", header(0, 2, 24, 16), 0},
        {"3 bits", header(2, 2, 3, 16), 0},
        {"huge width", header(0x7FFFFFFF, 2, 32, 16), 0},
        {"header cut short", Bytes(20, 0), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Hand h = Header();
        MarkBlock(h, 1, {0, 0, 2, 2});
        Named(h, 6, "OiDIB\0\0\0", c.dib);
        Named(h, 6, "OiAnoDat", Hand().D(1).D(1000).D(96).D(96).D(96).D(96).Raw(Bytes(32, 0)).bytes());
        wang::Data data;
        ASSERT_EQ(0, wang::ReadData(h.bytes().data(), h.Size(), data));
        EXPECT_FALSE(data.damaged);
        ASSERT_EQ(1u, data.marks.size());
        EXPECT_EQ(c.kept, data.marks[0].dib.size());
        EXPECT_EQ(c.kept == 0, data.marks[0].dib_refused);
        EXPECT_TRUE(data.marks[0].has_rotation);
        EXPECT_EQ(96, data.marks[0].resolution[3]);
    }
}

// Random damage to the real pages: every run ends, and what it gives stays
// inside the data.
TEST(WangReaderDamage, MutationLoop)
{
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const uint32_t extremes[] = {0, 1, 5, 6, 2, 12, 164, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFECu};
    for (const ExpectedPage& page : Pages()) {
        SCOPED_TRACE(page.name);
        const Bytes bytes = LoadPage(page.name);
        for (int round = 0; round < 1500; ++round) {
            Bytes mutated = bytes;
            const int changes = 1 + static_cast<int>(next() % 4);
            for (int i = 0; i < changes; ++i) {
                const size_t at = next() % mutated.size();
                if (next() % 2 && at + 4 <= mutated.size())
                    PutDword(mutated, at & ~size_t(3), extremes[next() % (sizeof extremes / sizeof *extremes)]);
                else
                    mutated[at] = static_cast<uint8_t>(next());
            }
            if (next() % 4 == 0) mutated.resize(next() % mutated.size());
            wang::Data data;
            if (wang::ReadData(mutated.data(), mutated.size(), data) != 0) continue;
            for (const wang::Mark& m : data.marks) {
                ASSERT_LE(m.points.size() * 8, mutated.size());
                ASSERT_LE(m.text.size(), mutated.size());
                ASSERT_LE(m.dib.size(), mutated.size());
            }
        }
    }
}

} // namespace

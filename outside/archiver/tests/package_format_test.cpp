// The package layout: reader and writer against hand-written bytes, and the
// reader's refusal of every truncated, flipped or inconsistent package.
#include "golden_package.h"
#include "package_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kStub = {'M', 'Z', 's', 't', 'u', 'b', '!', '!'};

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The golden package behind an 8-byte stub, every byte written out.
Bytes GoldenFile()
{
    Bytes trailer = Concat(golden::TrailerHead(8), {0x10, 0x6B, 0x5A, 0xFB});   // 0xFB5A6B10
    return Concat(Concat(kStub, golden::Payload()), trailer);
}

void PutU32(uint32_t v, uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// One member record laid out by hand (name length, name, size, CRC, data).
Bytes Record(const std::string& name, const Bytes& data, uint32_t sizeField, uint16_t nameLength)
{
    Bytes r = {static_cast<uint8_t>(nameLength), static_cast<uint8_t>(nameLength >> 8)};
    r.insert(r.end(), name.begin(), name.end());
    r.resize(r.size() + 8);
    PutU32(sizeField, &r[r.size() - 8]);
    PutU32(package::Crc32(data.data(), data.size()), &r[r.size() - 4]);
    return Concat(r, data);
}

Bytes Record(const std::string& name, const Bytes& data)
{
    return Record(name, data, static_cast<uint32_t>(data.size()),
                  static_cast<uint16_t>(name.size()));
}

// stub + payload + a trailer whose checksums are right for whatever fields
// it is given, so that only the field under test is wrong.
struct TrailerFields {
    uint32_t version = 1;
    uint32_t count = 1;
    int64_t offsetDelta = 0;
    int64_t sizeDelta = 0;
};

Bytes Sealed(const Bytes& payload, const TrailerFields& f)
{
    Bytes t(32, 0);
    std::memcpy(&t[0], package::kMagic, 8);
    PutU32(f.version, &t[8]);
    PutU32(f.count, &t[12]);
    PutU32(static_cast<uint32_t>(kStub.size() + f.offsetDelta), &t[16]);
    PutU32(static_cast<uint32_t>(payload.size() + f.sizeDelta), &t[20]);
    PutU32(package::Crc32(payload.data(), payload.size()), &t[24]);
    PutU32(package::Crc32(t.data(), 28), &t[28]);
    return Concat(Concat(kStub, payload), t);
}

bool Reads(const Bytes& file, std::vector<package::MemberView>* members, std::string* error)
{
    return package::ReadPackage(file.data(), file.size(), members, error);
}

TEST(ArchiverFormat, Crc32IsTheCommonOne)
{
    const char* check = "123456789";
    EXPECT_EQ(package::Crc32(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(package::Crc32(nullptr, 0), 0u);
}

TEST(ArchiverFormat, ReadsTheHandWrittenPackage)
{
    Bytes file = GoldenFile();
    std::vector<package::MemberView> members;
    std::string error;
    ASSERT_TRUE(Reads(file, &members, &error)) << error;
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].name, "a.txt");
    EXPECT_EQ(Bytes(members[0].data, members[0].data + members[0].size), golden::MemberA());
    EXPECT_EQ(members[0].data, file.data() + 8 + 15);
    EXPECT_EQ(members[1].name, "E");
    EXPECT_EQ(members[1].size, 0u);
}

TEST(ArchiverFormat, WriterProducesTheHandWrittenPackage)
{
    std::vector<package::Member> members = {{"a.txt", golden::MemberA()}, {"E", {}}};
    Bytes built;
    std::string error;
    ASSERT_TRUE(package::BuildPackage(kStub, members, &built, &error)) << error;
    EXPECT_EQ(built, GoldenFile());
}

TEST(ArchiverFormat, WriterRefusesWhatTheReaderWouldRefuse)
{
    const std::vector<std::vector<package::Member>> cases = {
        {},
        {{"a\\b.txt", {1}}},
        {{"..", {1}}},
        {{"same.txt", {1}}, {"SAME.TXT", {2}}},
    };
    for (const auto& members : cases) {
        Bytes built = {1, 2, 3};
        std::string error;
        EXPECT_FALSE(package::BuildPackage(kStub, members, &built, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(built.empty());
    }
}

TEST(ArchiverFormat, EveryTruncationIsRefused)
{
    const Bytes file = GoldenFile();
    for (size_t cut = 0; cut < file.size(); ++cut) {
        SCOPED_TRACE("kept " + std::to_string(cut) + " bytes");
        Bytes part(file.begin(), file.begin() + cut);
        std::vector<package::MemberView> members;
        std::string error;
        EXPECT_FALSE(Reads(part, &members, &error));
        EXPECT_TRUE(members.empty());
        EXPECT_FALSE(error.empty());
    }
    // Bytes lost at the front or added at the end shift the layout as well.
    std::vector<package::MemberView> members;
    std::string error;
    EXPECT_FALSE(Reads(Bytes(file.begin() + 1, file.end()), &members, &error));
    EXPECT_FALSE(Reads(Concat(file, {0}), &members, &error));
}

TEST(ArchiverFormat, EveryFlippedBitAfterTheStubIsRefused)
{
    const Bytes file = GoldenFile();
    for (size_t at = kStub.size(); at < file.size(); ++at) {
        for (uint8_t bit : {0x01, 0x80}) {
            SCOPED_TRACE("byte " + std::to_string(at) + " bit " + std::to_string(bit));
            Bytes bad = file;
            bad[at] ^= bit;
            std::vector<package::MemberView> members;
            std::string error;
            EXPECT_FALSE(Reads(bad, &members, &error));
            EXPECT_TRUE(members.empty());
        }
    }
}

TEST(ArchiverFormat, InconsistentFieldsWithValidChecksumsAreRefused)
{
    const Bytes one = Record("one.bin", {1, 2, 3});
    struct Case {
        const char* what;
        std::function<Bytes()> make;
    };
    const Case cases[] = {
        {"version 2", [&] { TrailerFields f; f.version = 2; return Sealed(one, f); }},
        {"count 0", [&] { TrailerFields f; f.count = 0; return Sealed(one, f); }},
        {"count 2 for one record", [&] { TrailerFields f; f.count = 2; return Sealed(one, f); }},
        {"count 0xFFFFFFFF", [&] { TrailerFields f; f.count = 0xFFFFFFFFu; return Sealed(one, f); }},
        {"payload offset 0", [&] { TrailerFields f; f.offsetDelta = -8; return Sealed(one, f); }},
        {"payload size too big", [&] { TrailerFields f; f.sizeDelta = 1; return Sealed(one, f); }},
        {"payload size 0xFFFFFFFF",
         [&] { TrailerFields f; f.sizeDelta = 0xFFFFFFFFll - one.size(); return Sealed(one, f); }},
        {"offset and size shifted together",
         [&] { TrailerFields f; f.offsetDelta = 1; f.sizeDelta = -1; return Sealed(one, f); }},
        {"name length 0", [&] { return Sealed(Record("", {1}, 1, 0), {}); }},
        {"name length past the end",
         [&] { return Sealed(Record("one.bin", {1, 2, 3}, 3, 200), {}); }},
        {"name length 0xFFFF", [&] { return Sealed(Record("one.bin", {1}, 1, 0xFFFF), {}); }},
        {"data size one too big", [&] { return Sealed(Record("one.bin", {1, 2, 3}, 4, 7), {}); }},
        {"data size 0xFFFFFFFF",
         [&] { return Sealed(Record("one.bin", {1, 2, 3}, 0xFFFFFFFFu, 7), {}); }},
        {"data CRC wrong", [&] {
             Bytes r = Record("one.bin", {1, 2, 3});
             r[2 + 7 + 4] ^= 0x01;
             return Sealed(r, {});
         }},
        {"record cut inside its sizes",
         [&] { Bytes r = Record("x", {}); r.resize(r.size() - 2); return Sealed(r, {}); }},
        {"bytes after the last member",
         [&] { return Sealed(Concat(one, Record("two.bin", {4})), {}); }},
        {"duplicate name, other case", [&] {
             TrailerFields f; f.count = 2;
             return Sealed(Concat(one, Record("ONE.BIN", {4})), f);
         }},
        {"name with a folder", [&] { return Sealed(Record("..\\evil.exe", {1}), {}); }},
        {"name with a drive", [&] { return Sealed(Record("C:evil.exe", {1}), {}); }},
        {"absolute name", [&] { return Sealed(Record("/evil.exe", {1}), {}); }},
        {"name ..", [&] { return Sealed(Record("..", {1}), {}); }},
        {"device name", [&] { return Sealed(Record("CON", {1}), {}); }},
        {"name with a NUL", [&] { return Sealed(Record(std::string("a\0b", 3), {1}), {}); }},
    };
    // The well-formed neighbour of these cases does read, so each failure is
    // down to its own field.
    std::vector<package::MemberView> members;
    std::string error;
    ASSERT_TRUE(Reads(Sealed(one, {}), &members, &error)) << error;

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        members.clear();
        error.clear();
        EXPECT_FALSE(Reads(c.make(), &members, &error));
        EXPECT_TRUE(members.empty());
        EXPECT_FALSE(error.empty());
    }
}

TEST(ArchiverFormat, SafeNames)
{
    const char* const safe[] = {"otsu.bat", "Binarize.Folivar.otsu.exe", "a b.txt", "x",
                                ".hidden", "con2.txt", "nullity.dat", "COM0", "x~1.tmp"};
    for (const char* name : safe)
        EXPECT_TRUE(package::IsSafeMemberName(name)) << name;
    EXPECT_TRUE(package::IsSafeMemberName(std::string(255, 'n')));

    const char* const unsafe[] = {"",      ".",       "..",      "a..b",     "a\\b",  "a/b",
                                  "c:x",   "*.txt",   "a?b",     "a\"b",     "a<b",   "a>b",
                                  "a|b",   "a\tb",    "a.",      "a ",       "CON",   "nul.txt",
                                  "Com1",  "lpt9.dat", "aux .x", "\\\\srv\\x"};
    for (const char* name : unsafe)
        EXPECT_FALSE(package::IsSafeMemberName(name)) << '"' << name << '"';
    EXPECT_FALSE(package::IsSafeMemberName(std::string(256, 'n')));
}

} // namespace

// The property set check on a summary information set written out by hand
// (stream header, one section, a code page and four ANSI texts), on the one
// our annotation file holds, and on hand-damaged copies.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <functional>
#include <vector>

#include "engine_codes.h"
#include "formats/annotation_file.h"
#include "formats/property_set_check.h"
#include "hand_bytes.h"

namespace {

using namespace formats_test;

// Offsets in the section: 8 + 8 * 5 = 48 for the code page, then the texts.
Bytes SummarySet()
{
    Hand h;
    h.D(0x0000FFFE).D(0x00020106);                      // byte order, version 0, system id
    h.D(0).D(0).D(0).D(0);                              // class id
    h.D(1);                                             // one section
    h.D(0xF29F85E0).D(0x10684FF9).D(0x000891AB).D(0xD9B3272B);   // FMTID_SummaryInformation
    h.D(48);                                            // the section's offset
    h.Mark("section").D(112).D(5);                      // size, properties
    h.D(1).D(48).D(3).D(56).D(2).D(68).D(4).D(88).D(6).D(100);
    h.D(2).D(1252);                                     // code page: VT_I2
    h.D(30).D(1).D(0);                                  // subject: VT_LPSTR ""
    h.D(30).D(12).Raw({'t', 'h', 'e', 'i', 'r', ' ', 't', 'i', 't', 'l', 'e', 0});
    h.D(30).D(1).D(0);
    h.D(30).D(1).D(0);
    return h.bytes();
}

bool Sound(const Bytes& b) { return PropertySetCheck::Check(b.data(), b.size(), FMTID_SummaryInformation); }

TEST(PropertySetCheck, ASetWrittenByHandAndTheOneOurFileHoldsPass)
{
    EXPECT_TRUE(Sound(SummarySet()));

    CoInitialize(nullptr);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"propset_" + std::to_wstring(GetCurrentProcessId()) + L".qmk";
    ASSERT_EQ(AnnotationFile::Write(path.c_str(), Bytes(10, 1),
                                    {{QMK_SummaryTitle, L"their title"}, {QMK_SummaryAuthor, L"me"}}), 0);
    IStorage* storage = nullptr;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage), S_OK);
    IStream* stream = nullptr;
    ASSERT_EQ(storage->OpenStream(L"\005SummaryInformation", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream),
              S_OK);
    Bytes set(4096);
    ULONG read = 0;
    stream->Read(set.data(), static_cast<ULONG>(set.size()), &read);
    set.resize(read);
    stream->Release();
    storage->Release();
    DeleteFileW(path.c_str());
    CoUninitialize();
    EXPECT_TRUE(Sound(set));
}

TEST(PropertySetCheck, DamagedSetsAreRefused)
{
    // Section at 48; its pairs at 56; the title's type word at 48 + 68.
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"byte order", [](Bytes& b) { b[0] = 0; }},
        {"no section", [](Bytes& b) { PutDword(b, 24, 0); }},
        {"sections past the stream", [](Bytes& b) { PutDword(b, 24, 1000); }},
        {"another format only", [](Bytes& b) { b[28] ^= 1; }},
        {"section past the stream", [](Bytes& b) { PutDword(b, 44, 150); }},
        {"section larger than the stream", [](Bytes& b) { PutDword(b, 48, 116); }},
        {"more properties than the section holds", [](Bytes& b) { PutDword(b, 52, 14); }},
        {"a property inside the offsets", [](Bytes& b) { PutDword(b, 60, 8); }},
        {"a property past the section", [](Bytes& b) { PutDword(b, 76, 112); }},
        {"a dictionary", [](Bytes& b) { PutDword(b, 56, 0); }},
        {"a vector of texts", [](Bytes& b) { PutDword(b, 48 + 68, VT_VECTOR | VT_LPSTR); }},
        {"an array", [](Bytes& b) { PutDword(b, 48 + 68, VT_ARRAY | VT_I4); }},
        {"a by-reference value", [](Bytes& b) { PutDword(b, 48 + 68, VT_BYREF | VT_I4); }},
        {"an unknown type", [](Bytes& b) { PutDword(b, 48 + 68, 0x77); }},
        {"a text past the section", [](Bytes& b) { PutDword(b, 48 + 72, 45); }},
        {"a huge text", [](Bytes& b) { PutDword(b, 48 + 72, 0xFFFFFFFF); }},
        {"a wide text past the section", [](Bytes& b) { PutDword(b, 48 + 68, VT_LPWSTR); PutDword(b, 48 + 72, 21); }},
        {"an odd text in a Unicode set", [](Bytes& b) { PutDword(b, 48 + 52, 1200); PutDword(b, 48 + 72, 11); }},
        {"cut short", [](Bytes& b) { b.resize(150); }},
        {"cut to the header", [](Bytes& b) { b.resize(30); }},
    };
    for (const Case& c : cases) {
        Bytes damaged = SummarySet();
        c.damage(damaged);
        EXPECT_FALSE(Sound(damaged)) << c.what;
    }
    EXPECT_FALSE(PropertySetCheck::Check(nullptr, 0, FMTID_SummaryInformation));
}

} // namespace

namespace {

// The bytes placed against a page that may not be read: a read past them stops the test.
class AgainstAGuardPage {
public:
    explicit AgainstAGuardPage(const Bytes& bytes)
    {
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &old);
        data_ = base_ + kPage - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~AgainstAGuardPage() { VirtualFree(base_, 0, MEM_RELEASE); }
    const uint8_t* Data() const { return data_; }

private:
    static constexpr size_t kPage = 4096;
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
};

using Texts = std::vector<std::pair<uint32_t, std::wstring>>;

TEST(PropertySetTexts, TheTextsAreReadFromTheSetsOwnBytes)
{
    const Bytes set = SummarySet();
    AgainstAGuardPage guarded(set);
    Texts texts;
    ASSERT_TRUE(PropertySetCheck::ReadTexts(guarded.Data(), set.size(), FMTID_SummaryInformation, texts));
    EXPECT_EQ(texts, (Texts{{3, L""}, {2, L"their title"}, {4, L""}, {6, L""}}));
}

// A set cut short inside its last text, its stated size past the data: what
// is read stays within the data, and a text that does not fit is refused.
TEST(PropertySetTexts, ACutSetIsReadWithinItsData)
{
    Bytes set = SummarySet();
    for (size_t cut = 1; cut <= 12; ++cut) {
        SCOPED_TRACE(cut);
        const Bytes shorter(set.begin(), set.end() - static_cast<std::ptrdiff_t>(cut));
        AgainstAGuardPage guarded(shorter);
        Texts texts;
        const bool read = PropertySetCheck::ReadTexts(guarded.Data(), shorter.size(),
                                                      FMTID_SummaryInformation, texts);
        if (read)
            EXPECT_EQ(texts.size(), 4u);
        else
            EXPECT_TRUE(texts.empty());
    }
    // A title whose count runs one byte past its section (stated size 112).
    PutDword(set, 48 + 68 + 4, 37);
    AgainstAGuardPage guarded(set);
    Texts texts;
    EXPECT_FALSE(PropertySetCheck::ReadTexts(guarded.Data(), set.size(), FMTID_SummaryInformation, texts));
}

} // namespace

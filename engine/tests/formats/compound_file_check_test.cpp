// The compound file check on files the platform wrote (with one stream, many,
// a sub-storage, streams large enough for the extension of the allocation
// table), on the damaged file of another writer, and on files damaged here by
// hand, field by field, from a good one.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/compound_file_check.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

std::wstring TempName(const wchar_t* stem)
{
    static int counter = 0;
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + stem + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(++counter) + L".cfb";
}

Bytes FileBytes(const std::wstring& path)
{
    Bytes bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t chunk[65536];
    DWORD got = 0;
    while (ReadFile(f, chunk, sizeof(chunk), &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(f);
    return bytes;
}

// A compound file made by the platform: streams of the given sizes at the
// top, and optionally a sub-storage with one more stream.
Bytes PlatformFile(const std::vector<size_t>& streamSizes, bool subStorage = false, bool largeSectors = false)
{
    const std::wstring path = TempName(L"cfb_");
    IStorage* storage = nullptr;
    const DWORD mode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
    if (largeSectors) {
        STGOPTIONS options = {};
        options.usVersion = 1;
        options.ulSectorSize = 4096;
        EXPECT_EQ(StgCreateStorageEx(path.c_str(), mode, STGFMT_DOCFILE, 0, &options, nullptr, IID_IStorage,
                                     reinterpret_cast<void**>(&storage)), S_OK);
    } else {
        EXPECT_EQ(StgCreateDocfile(path.c_str(), mode, 0, &storage), S_OK);
    }
    if (!storage)
        return {};
    auto put = [](IStorage* into, const std::wstring& name, size_t size) {
        IStream* stream = nullptr;
        into->CreateStream(name.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &stream);
        ASSERT_NE(stream, nullptr);
        Bytes data(size);
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<uint8_t>(i * 13 + size);
        ULONG written = 0;
        stream->Write(data.data(), static_cast<ULONG>(size), &written);
        stream->Release();
    };
    for (size_t i = 0; i < streamSizes.size(); ++i)
        put(storage, L"Stream" + std::to_wstring(i), streamSizes[i]);
    if (subStorage) {
        IStorage* sub = nullptr;
        storage->CreateStorage(L"Inner", STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, 0, &sub);
        EXPECT_NE(sub, nullptr);
        if (sub) {
            put(sub, L"Deep", 5000);
            put(sub, L"Small", 100);
            sub->Commit(STGC_DEFAULT);
            sub->Release();
        }
    }
    storage->Commit(STGC_DEFAULT);
    storage->Release();
    Bytes bytes = FileBytes(path);
    DeleteFileW(path.c_str());
    return bytes;
}

bool Sound(const Bytes& file, std::string* why = nullptr)
{
    return CompoundFileCheck::Check(file.data(), file.size(), why);
}

// Fields of a version 3 file, read here on their own.
uint32_t Get(const Bytes& b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}
void Put(Bytes& b, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}
size_t SectorOffset(uint32_t sector) { return (size_t(sector) + 1) * 512; }
size_t FatEntry(const Bytes& b, uint32_t sector) { return SectorOffset(Get(b, 76)) + 4 * sector; }
// Entry `id` of the first directory sector.
size_t Entry(const Bytes& b, uint32_t id) { return SectorOffset(Get(b, 48)) + 128 * id; }
size_t EntryByName(const Bytes& b, const std::wstring& name)
{
    for (uint32_t id = 0; id < 4; ++id) {
        const size_t at = Entry(b, id);
        std::wstring entryName;
        for (size_t i = 0; i + 1 < b.at(at + 64) && i < 62; i += 2)
            entryName += static_cast<wchar_t>(b.at(at + i) | b.at(at + i + 1) << 8);
        if (entryName.size() && entryName.back() == 0)
            entryName.pop_back();
        if (entryName == name)
            return at;
    }
    ADD_FAILURE() << "no entry of that name in the first directory sector";
    return Entry(b, 0);
}

TEST(CompoundFileCheck, FilesThePlatformWritesPass)
{
    ComScope com;
    struct Case {
        const char* what;
        std::vector<size_t> sizes;
        bool subStorage;
        bool largeSectors;
    };
    const Case cases[] = {
        {"one short stream", {300}, false, false},
        {"an empty stream", {0}, false, false},
        {"short and long streams", {10, 4095, 4096, 70000}, false, false},
        {"many streams: several directory sectors", std::vector<size_t>(40, 200), false, false},
        {"a sub-storage", {64, 9000}, true, false},
        {"a table extended past the header's 109 sectors", {8u << 20}, false, false},
        {"4096-byte sectors", {300, 9000}, true, true},
    };
    for (const Case& c : cases) {
        const Bytes file = PlatformFile(c.sizes, c.subStorage, c.largeSectors);
        ASSERT_GT(file.size(), 27u) << c.what;
        EXPECT_EQ(file[26], c.largeSectors ? 4 : 3) << c.what << ": the version";
        std::string why;
        EXPECT_TRUE(Sound(file, &why)) << c.what << ": " << why;
    }
}

TEST(CompoundFileCheck, ADamagedTableExtensionIsRefused)
{
    ComScope com;
    const Bytes big = PlatformFile({8u << 20});
    ASSERT_GT(Get(big, 44), 109u) << "the table needs its extension";
    ASSERT_TRUE(Sound(big));
    const uint32_t first = Get(big, 68);
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"no extension", [](Bytes& b) { Put(b, 68, 0xFFFFFFFE); }},
        {"extension past the end", [](Bytes& b) { Put(b, 68, 0x00FFFFFF); }},
        {"extension counted short", [](Bytes& b) { Put(b, 72, 0); }},
        {"extension counted past the file", [](Bytes& b) { Put(b, 72, 0x01000000); }},
        {"extension counted long, its chain looping", [=](Bytes& b) { Put(b, 72, 2); Put(b, SectorOffset(first) + 508, first); }},
        {"extension names itself as a table sector", [=](Bytes& b) { Put(b, SectorOffset(first), first); }},
        {"extension names a header table sector", [=](Bytes& b) { Put(b, SectorOffset(first), Get(b, 76)); }},
    };
    for (const Case& c : cases) {
        Bytes damaged = big;
        c.damage(damaged);
        std::string why;
        EXPECT_FALSE(Sound(damaged, &why)) << c.what;
        EXPECT_NE(why, "") << c.what;
    }
}

TEST(CompoundFileCheck, TheDamagedFileOfAnotherWriterIsRefused)
{
    const Bytes file = FileBytes(SHARED_TESTDATA_DIR_W L"/damaged/directory-cycle.qmk");
    ASSERT_GT(file.size(), 512u);
    std::string why;
    EXPECT_FALSE(Sound(file, &why));
    EXPECT_NE(why, "");
}

TEST(CompoundFileCheck, HandDamagedFilesAreRefused)
{
    ComScope com;
    // Stream0 is short (in the short-sector stream), Stream1 long.
    const Bytes good = PlatformFile({300, 9000});
    ASSERT_TRUE(Sound(good));
    const uint32_t kEnd = 0xFFFFFFFE;
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"signature", [](Bytes& b) { b[3] ^= 0xFF; }},
        {"byte order", [](Bytes& b) { b[28] = 0xFF; }},
        {"sector size of the other version", [](Bytes& b) { b[30] = 12; }},
        {"short-sector size", [](Bytes& b) { b[32] = 7; }},
        {"no allocation table", [](Bytes& b) { Put(b, 44, 0); }},
        {"more table sectors than the file has", [](Bytes& b) { Put(b, 44, 1000); }},
        {"table sector past the end", [](Bytes& b) { Put(b, 76, 0x00FFFFFF); }},
        {"table sector named twice", [](Bytes& b) { Put(b, 44, 2); Put(b, 80, Get(b, 76)); }},
        {"an extension the table does not need, past the end",
         [](Bytes& b) { Put(b, 72, 1); Put(b, 68, 0x00FFFFFF); }},
        {"directory start past the end", [](Bytes& b) { Put(b, 48, 0x7FFFFFFF); }},
        {"directory start free", [](Bytes& b) { Put(b, 48, 0xFFFFFFFF); }},
        {"directory chain loops", [](Bytes& b) { Put(b, FatEntry(b, Get(b, 48)), Get(b, 48)); }},
        {"directory chain runs out of the table",
         [](Bytes& b) { Put(b, FatEntry(b, Get(b, 48)), 0x00FFFFF0); }},
        {"root is not a root", [](Bytes& b) { b[Entry(b, 0) + 66] = 1; }},
        {"root's child is the root", [](Bytes& b) { Put(b, Entry(b, 0) + 76, 0); }},
        {"an entry is its own left sibling",
         [](Bytes& b) { const uint32_t child = Get(b, Entry(b, 0) + 76); Put(b, Entry(b, child) + 68, child); }},
        {"an entry is its own right sibling",
         [](Bytes& b) { const uint32_t child = Get(b, Entry(b, 0) + 76); Put(b, Entry(b, child) + 72, child); }},
        {"two entries point at each other",
         [](Bytes& b) {
             const uint32_t child = Get(b, Entry(b, 0) + 76);
             const uint32_t other = child == 1 ? 2 : 1;
             Put(b, Entry(b, child) + 68, other);
             Put(b, Entry(b, other) + 68, child);
             Put(b, Entry(b, child) + 72, 0xFFFFFFFF);
             Put(b, Entry(b, other) + 72, 0xFFFFFFFF);
         }},
        {"sibling past the directory", [](Bytes& b) { const uint32_t child = Get(b, Entry(b, 0) + 76); Put(b, Entry(b, child) + 72, 4000); }},
        {"tree reaches an unused entry", [](Bytes& b) { const uint32_t child = Get(b, Entry(b, 0) + 76); Put(b, Entry(b, child) + 72, 3); }},
        {"name length out of range", [](Bytes& b) { b[EntryByName(b, L"Stream0") + 64] = 200; }},
        {"short stream chain loops",
         [](Bytes& b) {
             const uint32_t start = Get(b, EntryByName(b, L"Stream0") + 116);
             Put(b, SectorOffset(Get(b, 60)) + 4 * start, start);
         }},
        {"short stream past the short-sector stream",
         [](Bytes& b) { Put(b, EntryByName(b, L"Stream0") + 116, 5000); }},
        {"short stream longer than its chain", [](Bytes& b) { Put(b, EntryByName(b, L"Stream0") + 120, 4000); }},
        {"long stream chain loops",
         [](Bytes& b) {
             const uint32_t start = Get(b, EntryByName(b, L"Stream1") + 116);
             Put(b, FatEntry(b, start), start);
         }},
        {"long stream ends early",
         [=](Bytes& b) { Put(b, FatEntry(b, Get(b, EntryByName(b, L"Stream1") + 116)), kEnd); }},
        {"long stream runs into the directory",
         [](Bytes& b) { Put(b, FatEntry(b, Get(b, EntryByName(b, L"Stream1") + 116)), Get(b, 48)); }},
        {"long stream larger than its chain", [](Bytes& b) { Put(b, EntryByName(b, L"Stream1") + 120, 0x7FFFFFFF); }},
        {"short-sector table chain loops", [](Bytes& b) { Put(b, FatEntry(b, Get(b, 60)), Get(b, 60)); }},
        {"short-sector stream larger than its chain", [](Bytes& b) { Put(b, Entry(b, 0) + 120, 0x100000); }},
        {"cut to the header", [](Bytes& b) { b.resize(512); }},
        {"cut inside the header", [](Bytes& b) { b.resize(300); }},
        {"cut before the directory", [](Bytes& b) { b.resize(SectorOffset(Get(b, 48)) + 100); }},
    };
    for (const Case& c : cases) {
        Bytes damaged = good;
        c.damage(damaged);
        std::string why;
        EXPECT_FALSE(Sound(damaged, &why)) << c.what;
        EXPECT_NE(why, "") << c.what;
    }
    EXPECT_FALSE(CompoundFileCheck::Check(nullptr, 0, nullptr));
}

} // namespace

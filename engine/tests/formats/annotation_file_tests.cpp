// The annotation file through the DLL: its stream, the summary properties
// read and written with the platform's property-set interfaces directly, the
// stream it prefers, and the files it refuses without losing anything.
#include <gtest/gtest.h>

#include <objbase.h>
#include <propidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "golden_records.h"

using namespace engine_test;
using namespace formats_test;

namespace {

struct Summary {
    PROPID id;
    VARTYPE type = VT_EMPTY;
    std::string text;
};

// The summary properties 2, 3, 4 and 6 of a file, as the platform reads them.
std::vector<Summary> ReadSummary(const std::wstring& path)
{
    std::vector<Summary> result;
    IStorage* storage = nullptr;
    if (FAILED(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                              &storage))) {
        ADD_FAILURE() << "the file does not open";
        return result;
    }
    IPropertySetStorage* sets = nullptr;
    IPropertyStorage* properties = nullptr;
    storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets));
    if (sets && SUCCEEDED(sets->Open(FMTID_SummaryInformation, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                     &properties))) {
        for (PROPID id : {PIDSI_TITLE, PIDSI_SUBJECT, PIDSI_AUTHOR, PIDSI_COMMENTS}) {
            PROPSPEC spec = {};
            spec.ulKind = PRSPEC_PROPID;
            spec.propid = id;
            PROPVARIANT value;
            PropVariantInit(&value);
            Summary entry;
            entry.id = id;
            if (properties->ReadMultiple(1, &spec, &value) == S_OK) {
                entry.type = value.vt;
                if (value.vt == VT_LPSTR && value.pszVal)
                    entry.text = value.pszVal;
            }
            PropVariantClear(&value);
            result.push_back(entry);
        }
        properties->Release();
    } else {
        ADD_FAILURE() << "no summary property set";
    }
    if (sets)
        sets->Release();
    storage->Release();
    return result;
}

// A compound file of the test's own making: named streams and, when given,
// a summary title.
void WriteCompoundFile(const std::wstring& path, const std::vector<std::pair<std::wstring, Bytes>>& streams,
                       const char* title = nullptr)
{
    IStorage* storage = nullptr;
    ASSERT_EQ(StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                               &storage), S_OK);
    for (const auto& named : streams) {
        IStream* stream = nullptr;
        ASSERT_EQ(storage->CreateStream(named.first.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE,
                                        0, 0, &stream), S_OK);
        ULONG written = 0;
        stream->Write(named.second.data(), static_cast<ULONG>(named.second.size()), &written);
        stream->Release();
    }
    if (title) {
        IPropertySetStorage* sets = nullptr;
        storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets));
        IPropertyStorage* properties = nullptr;
        ASSERT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_ANSI,
                               STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, &properties), S_OK);
        PROPSPEC spec = {};
        spec.ulKind = PRSPEC_PROPID;
        spec.propid = PIDSI_TITLE;
        PROPVARIANT value;
        PropVariantInit(&value);
        value.vt = VT_LPSTR;
        value.pszVal = const_cast<char*>(title);
        properties->WriteMultiple(1, &spec, &value, PID_FIRST_USABLE);
        properties->Release();
        sets->Release();
    }
    storage->Release();
}

Bytes StreamNamed(const std::wstring& path, const wchar_t* name)
{
    Bytes bytes;
    IStorage* storage = nullptr;
    if (FAILED(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                              &storage)))
        return bytes;
    IStream* stream = nullptr;
    if (SUCCEEDED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        uint8_t chunk[4096];
        ULONG read = 0;
        while (SUCCEEDED(stream->Read(chunk, sizeof(chunk), &read)) && read > 0)
            bytes.insert(bytes.end(), chunk, chunk + read);
        stream->Release();
    }
    storage->Release();
    return bytes;
}

void SetText(AnnotationEngine* engine, int code, const wchar_t* text)
{
    BSTR value = SysAllocString(text);
    EXPECT_EQ(engine->SetProperty(code, reinterpret_cast<EngineValue>(value)), 0);
    SysFreeString(value);
}

std::wstring Text(AnnotationEngine* engine, int code)
{
    EngineValue value = 0;
    engine->GetProperty(code, &value);
    BSTR text = reinterpret_cast<BSTR>(value);
    std::wstring result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

Bytes StreamOf(AnnotationEngine* engine)
{
    VARIANT v;
    VariantInit(&v);
    engine->GetAnnIntoVariant(&v, nullptr);
    Bytes bytes = ArrayBytes(v);
    VariantClear(&v);
    return bytes;
}

Bytes StreamWithLayer(const wchar_t* name)
{
    Bytes stream = FreshStreamHeader(1);
    const Bytes layer = LayerRecord(name, {});
    stream.insert(stream.end(), layer.begin(), layer.end());
    return stream;
}

TEST(AnnotationFile, HoldsTheStreamAndTheSummaryInTheAnsiCodePage)
{
    EngineLibrary library;
    TestHost host(library);
    FillEngine(host.Engine());
    SetText(host.Engine(), QMK_SummaryTitle, L"Caf\u00E9 title");
    SetText(host.Engine(), QMK_SummarySubject, L"Subject");
    SetText(host.Engine(), QMK_SummaryAuthor, L"Author A.");
    SetText(host.Engine(), QMK_SummaryComments, L"Two\r\nlines");
    TempFile file(L".ann");
    ASSERT_EQ(host->StoreAnnotation(file.Bstr()), 0);

    EXPECT_EQ(StreamNamed(file.Path(), L"Quillmark7"), StreamOf(host.Engine()));
    const std::vector<Summary> summary = ReadSummary(file.Path());
    ASSERT_EQ(summary.size(), 4u);
    const char* expected[] = {"Caf\xE9 title", "Subject", "Author A.", "Two\r\nlines"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(summary[i].type, VT_LPSTR) << summary[i].id;
        EXPECT_EQ(summary[i].text, expected[i]) << summary[i].id;
    }

    // Read back into another engine: the texts come from the property set.
    TestHost other(library);
    AnswerPasswords(other).answers[L"Secret"] = L"pw one";
    ASSERT_EQ(other->RetrieveAnnotation(file.Bstr()), 0);
    EXPECT_EQ(Text(other.Engine(), QMK_SummaryTitle), L"Caf\u00E9 title");
    EXPECT_EQ(Text(other.Engine(), QMK_SummaryComments), L"Two\r\nlines");
    EXPECT_EQ(Describe(other.Engine()), Describe(host.Engine()));
}

TEST(AnnotationFile, AnAbsentSummaryTextIsWrittenEmpty)
{
    EngineLibrary library;
    TestHost host(library);
    TempFile file(L".ann");
    ASSERT_EQ(host->StoreAnnotation(file.Bstr()), 0);
    for (const Summary& entry : ReadSummary(file.Path())) {
        EXPECT_EQ(entry.type, VT_LPSTR) << entry.id;
        EXPECT_EQ(entry.text, "") << entry.id;
    }
    EXPECT_EQ(StreamNamed(file.Path(), L"Quillmark7"), FreshStreamHeader(0));
}

TEST(AnnotationFile, ReadsTheOlderStreamFirstAndTheTextsTheFileHas)
{
    EngineLibrary library;
    TestHost host(library);
    SetText(host.Engine(), QMK_SummaryAuthor, L"kept");
    TempFile file(L".ann");
    WriteCompoundFile(file.Path(), {{L"Quillmark7", StreamWithLayer(L"Seven")},
                                    {L"Quillmark5", StreamWithLayer(L"Five")}},
                      "Only a title");
    ASSERT_EQ(host->RetrieveAnnotation(file.Bstr()), 0);
    ASSERT_EQ(host->GetLayerCount(), 1);
    BSTR name = nullptr;
    host->GetLayerProperty(host->GetFirstLayer(), QMK_LayerName, reinterpret_cast<EngineValue*>(&name));
    EXPECT_STREQ(name, L"Five");
    SysFreeString(name);
    EXPECT_EQ(Text(host.Engine(), QMK_SummaryTitle), L"Only a title");
    EXPECT_EQ(Text(host.Engine(), QMK_SummaryAuthor), L"")
        << "a text neither the stream nor the summary holds is empty";
}

Bytes WholeFile(const std::wstring& path)
{
    Bytes bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t chunk[4096];
    DWORD got = 0;
    while (ReadFile(f, chunk, sizeof(chunk), &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(f);
    return bytes;
}

// The files the writer makes beside its target while it works.
int WorkFilesIn(const std::wstring& path)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"~qm*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

TEST(AnnotationFile, StoringReplacesTheUsersFileOnlyWithAWholeOne)
{
    EngineLibrary library;
    TestHost first(library), second(library);
    FillEngine(first.Engine());
    AnswerPasswords(first);
    second->CreateLayer(1);
    SetText(second.Engine(), QMK_SummaryTitle, L"second");

    TempFile file(L".qmk");
    ASSERT_EQ(first->StoreAnnotation(file.Bstr()), 0);
    const Bytes firstFile = WholeFile(file.Path());
    const int workFiles = WorkFilesIn(file.Path());

    // A read-only file stays the user's.
    ASSERT_TRUE(SetFileAttributesW(file.Path().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(second->StoreAnnotation(file.Bstr()), QMK_ErrCreateStorage);
    SetFileAttributesW(file.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(WholeFile(file.Path()) == firstFile);
    EXPECT_EQ(WorkFilesIn(file.Path()), workFiles);

    // A writable one is replaced by the whole new file.
    ASSERT_EQ(second->StoreAnnotation(file.Bstr()), 0);
    EXPECT_EQ(WorkFilesIn(file.Path()), workFiles);
    EXPECT_EQ(StreamNamed(file.Path(), L"Quillmark7"), StreamOf(second.Engine()));
    TestHost reader(library);
    ASSERT_EQ(reader->RetrieveAnnotation(file.Bstr()), 0);
    EXPECT_EQ(Describe(reader.Engine()), Describe(second.Engine()));
    EXPECT_EQ(Text(reader.Engine(), QMK_SummaryTitle), L"second");
}

void WriteWholeFile(const std::wstring& path, const Bytes& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

uint32_t Dword(const Bytes& b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}

TEST(AnnotationFile, ADamagedContainerIsRefusedBeforeThePlatformWalksIt)
{
    EngineLibrary library;
    TestHost host(library);
    FillEngine(host.Engine());
    AnswerPasswords(host).answers[L"Secret"] = L"pw one";
    SetText(host.Engine(), QMK_SummaryTitle, L"mine");
    const std::string before = Describe(host.Engine());

    // Another writer's file, 7 bytes changed, most in its directory: the
    // platform's open of its stream never returned.
    BSTR cycle = SysAllocString(SHARED_TESTDATA_DIR_W L"/damaged/directory-cycle.qmk");
    EXPECT_EQ(host->RetrieveAnnotation(cycle), QMK_ErrStorageStream);
    SysFreeString(cycle);
    EXPECT_EQ(Describe(host.Engine()), before);
    EXPECT_EQ(Text(host.Engine(), QMK_SummaryTitle), L"mine");

    // Our own file, damaged by hand in its allocation table and directory
    // (a version 3 file: 512-byte sectors, sector n at (n + 1) * 512).
    TestHost writer(library);
    FillEngine(writer.Engine());
    TempFile good(L".qmk");
    ASSERT_EQ(writer->StoreAnnotation(good.Bstr()), 0);
    const Bytes file = WholeFile(good.Path());
    ASSERT_GT(file.size(), 1024u);
    const size_t fat = (Dword(file, 76) + 1) * 512;
    const uint32_t directory = Dword(file, 48);
    const size_t root = (directory + 1) * 512;
    const uint32_t child = Dword(file, root + 76);
    const size_t childEntry = root + 128 * child;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"directory chain loops", fat + 4 * directory, directory},
        {"an entry is its own sibling", childEntry + 72, child},
        {"root's child is the root", root + 76, 0},
        {"entry number past the directory", childEntry + 68, 100000},
        {"allocation table sector past the end", 76, 0x00FFFFFF},
    };
    for (const Case& c : cases) {
        Bytes damaged = file;
        PutDword(damaged, c.at, c.value);
        TempFile bad(L".qmk");
        WriteWholeFile(bad.Path(), damaged);
        EXPECT_EQ(host->RetrieveAnnotation(bad.Bstr()), QMK_ErrStorageStream) << c.what;
        EXPECT_EQ(Describe(host.Engine()), before) << c.what;
    }
    // The good one loads.
    ASSERT_EQ(host->RetrieveAnnotation(good.Bstr()), 0);
    EXPECT_EQ(Describe(host.Engine()), Describe(writer.Engine()));
}

TEST(AnnotationFile, ADamagedSummaryIsPassedOverAndTheAnnotationsLoad)
{
    EngineLibrary library;
    TestHost writer(library);
    FillEngine(writer.Engine());
    SetText(writer.Engine(), QMK_SummaryTitle, L"their title");
    TempFile good(L".qmk");
    ASSERT_EQ(writer->StoreAnnotation(good.Bstr()), 0);
    Bytes file = WholeFile(good.Path());
    // The title's value in the property set: type VT_LPSTR, byte count, text.
    // The platform may leave earlier copies of the set in free sectors: each
    // copy is changed alike. The set's title becomes "THEIR title", so that
    // it can be told from the stream's own copy of the title.
    const std::string title = "their title";
    std::vector<size_t> texts;
    for (auto at = file.begin(); (at = std::search(at, file.end(), title.begin(), title.end())) != file.end(); ++at)
        if (at - file.begin() >= 8 && Dword(file, static_cast<size_t>(at - file.begin()) - 8) == VT_LPSTR)
            texts.push_back(static_cast<size_t>(at - file.begin()));
    ASSERT_FALSE(texts.empty());
    for (size_t text : texts)
        std::memcpy(&file[text], "THEIR", 5);
    struct Case {
        const char* what;
        int at;   // from the text
        uint32_t value;
        const wchar_t* title;
    };
    const Case cases[] = {
        {"the set as written", -8, VT_LPSTR, L"THEIR title"},
        {"a vector where a text was", -8, VT_VECTOR | VT_LPSTR, L"their title"},
        {"an array where a text was", -8, VT_ARRAY | VT_LPSTR, L"their title"},
        {"a text longer than its section", -4, 0x7FFFFFF0, L"their title"},
    };
    for (const Case& c : cases) {
        Bytes damaged = file;
        for (size_t text : texts)
            PutDword(damaged, text + c.at, c.value);
        TempFile bad(L".qmk");
        WriteWholeFile(bad.Path(), damaged);
        TestHost host(library);
        AnswerPasswords(host).answers[L"Secret"] = L"pw one";
        EXPECT_EQ(host->RetrieveAnnotation(bad.Bstr()), 0) << c.what;
        EXPECT_EQ(Describe(host.Engine()), Describe(writer.Engine())) << c.what;
        EXPECT_EQ(Text(host.Engine(), QMK_SummaryTitle), c.title) << c.what;
    }
}

TEST(AnnotationFile, AFuzzLoopOverDamagedContainersAlwaysReturns)
{
    // Our own file with a few bytes changed, as in the damaged file of
    // another writer; every load returns, and one that succeeds holds layers
    // that save again.
    EngineLibrary library;
    TestHost writer(library);
    FillEngine(writer.Engine());
    TempFile good(L".qmk");
    ASSERT_EQ(writer->StoreAnnotation(good.Bstr()), 0);
    const Bytes file = WholeFile(good.Path());

    TestHost host(library);
    AnswerPasswords(host).answers[L"Secret"] = L"pw one";
    TempFile bad(L".qmk");
    uint32_t seed = 20261210;
    auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int refused = 0, loaded = 0;
    for (int round = 0; round < 1500; ++round) {
        Bytes damaged = file;
        const int changes = 1 + static_cast<int>(next() % 8);
        for (int i = 0; i < changes; ++i)
            damaged[next() % damaged.size()] = static_cast<uint8_t>(next());
        WriteWholeFile(bad.Path(), damaged);
        const int result = host->RetrieveAnnotation(bad.Bstr());
        if (result == QMK_ErrStorageStream)
            ++refused;
        if (result != 0)
            continue;
        ++loaded;
        VARIANT saved;
        VariantInit(&saved);
        EXPECT_EQ(host->GetAnnIntoVariant(&saved, nullptr), 0) << round;
        VariantClear(&saved);
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0) << "damage in stream data or unused bytes still loads";
    std::printf("damaged containers: %d loaded, %d refused with 1011\n", loaded, refused);
}

TEST(AnnotationFile, RefusesBadFilesAndLosesNothing)
{
    EngineLibrary library;
    TestHost host(library);
    FillEngine(host.Engine());
    AnswerPasswords(host);
    SetText(host.Engine(), QMK_SummaryTitle, L"mine");
    const std::string before = Describe(host.Engine());

    TempFile text(L".txt");
    HANDLE handle = CreateFileW(text.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, "not a compound file", 19, &written, nullptr);
    CloseHandle(handle);
    TempFile noStream(L".ann");
    WriteCompoundFile(noStream.Path(), {{L"Other", {1, 2, 3, 4}}});
    TempFile badStream(L".ann");
    Bytes bad = StreamWithLayer(L"x");
    bad.resize(bad.size() - 6);
    WriteCompoundFile(badStream.Path(), {{L"Quillmark7", bad}}, "theirs");
    TempFile missing(L".ann");
    BSTR empty = SysAllocString(L"");
    BSTR missingFolder = SysAllocString(L"C:\\no such folder\\x.ann");

    struct Case {
        const char* name;
        BSTR file;
        int result;
    };
    const Case cases[] = {
        {"not a compound file", text.Bstr(), QMK_ErrInvalidFile},
        {"no such file", missing.Bstr(), QMK_ErrInvalidFile},
        {"empty name", empty, QMK_ErrInvalidFile},
        {"null name", nullptr, QMK_ErrInvalidFile},
        {"neither stream", noStream.Bstr(), QMK_ErrInvalidFile},
        {"a stream cut short", badStream.Bstr(), QMK_ErrStorageStream},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host->RetrieveAnnotation(c.file), c.result) << c.name;
        EXPECT_EQ(Describe(host.Engine()), before) << c.name;
        EXPECT_EQ(Text(host.Engine(), QMK_SummaryTitle), L"mine") << c.name;
    }

    // A file another holds open exclusively cannot be opened.
    TempFile held(L".ann");
    ASSERT_EQ(host->StoreAnnotation(held.Bstr()), 0);
    IStorage* holder = nullptr;
    ASSERT_EQ(StgOpenStorage(held.Path().c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                             nullptr, 0, &holder), S_OK);
    const int result = host->RetrieveAnnotation(held.Bstr());
    EXPECT_TRUE(result == QMK_ErrFileOpen || result == QMK_ErrInvalidFile) << result;
    holder->Release();
    EXPECT_EQ(Describe(host.Engine()), before);

    EXPECT_EQ(host->StoreAnnotation(empty), QMK_ErrCreateStorage);
    EXPECT_EQ(host->StoreAnnotation(nullptr), QMK_ErrCreateStorage);
    EXPECT_EQ(host->StoreAnnotation(missingFolder), QMK_ErrCreateStorage);
    SysFreeString(empty);
    SysFreeString(missingFolder);
}

} // namespace

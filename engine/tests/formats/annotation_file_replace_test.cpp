// Replacing an annotation file: the new file is made beside the old one and
// takes its place only when it is complete. Failures are forced in the middle
// of writing; the old file must come through byte for byte and nothing else
// may be left in its folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_codes.h"
#include "formats/annotation_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A folder of its own under the temp folder, removed with what is in it.
class Folder {
public:
    Folder()
    {
        static int counter = 0;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"replace_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++counter);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~Folder()
    {
        for (const std::wstring& name : Names()) {
            const std::wstring full = path_ + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileW(full.c_str()))
                RemoveDirectoryW(full.c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring operator/(const wchar_t* name) const { return path_ + L"\\" + name; }
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::wstring path_;
};

Bytes FileBytes(const std::wstring& path)
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

Bytes Pattern(size_t size, uint8_t seed)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

// Writes a stream named "Quillmark7" with the bytes; false when it fails.
bool PutStream(IStorage* storage, const Bytes& bytes)
{
    IStream* stream = nullptr;
    if (FAILED(storage->CreateStream(AnnotationFile::kStreamName,
                                     STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &stream)))
        return false;
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    stream->Release();
    return SUCCEEDED(hr) && written == bytes.size();
}

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

TEST(AnnotationFileReplace, AFailureWhileWritingKeepsTheOldFileByteForByte)
{
    ComScope com;
    struct Case {
        const char* what;
        std::function<int(IStorage*)> fill;
        int result;
    };
    const Case cases[] = {
        {"fails before writing", [](IStorage*) { return int(QMK_ErrStorageStream); }, QMK_ErrStorageStream},
        {"fails after half the stream",
         [](IStorage* s) { return PutStream(s, Pattern(3000, 1)) ? int(QMK_ErrStorageStream) : -1; },
         QMK_ErrStorageStream},
        {"fails after a large stream and a second one",
         [](IStorage* s) {
             IStream* other = nullptr;
             s->CreateStream(L"Other", STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &other);
             if (other)
                 other->Release();
             return PutStream(s, Pattern(300000, 2)) ? int(QMK_ErrCreateStorage) : -1;
         },
         QMK_ErrCreateStorage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        const std::wstring path = folder / L"notes.qmk";
        ASSERT_EQ(AnnotationFile::Write(path.c_str(), Pattern(5000, 9), {{QMK_SummaryTitle, L"old"}}), 0);
        const Bytes before = FileBytes(path);
        ASSERT_FALSE(before.empty());

        EXPECT_EQ(AnnotationFile::Replace(path.c_str(), c.fill), c.result);
        EXPECT_TRUE(FileBytes(path) == before);
        EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"notes.qmk"}) << "nothing left beside it";

        std::vector<uint8_t> stream;
        std::vector<AnnotationFile::SummaryText> summary;
        ASSERT_EQ(AnnotationFile::Read(path.c_str(), stream, summary), 0);
        EXPECT_TRUE(stream == Pattern(5000, 9));
    }
}

TEST(AnnotationFileReplace, ACompleteFileTakesThePlaceOfTheOldOne)
{
    ComScope com;
    Folder folder;
    const std::wstring path = folder / L"notes.qmk";
    ASSERT_EQ(AnnotationFile::Write(path.c_str(), Pattern(5000, 9), {}), 0);
    ASSERT_EQ(AnnotationFile::Write(path.c_str(), Pattern(70, 3), {{QMK_SummaryAuthor, L"me"}}), 0);
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"notes.qmk"});
    std::vector<uint8_t> stream;
    std::vector<AnnotationFile::SummaryText> summary;
    ASSERT_EQ(AnnotationFile::Read(path.c_str(), stream, summary), 0);
    EXPECT_TRUE(stream == Pattern(70, 3));
    ASSERT_FALSE(summary.empty());

    // A name not yet there is made; a relative name lands in the current folder.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(SetCurrentDirectoryW((folder / L"").c_str()));
    EXPECT_EQ(AnnotationFile::Write(L"new.qmk", Pattern(10, 4), {}), 0);
    SetCurrentDirectoryW(current);
    EXPECT_EQ(folder.Names(), (std::vector<std::wstring>{L"new.qmk", L"notes.qmk"}));
}

TEST(AnnotationFileReplace, WhatCannotBeReplacedIsLeftAlone)
{
    ComScope com;
    // 0: a read-only file, 1: a folder of that name, 2: held open by another.
    for (int setUp : {0, 1, 2}) {
        SCOPED_TRACE(setUp);
        Folder folder;
        const std::wstring path = folder / L"notes.qmk";
        Bytes before;
        HANDLE held = INVALID_HANDLE_VALUE;
        if (setUp == 1) {
            ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        } else {
            ASSERT_EQ(AnnotationFile::Write(path.c_str(), Pattern(500, 5), {}), 0);
            before = FileBytes(path);
            if (setUp == 0)
                ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
            else
                held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        EXPECT_EQ(AnnotationFile::Write(path.c_str(), Pattern(70, 3), {}), QMK_ErrCreateStorage);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"notes.qmk"});
        if (setUp != 1)
            EXPECT_TRUE(FileBytes(path) == before);
        else
            EXPECT_NE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
    EXPECT_EQ(AnnotationFile::Write(L"C:\\no such folder\\x.qmk", Pattern(7, 1), {}), QMK_ErrCreateStorage);
    EXPECT_EQ(AnnotationFile::Write(L"", Pattern(7, 1), {}), QMK_ErrCreateStorage);
}

} // namespace

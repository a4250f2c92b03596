#include "formats/annotation_file.h"

#include <objbase.h>
#include <propidl.h>

#include <functional>
#include <new>

#include "formats/ansi_text.h"
#include "formats/compound_file_check.h"
#include "formats/property_set_check.h"
#include "engine_codes.h"

const wchar_t AnnotationFile::kStreamName[] = L"Quillmark7";
const wchar_t AnnotationFile::kOlderStreamName[] = L"Quillmark5";

namespace {

// The summary properties in the order they are written, with the engine
// property each comes from.
struct SummaryProperty {
    PROPID id;
    int code;
};
const SummaryProperty kWritten[] = {
    {PIDSI_COMMENTS, QMK_SummaryComments},
    {PIDSI_AUTHOR, QMK_SummaryAuthor},
    {PIDSI_TITLE, QMK_SummaryTitle},
    {PIDSI_SUBJECT, QMK_SummarySubject},
};
const SummaryProperty kRead[] = {
    {PIDSI_COMMENTS, QMK_SummaryComments},
    {PIDSI_AUTHOR, QMK_SummaryAuthor},
    {PIDSI_SUBJECT, QMK_SummarySubject},
    {PIDSI_TITLE, QMK_SummaryTitle},
};


const std::wstring* FindText(const std::vector<AnnotationFile::SummaryText>& summary, int code)
{
    for (const AnnotationFile::SummaryText& entry : summary)
        if (entry.code == code)
            return &entry.text;
    return nullptr;
}

void WriteSummary(IStorage* storage, const std::vector<AnnotationFile::SummaryText>& summary)
{
    IPropertySetStorage* sets = nullptr;
    if (FAILED(storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(&sets))))
        return;
    IPropertyStorage* properties = nullptr;
    if (SUCCEEDED(sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_ANSI,
                               STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE,
                               &properties))) {
        for (const SummaryProperty& property : kWritten) {
            const std::wstring* text = FindText(summary, property.code);
            std::string ansi = text ? ToAnsi(*text) : std::string();
            PROPSPEC spec = {};
            spec.ulKind = PRSPEC_PROPID;
            spec.propid = property.id;
            PROPVARIANT value;
            PropVariantInit(&value);
            value.vt = VT_LPSTR;
            value.pszVal = &ansi[0];  // never null: an absent text is written empty
            properties->WriteMultiple(1, &spec, &value, PID_FIRST_USABLE);
        }
        properties->Commit(STGC_DEFAULT);
        properties->Release();
    }
    sets->Release();
}

// The stream that holds the summary information.
const wchar_t kSummaryStreamName[] = L"\005SummaryInformation";

int ReadWholeStream(IStream* stream, std::vector<uint8_t>& bytes);

// The summary's texts, read from the property set's bytes by the engine's
// own bounded reader: a damaged set is never handed to another reader.
void ReadSummary(IStorage* storage, std::vector<AnnotationFile::SummaryText>& summary)
{
    IStream* stream = nullptr;
    if (FAILED(storage->OpenStream(kSummaryStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                   &stream)))
        return;
    std::vector<uint8_t> bytes;
    const bool read = ReadWholeStream(stream, bytes) == QMK_NoError;
    stream->Release();
    std::vector<std::pair<uint32_t, std::wstring>> texts;
    if (!read || !PropertySetCheck::ReadTexts(bytes.data(), bytes.size(), FMTID_SummaryInformation, texts))
        return;
    for (const SummaryProperty& property : kRead)
        for (const auto& text : texts)
            if (text.first == property.id) {
                summary.push_back({property.code, text.second});
                break;
            }
}

// The whole of a stream, read until its end; the data, not its stated size,
// bounds what is held.
int ReadWholeStream(IStream* stream, std::vector<uint8_t>& bytes)
{
    const ULONG kChunk = 64 * 1024;
    bytes.clear();
    for (;;) {
        const size_t used = bytes.size();
        try {
            bytes.resize(used + kChunk);
        } catch (const std::bad_alloc&) {
            bytes.clear();
            return QMK_ErrOutOfMemory;
        }
        ULONG read = 0;
        const HRESULT hr = stream->Read(bytes.data() + used, kChunk, &read);
        bytes.resize(used + read);
        if (FAILED(hr))
            return QMK_ErrStorageStream;
        if (read < kChunk)
            return QMK_NoError;
    }
}

// The file's bytes in a new movable block, once they have passed the
// compound file check. QMK_ErrFileOpen when the file cannot be read (held
// open by another, or larger than any annotation file), QMK_ErrStorageStream
// when its structure is damaged, QMK_ErrOutOfMemory.
int ReadCheckedFile(const wchar_t* path, HGLOBAL* block)
{
    const LONGLONG kLargest = 256ll << 20;
    *block = nullptr;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return QMK_ErrFileOpen;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > kLargest) {
        CloseHandle(file);
        return QMK_ErrFileOpen;
    }
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
    uint8_t* data = memory ? static_cast<uint8_t*>(GlobalLock(memory)) : nullptr;
    if (!data) {
        if (memory)
            GlobalFree(memory);
        CloseHandle(file);
        return QMK_ErrOutOfMemory;
    }
    DWORD done = 0;
    while (done < length) {
        DWORD got = 0;
        if (!ReadFile(file, data + done, length - done, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    CloseHandle(file);
    int result = QMK_NoError;
    if (done != length)
        result = QMK_ErrFileOpen;
    else if (!CompoundFileCheck::Check(data, length, nullptr))
        result = QMK_ErrStorageStream;
    GlobalUnlock(memory);
    if (result != QMK_NoError) {
        GlobalFree(memory);
        return result;
    }
    *block = memory;
    return QMK_NoError;
}

} // namespace

int AnnotationFile::Write(const wchar_t* path, const std::vector<uint8_t>& stream,
                          const std::vector<SummaryText>& summary)
{
    return Replace(path, [&](IStorage* storage) -> int {
        IStream* out = nullptr;
        if (FAILED(storage->CreateStream(kStreamName, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE,
                                         0, 0, &out)))
            return QMK_ErrStorageStream;
        ULONG written = 0;
        const HRESULT hr = out->Write(stream.data(), static_cast<ULONG>(stream.size()), &written);
        out->Release();
        if (FAILED(hr) || written != stream.size())
            return QMK_ErrStorageStream;
        WriteSummary(storage, summary);
        return QMK_NoError;
    });
}

int AnnotationFile::Replace(const wchar_t* path, const std::function<int(IStorage*)>& fill)
{
    if (!path || !*path)
        return QMK_ErrCreateStorage;
    // The new file is made in the target's own folder, so that putting it in
    // place is a rename on the same volume.
    wchar_t full[MAX_PATH * 2];
    wchar_t* namePart = nullptr;
    const DWORD length = GetFullPathNameW(path, MAX_PATH * 2, full, &namePart);
    if (length == 0 || length >= MAX_PATH * 2 || !namePart || namePart == full)
        return QMK_ErrCreateStorage;
    const std::wstring target(full);
    const std::wstring folder(full, namePart - full);
    // A read-only file or a folder of that name is not ours to replace.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return QMK_ErrCreateStorage;
    wchar_t temp[MAX_PATH * 2 + 16];
    if (folder.size() + 14 > MAX_PATH || !GetTempFileNameW(folder.c_str(), L"~qm", 0, temp))
        return QMK_ErrCreateStorage;
    IStorage* storage = nullptr;
    if (FAILED(StgCreateDocfile(temp, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                                &storage))) {
        DeleteFileW(temp);
        return QMK_ErrCreateStorage;
    }
    int result = fill(storage);
    if (result == QMK_NoError && FAILED(storage->Commit(STGC_DEFAULT)))
        result = QMK_ErrStorageStream;
    storage->Release();
    // Only a complete file takes the place of the old one.
    if (result == QMK_NoError &&
        !MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = QMK_ErrCreateStorage;
    if (result != QMK_NoError)
        DeleteFileW(temp);
    return result;
}

int AnnotationFile::Read(const wchar_t* path, std::vector<uint8_t>& stream,
                         std::vector<SummaryText>& summary)
{
    const HRESULT kind = StgIsStorageFile(path);
    if (kind == S_FALSE || kind == STG_E_FILENOTFOUND || kind == STG_E_INVALIDNAME)
        return QMK_ErrInvalidFile;
    // The platform opens the very bytes that were checked: the file is read
    // whole and the storage opened over a copy in memory.
    HGLOBAL block = nullptr;
    int result = ReadCheckedFile(path, &block);
    if (result != QMK_NoError)
        return result;
    ILockBytes* bytes = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(block, TRUE, &bytes))) {
        GlobalFree(block);
        return QMK_ErrOutOfMemory;
    }
    IStorage* storage = nullptr;
    const HRESULT opened = StgOpenStorageOnILockBytes(bytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                                      nullptr, 0, &storage);
    bytes->Release();
    if (FAILED(opened))
        return QMK_ErrFileOpen;
    IStream* in = nullptr;
    if (FAILED(storage->OpenStream(kOlderStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                   &in)) &&
        FAILED(storage->OpenStream(kStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                   &in))) {
        storage->Release();
        return QMK_ErrInvalidFile;
    }
    result = ReadWholeStream(in, stream);
    in->Release();
    if (result == QMK_NoError)
        ReadSummary(storage, summary);
    storage->Release();
    return result;
}

#include "step_result.h"

#include "file_paths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr size_t kOriginSizeAt = kOriginPathField;
constexpr size_t kOriginTimeAt = kOriginPathField + 8;
constexpr size_t kOriginSettingsAt = kOriginPathField + 16;
const char kOriginExtension[] = ".from";
const char kSavedFormExtension[] = ".saved";
const char kSavedFormMagic[] = "SAVEDOF1";

void PutU64(std::string& bytes, size_t at, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint64_t GetU64(const std::string& bytes, size_t at)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

// A file's size and last write time; false when it is no plain file.
bool SizeAndTime(const std::string& path, uint64_t* size, uint64_t* writeTime)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    *writeTime = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                 data.ftLastWriteTime.dwLowDateTime;
    return true;
}

// The saved form's record of the result and its saved form as they are now.
bool SavedFormRecord(const std::string& result, const std::string& savedForm, std::string* bytes)
{
    uint64_t values[4];
    if (!SizeAndTime(result, &values[0], &values[1]) || !SizeAndTime(savedForm, &values[2], &values[3]))
        return false;
    bytes->assign(kSavedFormMagic, 8);
    bytes->resize(kSavedFormRecordSize, '\0');
    for (int i = 0; i < 4; ++i)
        PutU64(*bytes, 8 + 8 * i, values[i]);
    return true;
}

// The bytes of a record file of the given size; false for a file of another size.
bool ReadRecord(const std::string& path, size_t size, std::string* bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bytes->assign(size + 1, '\0');   // one more: a longer file is no record
    DWORD read = 0;
    const bool ok = ReadFile(f, &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr) &&
                    read == size;
    CloseHandle(f);
    bytes->resize(read);
    return ok;
}

// The plain files of a folder that match a mask, as full paths.
std::vector<std::string> FilesMatching(const std::string& folder, const char* mask)
{
    std::vector<std::string> paths = FileNamesMatching(folder + mask);
    for (std::string& path : paths)
        path = folder + path;
    return paths;
}

constexpr uint64_t kFnvBasis = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;

uint64_t Mixed(uint64_t digest, uint64_t value)
{
    for (int i = 0; i < 8; ++i) {
        digest ^= static_cast<uint8_t>(value >> (8 * i));
        digest *= kFnvPrime;
    }
    return digest;
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

uint64_t MethodSettingsDigest(const std::string& basePath)
{
    const size_t slash = basePath.find_last_of('\\');
    std::string method = basePath.substr(slash == std::string::npos ? 0 : slash + 1);
    for (char& c : method)
        c = Upper(c);
    // Each file on its own, then combined in an order-free way: the order a
    // folder search gives is no part of the settings.
    uint64_t digest = 0;
    uint64_t files = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((basePath + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return Mixed(kFnvBasis, 0);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const size_t length = std::strlen(found.cFileName);
        if (length <= method.size() || (found.cFileName[method.size()] != '.' &&
                                        found.cFileName[method.size()] != '_'))
            continue;
        uint64_t one = kFnvBasis;
        bool same = true;
        for (size_t i = 0; i < length; ++i) {
            const char c = Upper(found.cFileName[i]);
            same = same && (i >= method.size() || c == method[i]);
            one = (one ^ static_cast<uint8_t>(c)) * kFnvPrime;
        }
        if (!same)
            continue;
        one = Mixed(one, static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
        one = Mixed(one, static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32 |
                             found.ftLastWriteTime.dwLowDateTime);
        digest += Mixed(one, 0x5E771465ull);
        ++files;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return Mixed(Mixed(kFnvBasis, files), digest);
}

uint64_t SettingsOfChain(uint64_t earlier, uint64_t method)
{
    return Mixed(Mixed(kFnvBasis, earlier), method);
}

std::string ChoiceCode(int index)
{
    if (index >= 0 && index < 10)
        return std::string(1, static_cast<char>('0' + index));
    return "(" + std::to_string(index) + ")";
}

StepResultNames StepResultFiles(const std::string& programFolder, const std::string& imageName,
                                const int* slotModule, const int* moduleMethod, int step,
                                bool twoPages)
{
    std::string stem = programFolder + "temp\\" + imageName + "_";
    for (int j = 0; j <= step; ++j) {
        int module = slotModule[j];
        stem += ChoiceCode(module) + ChoiceCode(moduleMethod[module]);
    }
    if (!twoPages)
        return {stem + ".tif", std::string()};
    return {stem + "_1.tif", stem + "_2.tif"};
}

std::string OriginRecordPath(const std::string& result)
{
    return result + kOriginExtension;
}

bool EncodeStepResultOrigin(const StepResultOrigin& origin, std::string* bytes)
{
    if (origin.source.empty() || origin.source.size() >= kOriginPathField ||
        origin.source.find('\0') != std::string::npos)
        return false;
    bytes->assign(kOriginRecordSize, '\0');
    bytes->replace(0, origin.source.size(), origin.source);
    PutU64(*bytes, kOriginSizeAt, origin.size);
    PutU64(*bytes, kOriginTimeAt, origin.writeTime);
    PutU64(*bytes, kOriginSettingsAt, origin.settings);
    return true;
}

bool DecodeStepResultOrigin(const std::string& bytes, StepResultOrigin* origin)
{
    if (bytes.size() != kOriginRecordSize)
        return false;
    size_t end = bytes.find('\0');
    if (end == 0 || end >= kOriginPathField)
        return false;
    origin->source = bytes.substr(0, end);
    origin->size = GetU64(bytes, kOriginSizeAt);
    origin->writeTime = GetU64(bytes, kOriginTimeAt);
    origin->settings = GetU64(bytes, kOriginSettingsAt);
    return true;
}

bool OriginOfSource(const std::string& source, StepResultOrigin* origin)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    origin->source = FullPathOf(source);
    origin->size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    origin->writeTime = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                        data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool SameOrigin(const StepResultOrigin& a, const StepResultOrigin& b)
{
    return a.size == b.size && a.writeTime == b.writeTime && a.settings == b.settings &&
           SamePath(a.source, b.source);
}

bool WriteStepResultOrigin(const std::string& result, const StepResultOrigin& origin)
{
    std::string bytes;
    const std::string path = OriginRecordPath(result);
    if (!EncodeStepResultOrigin(origin, &bytes))
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        RemoveFile(path);
    return ok;
}

bool ReadStepResultOrigin(const std::string& result, StepResultOrigin* origin)
{
    std::string bytes;
    return ReadRecord(OriginRecordPath(result), kOriginRecordSize, &bytes) &&
           DecodeStepResultOrigin(bytes, origin);
}

bool IsResultOf(const StepResultNames& names, bool twoPages, const StepResultOrigin& origin)
{
    auto madeFrom = [&origin](const std::string& result) {
        StepResultOrigin recorded;
        // No record opens for a result that is missing or a folder.
        return ReadStepResultOrigin(result, &recorded) && FileExists(result) &&
               SameOrigin(recorded, origin);
    };
    return madeFrom(names.first) && (!twoPages || madeFrom(names.second));
}

bool IsResultOfSource(const StepResultNames& names, bool twoPages, const std::string& source)
{
    StepResultOrigin origin;
    return OriginOfSource(source, &origin) && IsResultOf(names, twoPages, origin);
}

std::string SavedFormPath(const std::string& result)
{
    return result + kSavedFormExtension;
}

bool KeepSavedForm(const std::string& result, const std::string& saved)
{
    const std::string form = SavedFormPath(result), record = OriginRecordPath(form);
    std::string bytes;
    bool ok = RemoveFile(record) && CopyFileA(saved.c_str(), form.c_str(), FALSE) &&
              SavedFormRecord(result, form, &bytes);
    if (ok) {
        FILE* f = std::fopen(record.c_str(), "wb");
        ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        ok = f && std::fclose(f) == 0 && ok;
    }
    if (!ok) {
        RemoveFile(record);
        RemoveFile(form);
    }
    return ok;
}

bool SavedFormOf(const std::string& result, std::string* savedForm)
{
    const std::string form = SavedFormPath(result);
    std::string recorded, now;
    if (!ReadRecord(OriginRecordPath(form), kSavedFormRecordSize, &recorded) ||
        !SavedFormRecord(result, form, &now) || now != recorded)
        return false;
    *savedForm = form;
    return true;
}

bool RemoveStepResult(const StepResultNames& names)
{
    bool gone = true;
    for (const std::string* result : {&names.first, &names.second}) {
        if (result->empty())
            continue;
        const std::string form = SavedFormPath(*result);
        gone = RemoveFile(*result) && gone;
        gone = RemoveFile(OriginRecordPath(*result)) && gone;
        gone = RemoveFile(OriginRecordPath(form)) && gone;
        gone = RemoveFile(form) && gone;
    }
    return gone;
}

std::vector<std::string> CachedStepResults(const std::string& tempFolder)
{
    return FilesMatching(tempFolder, "*.tif");
}

void RemoveCachedStepResults(const std::string& tempFolder)
{
    for (const char* mask : {"*.tif", "*.from", "*.saved"})
        for (const std::string& path : FilesMatching(tempFolder, mask))
            RemoveFile(path);
}

} // namespace platform

#include "step_result.h"

#include "file_paths.h"

#include <windows.h>

#include <cstdio>

namespace platform {

namespace {

constexpr size_t kOriginSizeAt = kOriginPathField;
constexpr size_t kOriginTimeAt = kOriginPathField + 8;
const char kOriginExtension[] = ".from";

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

// The plain files of a folder that match a mask, as full paths.
std::vector<std::string> FilesMatching(const std::string& folder, const char* mask)
{
    std::vector<std::string> paths = FileNamesMatching(folder + mask);
    for (std::string& path : paths)
        path = folder + path;
    return paths;
}

} // namespace

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
    return a.size == b.size && a.writeTime == b.writeTime && SamePath(a.source, b.source);
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
    FILE* f = std::fopen(OriginRecordPath(result).c_str(), "rb");
    if (!f)
        return false;
    std::string bytes(kOriginRecordSize + 1, '\0');
    bytes.resize(std::fread(&bytes[0], 1, bytes.size(), f));   // one more: a longer file is no record
    std::fclose(f);
    return DecodeStepResultOrigin(bytes, origin);
}

bool IsResultOf(const StepResultNames& names, bool twoPages, const StepResultOrigin& origin)
{
    auto madeFrom = [&origin](const std::string& result) {
        StepResultOrigin recorded;
        return FileExists(result) && ReadStepResultOrigin(result, &recorded) &&
               SameOrigin(recorded, origin);
    };
    return madeFrom(names.first) && (!twoPages || madeFrom(names.second));
}

bool IsResultOfSource(const StepResultNames& names, bool twoPages, const std::string& source)
{
    StepResultOrigin origin;
    return OriginOfSource(source, &origin) && IsResultOf(names, twoPages, origin);
}

bool RemoveStepResult(const StepResultNames& names)
{
    bool gone = true;
    for (const std::string* result : {&names.first, &names.second}) {
        if (result->empty())
            continue;
        gone = RemoveFile(*result) && gone;
        gone = RemoveFile(OriginRecordPath(*result)) && gone;
    }
    return gone;
}

std::vector<std::string> CachedStepResults(const std::string& tempFolder)
{
    return FilesMatching(tempFolder, "*.tif");
}

void RemoveCachedStepResults(const std::string& tempFolder)
{
    for (const char* mask : {"*.tif", "*.from"})
        for (const std::string& path : FilesMatching(tempFolder, mask))
            RemoveFile(path);
}

} // namespace platform

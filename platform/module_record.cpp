#include "module_record.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

struct TextField {
    std::string ModuleRecord::*member;
    size_t offset;
    size_t size;
};

constexpr TextField kTextFields[] = {
    {&ModuleRecord::caption1, 0, 100},
    {&ModuleRecord::caption2, 100, 100},
    {&ModuleRecord::description, 200, 500},
    {&ModuleRecord::colourCode, 700, 100},
};

struct IntField {
    int32_t ModuleRecord::*member;
    size_t offset;
};

constexpr IntField kIntFields[] = {
    {&ModuleRecord::pageSplit, 800},
    {&ModuleRecord::position, 804},
};

} // namespace

std::vector<uint8_t> PackModuleRecord(const ModuleRecord& record)
{
    std::vector<uint8_t> bytes(kModuleRecordSize, 0);
    for (const TextField& f : kTextFields) {
        const std::string& text = record.*f.member;
        size_t n = std::min(std::strlen(text.c_str()), f.size - 1);
        std::memcpy(&bytes[f.offset], text.data(), n);
    }
    for (const IntField& f : kIntFields) {
        uint32_t v = static_cast<uint32_t>(record.*f.member);
        for (int i = 0; i < 4; ++i)
            bytes[f.offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    return bytes;
}

ModuleRecord UnpackModuleRecord(const uint8_t* data, size_t size)
{
    ModuleRecord record;
    for (const TextField& f : kTextFields) {
        if (f.offset >= size)
            continue;
        size_t avail = std::min(f.size, size - f.offset);
        const char* p = reinterpret_cast<const char*>(data + f.offset);
        const void* nul = std::memchr(p, 0, avail);
        size_t n = nul ? static_cast<const char*>(nul) - p : avail;
        (record.*f.member).assign(p, n);
    }
    for (const IntField& f : kIntFields) {
        if (f.offset + 4 > size)
            continue;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(data[f.offset + i]) << (8 * i);
        record.*f.member = static_cast<int32_t>(v);
    }
    return record;
}

bool ReadModuleRecordFile(const std::string& path, ModuleRecord* record)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t bytes[kModuleRecordSize];
    size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    *record = UnpackModuleRecord(bytes, got);
    return true;
}

bool WriteModuleRecordFile(const std::string& path, const ModuleRecord& record)
{
    std::vector<uint8_t> bytes = PackModuleRecord(record);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

} // namespace platform

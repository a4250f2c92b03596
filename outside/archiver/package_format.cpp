#include "package_format.h"

#include <windows.h>

#include <cstring>

namespace package {

namespace {

uint32_t GetU16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void PutU16(uint32_t v, uint8_t* p)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint32_t v, uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string UpperName(const std::string& name)
{
    std::string up = name;
    if (!up.empty())
        CharUpperBuffA(&up[0], static_cast<DWORD>(up.size()));
    return up;
}

bool IsDeviceName(const std::string& name)
{
    // Windows maps these to devices whatever the extension: "nul.txt" too.
    std::string stem = UpperName(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices)
        if (stem == d)
            return true;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
        stem[3] >= '1' && stem[3] <= '9')
        return true;
    return false;
}

bool Fail(const std::string& message, std::string* error)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

uint32_t Crc32(const uint8_t* data, size_t size)
{
    struct Table {
        uint32_t entry[256];
        Table()
        {
            for (uint32_t n = 0; n < 256; ++n) {
                uint32_t c = n;
                for (int k = 0; k < 8; ++k)
                    c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                entry[n] = c;
            }
        }
    };
    static const Table table;
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table.entry[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool IsSafeMemberName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxNameLength)
        return false;
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c))
            return false;
    }
    if (name.find("..") != std::string::npos)
        return false;
    // Windows drops a trailing dot or blank, so "a." would land on "a".
    if (name.back() == '.' || name.back() == ' ')
        return false;
    return !IsDeviceName(name);
}

bool SameMemberName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && UpperName(a) == UpperName(b);
}

bool BuildPackage(const std::vector<uint8_t>& stub, const std::vector<Member>& members,
                  std::vector<uint8_t>* package, std::string* error)
{
    package->clear();
    if (members.empty())
        return Fail("a package needs at least one member", error);
    uint64_t payloadSize = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        if (!IsSafeMemberName(m.name))
            return Fail("unsafe member name \"" + m.name + "\"", error);
        for (size_t j = 0; j < i; ++j)
            if (SameMemberName(members[j].name, m.name))
                return Fail("member name \"" + m.name + "\" occurs twice", error);
        payloadSize += kRecordFixedSize + m.name.size() + m.data.size();
    }
    uint64_t total = stub.size() + payloadSize + kTrailerSize;
    if (total > 0xFFFFFFFFu)
        return Fail("the package would be larger than 4 GB", error);

    std::vector<uint8_t>& out = *package;
    out.resize(static_cast<size_t>(total));
    if (!stub.empty())
        std::memcpy(out.data(), stub.data(), stub.size());
    size_t at = stub.size();
    for (const Member& m : members) {
        uint32_t size = static_cast<uint32_t>(m.data.size());
        const uint8_t* data = m.data.empty() ? nullptr : m.data.data();
        PutU16(static_cast<uint32_t>(m.name.size()), &out[at]);
        std::memcpy(&out[at + 2], m.name.data(), m.name.size());
        at += 2 + m.name.size();
        PutU32(size, &out[at]);
        PutU32(Crc32(data, size), &out[at + 4]);
        at += 8;
        if (size)
            std::memcpy(&out[at], data, size);
        at += size;
    }
    uint8_t* t = &out[at];
    std::memcpy(t + kTrailerMagic, kMagic, sizeof kMagic);
    PutU32(kVersion, t + kTrailerVersion);
    PutU32(static_cast<uint32_t>(members.size()), t + kTrailerCount);
    PutU32(static_cast<uint32_t>(stub.size()), t + kTrailerPayloadOffset);
    PutU32(static_cast<uint32_t>(payloadSize), t + kTrailerPayloadSize);
    PutU32(Crc32(out.data() + stub.size(), static_cast<size_t>(payloadSize)),
           t + kTrailerPayloadCrc);
    PutU32(Crc32(t, kTrailerSelfCrc), t + kTrailerSelfCrc);
    return true;
}

bool ReadPackage(const uint8_t* file, size_t size, std::vector<MemberView>* members,
                 std::string* error)
{
    members->clear();
    if (size < kTrailerSize)
        return Fail("no package data is attached (file too short)", error);
    const uint8_t* t = file + size - kTrailerSize;
    if (std::memcmp(t + kTrailerMagic, kMagic, sizeof kMagic) != 0)
        return Fail("no package data is attached", error);
    if (GetU32(t + kTrailerSelfCrc) != Crc32(t, kTrailerSelfCrc))
        return Fail("the package trailer is damaged", error);
    if (GetU32(t + kTrailerVersion) != kVersion)
        return Fail("unknown package version " + std::to_string(GetU32(t + kTrailerVersion)),
                    error);

    uint64_t count = GetU32(t + kTrailerCount);
    uint64_t offset = GetU32(t + kTrailerPayloadOffset);
    uint64_t payloadSize = GetU32(t + kTrailerPayloadSize);
    if (offset + payloadSize + kTrailerSize != size)
        return Fail("the package is truncated or its sizes are wrong", error);
    if (count == 0 || count > payloadSize / (kRecordFixedSize + 1))
        return Fail("the package's member count is wrong", error);
    const uint8_t* payload = file + offset;
    if (GetU32(t + kTrailerPayloadCrc) != Crc32(payload, static_cast<size_t>(payloadSize)))
        return Fail("the package data is damaged (checksum mismatch)", error);

    std::vector<MemberView> found;
    size_t at = 0;
    const size_t end = static_cast<size_t>(payloadSize);
    for (uint64_t i = 0; i < count; ++i) {
        std::string where = "member " + std::to_string(i + 1) + ": ";
        if (end - at < kRecordFixedSize)
            return Fail(where + "record is cut short", error);
        size_t nameLength = GetU16(payload + at);
        if (nameLength == 0 || nameLength > kMaxNameLength ||
            nameLength > end - at - kRecordFixedSize)
            return Fail(where + "bad name length", error);
        std::string name(reinterpret_cast<const char*>(payload + at + 2), nameLength);
        if (!IsSafeMemberName(name))
            return Fail(where + "unsafe name \"" + name + "\"", error);
        for (const MemberView& m : found)
            if (SameMemberName(m.name, name))
                return Fail(where + "name \"" + name + "\" occurs twice", error);
        at += 2 + nameLength;
        uint32_t dataSize = GetU32(payload + at);
        uint32_t dataCrc = GetU32(payload + at + 4);
        at += 8;
        if (dataSize > end - at)
            return Fail(where + "data size runs past the payload", error);
        if (Crc32(payload + at, dataSize) != dataCrc)
            return Fail(where + "data is damaged (checksum mismatch)", error);
        found.push_back(MemberView{name, payload + at, dataSize});
        at += dataSize;
    }
    if (at != end)
        return Fail("the package holds bytes after its last member", error);
    members->swap(found);
    return true;
}

} // namespace package

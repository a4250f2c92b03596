#pragma once
// The layout of a self-extracting package. The packer (rar.exe) writes it and
// the extracting stub (sfxwincon.sfx) reads it; both use only this code.
//
// A package file is   [stub image] [payload] [trailer]
// All numbers are little-endian, unsigned.
//
// Payload: the member records one after another, no padding.
//   offset   size  field
//   0        2     name length N, 1..255
//   2        N     name: plain ANSI file name, no terminator
//   2+N      4     data size D
//   6+N      4     CRC-32 of the data
//   10+N     D     data
//
// Trailer: the last 32 bytes of the file.
//   offset   size  field
//   0        8     magic  53 46 58 50 4B 47 1A 00  ("SFXPKG", 0x1A, 0x00)
//   8        4     format version, 1
//   12       4     member count, at least 1
//   16       4     payload offset from the start of the file (= stub size)
//   20       4     payload size
//   24       4     CRC-32 of the payload
//   28       4     CRC-32 of trailer bytes 0..27
//
// payload offset + payload size + 32 is exactly the file size.
// CRC-32 is the common reflected one: polynomial 0xEDB88320, start and final
// xor 0xFFFFFFFF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace package {

constexpr uint8_t kMagic[8] = {0x53, 0x46, 0x58, 0x50, 0x4B, 0x47, 0x1A, 0x00};
constexpr uint32_t kVersion = 1;

constexpr size_t kTrailerSize = 32;
constexpr size_t kTrailerMagic = 0;
constexpr size_t kTrailerVersion = 8;
constexpr size_t kTrailerCount = 12;
constexpr size_t kTrailerPayloadOffset = 16;
constexpr size_t kTrailerPayloadSize = 20;
constexpr size_t kTrailerPayloadCrc = 24;
constexpr size_t kTrailerSelfCrc = 28;

// Fixed part of a member record: name length, data size, data CRC.
constexpr size_t kRecordFixedSize = 2 + 4 + 4;
constexpr size_t kMaxNameLength = 255;

uint32_t Crc32(const uint8_t* data, size_t size);

// A name that can only mean a plain file in the current folder: not empty,
// at most kMaxNameLength, no path or drive parts, no "..", no wildcards or
// control characters, no trailing dot or blank, no device name (CON, NUL,...).
bool IsSafeMemberName(const std::string& name);

// File-name equality as the file system sees it (case does not matter).
bool SameMemberName(const std::string& a, const std::string& b);

struct Member {
    std::string name;
    std::vector<uint8_t> data;
};

// stub + payload + trailer. Fails (with a message) when there is no member,
// a name is unsafe or repeated, or the package would not fit 32-bit offsets.
bool BuildPackage(const std::vector<uint8_t>& stub, const std::vector<Member>& members,
                  std::vector<uint8_t>* package, std::string* error);

// A member as found inside a package buffer; data points into that buffer.
struct MemberView {
    std::string name;
    const uint8_t* data;
    uint32_t size;
};

// Checks a whole package file held in memory and lists its members. Every
// field is checked against the bytes that remain; nothing outside
// [file, file + size) is ever read. On any fault returns false with a message
// and leaves members empty.
bool ReadPackage(const uint8_t* file, size_t size, std::vector<MemberView>* members,
                 std::string* error);

} // namespace package

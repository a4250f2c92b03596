#pragma once
// A tiny package written out byte by byte from the layout table in
// package_format.h, for the golden tests of the reader, the writer, the stub
// and rar.exe. Members: "a.txt" = 'H' 'i' 00 0A, and "E", empty.
#include <cstdint>
#include <vector>

namespace golden {

inline std::vector<uint8_t> MemberA() { return {'H', 'i', 0x00, 0x0A}; }

// 30 bytes, CRC-32 0xA17CF8CC.
inline std::vector<uint8_t> Payload()
{
    return {
        0x05, 0x00,                     // name length 5
        'a', '.', 't', 'x', 't',        // name
        0x04, 0x00, 0x00, 0x00,         // data size 4
        0x7F, 0xB6, 0x37, 0xD8,         // CRC-32 of the data, 0xD837B67F
        'H', 'i', 0x00, 0x0A,           // data
        0x01, 0x00,                     // name length 1
        'E',                            // name
        0x00, 0x00, 0x00, 0x00,         // data size 0
        0x00, 0x00, 0x00, 0x00,         // CRC-32 of nothing
    };
}

// The trailer's first 28 bytes for the payload above placed at payloadOffset;
// the caller appends the CRC-32 of these bytes.
inline std::vector<uint8_t> TrailerHead(uint32_t payloadOffset)
{
    return {
        0x53, 0x46, 0x58, 0x50, 0x4B, 0x47, 0x1A, 0x00,     // magic
        0x01, 0x00, 0x00, 0x00,                             // version 1
        0x02, 0x00, 0x00, 0x00,                             // 2 members
        static_cast<uint8_t>(payloadOffset), static_cast<uint8_t>(payloadOffset >> 8),
        static_cast<uint8_t>(payloadOffset >> 16), static_cast<uint8_t>(payloadOffset >> 24),
        0x1E, 0x00, 0x00, 0x00,                             // payload size 30
        0xCC, 0xF8, 0x7C, 0xA1,                             // payload CRC-32 0xA17CF8CC
    };
}

} // namespace golden

#pragma once
// The markers and tags of a saved layer (a LayerRecord), the one definition
// that its writer and its reader share. All values are little-endian dwords;
// strings are in the stream form of ByteWriter::WriteString.
//
//   kStart, kHeadMark, scrambled flag (1 with a password, else 0), check
//   value (the scrambler's final state, 0 when plain), body length, the
//   layer's name (never scrambled), the body, kEnd.
//
// The body (plain or scrambled as a whole):
//   kBodyStart; the layer's properties in ascending code order, each a code
//   and a dword (the description a string, written only when not empty; the
//   name never, it is in the head); kPropertiesEnd; the group section when
//   the layer has groups; then per item its type code and its saved record.
//
// The group section:
//   kGroupsStart; per group kGroupStart, its tagged fields in the order of
//   kGroupFields, kGroupMember and a sequence number per member, kGroupEnd;
//   then kGroupsEnd.
#include <cstdint>

namespace layer_record {

constexpr uint32_t kStart = 36754;
constexpr uint32_t kHeadMark = 36752;
constexpr uint32_t kEnd = 36755;

constexpr uint32_t kBodyStart = 36762;
constexpr uint32_t kPropertiesEnd = 36763;

constexpr uint32_t kGroupsStart = 1792;
constexpr uint32_t kGroupsEnd = 1793;
constexpr uint32_t kGroupStart = 1794;
constexpr uint32_t kGroupEnd = 1795;
constexpr uint32_t kGroupName = 1796;        // string, written when not empty
constexpr uint32_t kGroupUserString = 1797;  // string, written when not empty
constexpr uint32_t kGroupUserLong = 1798;    // dword, written when not 0
constexpr uint32_t kGroupMember = 1799;      // dword: a member's sequence number
constexpr uint32_t kGroupId = 1800;          // dword, always
constexpr uint32_t kGroupYoked = 1801;       // dword 0 or 1, always
constexpr uint32_t kGroupSelected = 1802;    // dword 0 or 1, always
constexpr uint32_t kGroupRect = 1803;        // four int32: left, top, right, bottom

// The tagged fields of a group in the order they are written.
constexpr uint32_t kGroupFields[] = {kGroupName,  kGroupUserLong, kGroupId,  kGroupUserString,
                                     kGroupYoked, kGroupSelected, kGroupRect};

} // namespace layer_record

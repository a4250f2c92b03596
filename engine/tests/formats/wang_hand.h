#pragma once
// Blocks of the Wang/Oi annotation data written out by hand: dwords
// little-endian, names in 8 bytes, mark attributes field by field.
#include "hand_bytes.h"

#include <cstring>
#include <string>

namespace formats_test {

// A named block: type, 12, the name NUL-padded to 8 bytes, length, data.
inline Hand& WangNamed(Hand& h, uint32_t type, const char* name, const Bytes& data)
{
    char field[8] = {};
    std::memcpy(field, name, std::strlen(name));
    h.D(type).D(12).Raw(Bytes(field, field + 8)).D(static_cast<uint32_t>(data.size())).Raw(data);
    return h;
}

inline Bytes Chars(const char* text, size_t count)
{
    Bytes bytes(count, 0);
    std::memcpy(bytes.data(), text, std::strlen(text) < count ? std::strlen(text) : count);
    return bytes;
}

// The 42-byte group form: 12, "[Untitled]" and two NULs, the same in UTF-16, six NULs.
inline Bytes UntitledUnicodeGroup()
{
    Hand h;
    h.D(12).Raw(Chars("[Untitled]", 12));
    for (char c : std::string("[Untitled]")) h.Raw({static_cast<uint8_t>(c), 0});
    h.Raw(Bytes(6, 0));
    return h.bytes();
}

struct WangMarkFields {
    uint32_t type = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    uint8_t colour1[4] = {};  // blue, green, red, 0
    uint8_t colour2[4] = {};
    uint32_t highlighting = 0;
    uint32_t transparent = 0;
    uint32_t lineSize = 0;
    int32_t fontHeight = 0;
    int32_t escapement = 0;  // also the orientation
    uint32_t fontWeight = 0;
    uint8_t charSet = 0;
    const char* face = "";
    int32_t time = 0;
    int32_t visible = 1;
};

// A mark block: 5, 164, then the 164 bytes of the attributes.
inline Hand& WangMarkBlock(Hand& h, const WangMarkFields& m)
{
    h.D(5).D(164).D(m.type).D(m.left).D(m.top).D(m.right).D(m.bottom);
    h.Raw(Bytes(m.colour1, m.colour1 + 4)).Raw(Bytes(m.colour2, m.colour2 + 4));
    h.D(m.highlighting).D(m.transparent).D(m.lineSize).D(0).D(0);
    // LOGFONTA: height, width, escapement, orientation, weight, italic,
    // underline, strike-out, character set, four more bytes, the face in 32.
    h.D(m.fontHeight).D(0).D(m.escapement).D(m.escapement).D(m.fontWeight).Raw({0, 0, 0, m.charSet, 0, 0, 0, 0});
    h.Raw(Chars(m.face, 32));
    h.D(0).D(m.time).D(m.visible).D(0x000FF83F).Raw(Bytes(40, 0));
    return h;
}

} // namespace formats_test

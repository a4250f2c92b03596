#include "formats/layer_scrambler.h"

#include "formats/ansi_text.h"

#include <windows.h>

namespace {

struct Table {
    uint32_t entries[256];
    Table()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[i] = c;
        }
    }
};

const Table& TheTable()
{
    static const Table table;
    return table;
}

uint8_t Mask(uint32_t s)
{
    return static_cast<uint8_t>(s ^ (s >> 8) ^ (s >> 16) ^ (s >> 24));
}

uint32_t StepWith(const uint32_t* table, uint8_t b, uint32_t s)
{
    return (s >> 8) ^ table[(b ^ s) & 0xFF];
}

} // namespace

uint32_t LayerScrambler::Step(uint8_t b, uint32_t s)
{
    return StepWith(TheTable().entries, b, s);
}

uint32_t LayerScrambler::Key(const std::string& key)
{
    uint32_t s = 0;
    for (char c : key) {
        if (c == 0)
            break;
        s = Step(static_cast<uint8_t>(c), s);
    }
    return s;
}

uint32_t LayerScrambler::Scramble(const std::string& key, uint8_t* bytes, size_t count)
{
    const uint32_t* table = TheTable().entries;
    uint32_t s = Key(key);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t out = bytes[i] ^ Mask(s);
        bytes[i] = out;
        s = StepWith(table, out, s);
    }
    return s;
}

uint32_t LayerScrambler::Unscramble(const std::string& key, uint8_t* bytes, size_t count)
{
    const uint32_t* table = TheTable().entries;
    uint32_t s = Key(key);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t in = bytes[i];
        bytes[i] = in ^ Mask(s);
        s = StepWith(table, in, s);
    }
    return s;
}

std::string LayerScrambler::KeyOfPassword(const std::wstring& password)
{
    return ToAnsi(password);
}

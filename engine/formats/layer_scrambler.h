#pragma once
// The keyed byte scrambler of a layer saved with a password.
//
// Its state is one 32-bit value stepped over bytes with the reflected CRC-32
// table (polynomial 0xEDB88320), without initial or final inversion. The key
// seeds the state; each byte is XORed with the four bytes of the state XORed
// together, and the state then steps over the scrambled byte. So scrambling
// and unscrambling with the same key end in the same state, which a saved
// layer keeps as its check value: a reader with another key ends elsewhere.
#include <cstddef>
#include <cstdint>
#include <string>

class LayerScrambler {
public:
    // The state after stepping from s over byte b.
    static uint32_t Step(uint8_t b, uint32_t s);
    // The state seeded by a key: its bytes up to the first NUL.
    static uint32_t Key(const std::string& key);
    // Scrambles (or unscrambles) count bytes in place; returns the final state.
    static uint32_t Scramble(const std::string& key, uint8_t* bytes, size_t count);
    static uint32_t Unscramble(const std::string& key, uint8_t* bytes, size_t count);
    // A password as the scrambler's key: the text in the thread's ANSI code page.
    static std::string KeyOfPassword(const std::wstring& password);
};

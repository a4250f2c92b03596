// The layer scrambler against vectors worked out from its definition (the
// reflected CRC-32 table stepped without inversions, each byte XORed with the
// XOR of the state's four bytes, the state stepped over the scrambled byte).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/layer_scrambler.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(LayerScrambler, KeySeedsTheStateFromTheBytesBeforeTheFirstNul)
{
    struct Case {
        std::string key;
        uint32_t state;
    };
    const Case cases[] = {
        {"", 0x00000000},
        {"a", 0x3AB551CE},
        {"secret", 0xED604946},
        {"Marlow Tennet", 0xDEAECF1F},
        {std::string("secret\0more", 11), 0xED604946},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LayerScrambler::Key(c.key), c.state) << c.key;
    EXPECT_EQ(LayerScrambler::Step(0x61, 0), 0x3AB551CEu);
}

TEST(LayerScrambler, ScramblesKnownBytesAndBothDirectionsEndInTheCheckValue)
{
    struct Case {
        std::string key;
        Bytes plain;
        Bytes scrambled;
        uint32_t check;
    };
    const Case cases[] = {
        {"secret",
         {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F},
         {0x82, 0xFF, 0x61, 0xB0, 0x11, 0x19, 0xDC, 0x6D, 0xBE, 0x28, 0x36, 0x3A, 0x12, 0x0A, 0x4A, 0x3F},
         0x322D5108},
        {"a", {'H', 'e', 'l', 'l', 'o'}, {0x58, 0x89, 0x52, 0xBB, 0xAF}, 0x75FA9290},
        // No bytes: the check value is the key's state.
        {"secret", {}, {}, 0xED604946},
    };
    for (const Case& c : cases) {
        Bytes bytes = c.plain;
        EXPECT_EQ(LayerScrambler::Scramble(c.key, bytes.data(), bytes.size()), c.check) << c.key;
        EXPECT_EQ(bytes, c.scrambled) << c.key;
        EXPECT_EQ(LayerScrambler::Unscramble(c.key, bytes.data(), bytes.size()), c.check) << c.key;
        EXPECT_EQ(bytes, c.plain) << c.key;
    }
}

TEST(LayerScrambler, AnotherKeyEndsInAnotherState)
{
    Bytes bytes = {0x82, 0xFF, 0x61, 0xB0, 0x11, 0x19, 0xDC, 0x6D};
    for (const char* key : {"secreT", "secret ", "", "x"}) {
        Bytes copy = bytes;
        EXPECT_NE(LayerScrambler::Unscramble(key, copy.data(), copy.size()),
                  LayerScrambler::Unscramble("secret", Bytes(bytes).data(), bytes.size()))
            << key;
    }
}

TEST(LayerScrambler, PasswordsBecomeKeysInTheAnsiCodePage)
{
    EXPECT_EQ(LayerScrambler::KeyOfPassword(L"secret"), "secret");
    EXPECT_EQ(LayerScrambler::KeyOfPassword(L""), "");
    // The test prefix runs with the Western code page: e acute is one byte.
    EXPECT_EQ(LayerScrambler::KeyOfPassword(L"caf\u00E9"), "caf\xE9");
}

} // namespace

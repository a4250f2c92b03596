// CCITT T.6 (Group 4) coding of a 1-bit page: every row is coded in two
// dimensions against the row above it (an imaginary all-white row above the
// first), with pass, horizontal and vertical modes, and the page is ended by
// EOFB (two EOL codes). Bits are written most significant first (FillOrder 1)
// and the last byte is padded with zero bits.
#include "tiff_writer.h"

#include <algorithm>
#include <array>

namespace imaging {
namespace {

struct Code {
    uint16_t bits = 0;   // right-aligned
    uint8_t length = 0;
};

// The code words of ITU-T T.4 tables 2 and 3, as written there.
const char* const kWhiteTerminating[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100",
};

const char* const kBlackTerminating[64] = {
    "0000110111",   "010",          "11",           "10",           "011",
    "0011",         "0010",         "00011",        "000101",       "000100",
    "0000100",      "0000101",      "0000111",      "00000100",     "00000111",
    "000011000",    "0000010111",   "0000011000",   "0000001000",   "00001100111",
    "00001101000",  "00001101100",  "00000110111",  "00000101000",  "00000010111",
    "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010",
    "000011010011", "000011010100", "000011010101", "000011010110", "000011010111",
    "000001101100", "000001101101", "000011011010", "000011011011", "000001010100",
    "000001010101", "000001010110", "000001010111", "000001100100", "000001100101",
    "000001010010", "000001010011", "000000100100", "000000110111", "000000111000",
    "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111",
};

// Make-up codes for 64, 128, ... 1728.
const char* const kWhiteMakeUp[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011",
};

const char* const kBlackMakeUp[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",
    "000000110100",  "000000110101",  "0000001101100", "0000001101101", "0000001001010",
    "0000001001011", "0000001001100", "0000001001101", "0000001110010", "0000001110011",
    "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
    "0000001100100", "0000001100101",
};

// Extended make-up codes, the same for both colours: 1792, 1856, ... 2560.
const char* const kExtendedMakeUp[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111",
};

constexpr Code Bits(uint16_t bits, uint8_t length) { return Code{bits, length}; }

// Mode codes of T.4 table 4 (two-dimensional coding).
constexpr Code kPass = Bits(0x1, 4);           // 0001
constexpr Code kHorizontal = Bits(0x1, 3);     // 001
constexpr Code kVertical[7] = {
    Bits(0x2, 7),   // VL3 0000010
    Bits(0x2, 6),   // VL2 000010
    Bits(0x2, 3),   // VL1 010
    Bits(0x1, 1),   // V0  1
    Bits(0x3, 3),   // VR1 011
    Bits(0x3, 6),   // VR2 000011
    Bits(0x3, 7),   // VR3 0000011
};
constexpr Code kEol = Bits(0x1, 12);           // 000000000001

Code Parse(const char* text)
{
    Code c;
    for (; *text; ++text) {
        c.bits = static_cast<uint16_t>((c.bits << 1) | (*text == '1' ? 1 : 0));
        ++c.length;
    }
    return c;
}

struct Tables {
    Code terminating[2][64];
    Code makeUp[2][27];
    Code extended[13];
    Tables()
    {
        for (int i = 0; i < 64; ++i) {
            terminating[0][i] = Parse(kWhiteTerminating[i]);
            terminating[1][i] = Parse(kBlackTerminating[i]);
        }
        for (int i = 0; i < 27; ++i) {
            makeUp[0][i] = Parse(kWhiteMakeUp[i]);
            makeUp[1][i] = Parse(kBlackMakeUp[i]);
        }
        for (int i = 0; i < 13; ++i)
            extended[i] = Parse(kExtendedMakeUp[i]);
    }
};

const Tables& CodeTables()
{
    static const Tables tables;
    return tables;
}

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}
    void Put(Code c)
    {
        acc_ = (acc_ << c.length) | c.bits;
        count_ += c.length;
        while (count_ >= 8) {
            count_ -= 8;
            out_->push_back(static_cast<uint8_t>(acc_ >> count_));
        }
        acc_ &= (1u << count_) - 1;
    }
    void Flush()
    {
        if (count_ > 0)
            out_->push_back(static_cast<uint8_t>(acc_ << (8 - count_)));
        acc_ = 0;
        count_ = 0;
    }

private:
    std::vector<uint8_t>* out_;
    uint32_t acc_ = 0;
    int count_ = 0;
};

void PutRun(BitWriter& w, const Tables& t, int run, int colour)
{
    while (run >= 2560) {
        w.Put(t.extended[12]);
        run -= 2560;
    }
    if (run >= 64) {
        int m = run / 64;
        if (m * 64 >= 1792)
            w.Put(t.extended[m - 28]);
        else
            w.Put(t.makeUp[colour][m - 1]);
        run -= m * 64;
    }
    w.Put(t.terminating[colour][run]);
}

// The changing elements of a row: the positions whose pixel differs from the
// one before it (an imaginary white pixel before the first). Element i turns
// the row black when i is even and white when i is odd. Three copies of the
// width follow as end marks, so that b1 and b2 always exist.
void FindChanges(const uint8_t* row, int width, std::vector<int>* changes)
{
    changes->clear();
    int colour = 0;
    int x = 0;
    while (x < width) {
        if ((x & 7) == 0 && x + 8 <= width) {
            uint8_t b = row[x >> 3];
            if (b == (colour ? 0xFF : 0x00)) {
                x += 8;
                continue;
            }
        }
        int pixel = (row[x >> 3] >> (7 - (x & 7))) & 1;
        if (pixel != colour) {
            changes->push_back(x);
            colour = pixel;
        }
        ++x;
    }
    changes->insert(changes->end(), 3, width);
}

void EncodeRow(BitWriter& w, const Tables& t, const std::vector<int>& ref,
               const std::vector<int>& cur, int width)
{
    int a0 = -1;     // -1: the imaginary white element before the row
    int colour = 0;  // the colour of a0: 0 white, 1 black
    while (a0 < width) {
        size_t ia = std::upper_bound(cur.begin(), cur.end(), a0) - cur.begin();
        int a1 = cur[ia];
        // b1: first element of the reference row right of a0 that turns the
        // row to the colour opposite a0's, i.e. with index parity == colour.
        size_t ib = std::upper_bound(ref.begin(), ref.end(), a0) - ref.begin();
        if (ib < ref.size() - 1 && static_cast<int>(ib & 1) != colour)
            ++ib;
        int b1 = ref[ib];
        int b2 = ref[std::min(ib + 1, ref.size() - 1)];
        if (b2 < a1) {
            w.Put(kPass);
            a0 = b2;
        } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
            w.Put(kVertical[a1 - b1 + 3]);
            a0 = a1;
            colour ^= 1;
        } else {
            int a2 = cur[std::min(ia + 1, cur.size() - 1)];
            w.Put(kHorizontal);
            PutRun(w, t, a1 - std::max(a0, 0), colour);
            PutRun(w, t, a2 - a1, colour ^ 1);
            a0 = a2;
        }
    }
}

} // namespace

std::vector<uint8_t> EncodeGroup4(const Raster& bilevel)
{
    std::vector<uint8_t> out;
    if (bilevel.layout != PixelLayout::Bilevel || bilevel.width <= 0 || bilevel.height <= 0 ||
        bilevel.pixels.size() != bilevel.RowBytes() * static_cast<size_t>(bilevel.height))
        return out;
    const Tables& t = CodeTables();
    BitWriter w(&out);
    std::vector<int> ref(3, bilevel.width), cur;
    ref.reserve(64);
    cur.reserve(64);
    for (int y = 0; y < bilevel.height; ++y) {
        FindChanges(bilevel.Row(y), bilevel.width, &cur);
        EncodeRow(w, t, ref, cur, bilevel.width);
        ref.swap(cur);
    }
    w.Put(kEol);
    w.Put(kEol);
    w.Flush();
    return out;
}

} // namespace imaging

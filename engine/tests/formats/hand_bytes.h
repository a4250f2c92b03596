#pragma once
// Records written out by hand for the format tests: dwords little-endian,
// strings in the stream form (a byte count that includes the two-byte NUL,
// then UTF-16LE text and the NUL), 60-byte ANSI fonts. Independent of the
// engine's own writers.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace formats_test {

using Bytes = std::vector<uint8_t>;

class Hand {
public:
    Hand& D(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    // A code and its dword value.
    Hand& R(uint32_t code, uint32_t value) { return D(code).D(value); }
    Hand& Str(const std::wstring& text)
    {
        D(static_cast<uint32_t>(text.size() * 2 + 2));
        for (wchar_t c : text) {
            bytes_.push_back(static_cast<uint8_t>(c));
            bytes_.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes_.push_back(0);
        bytes_.push_back(0);
        return *this;
    }
    // lfHeight, then four zero int32s, eight zero bytes and the face padded to 32.
    Hand& Font(int32_t height, const char* face)
    {
        D(static_cast<uint32_t>(height)).D(0).D(0).D(0).D(0).D(0).D(0);
        char name[32] = {};
        std::strncpy(name, face, 31);
        bytes_.insert(bytes_.end(), name, name + 32);
        return *this;
    }
    Hand& Raw(const Bytes& more)
    {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    // Remembers where the next byte goes.
    Hand& Mark(const std::string& name)
    {
        marks_[name] = bytes_.size();
        return *this;
    }
    Hand& MarkAt(const std::string& name, size_t offset)
    {
        marks_[name] = offset;
        return *this;
    }
    size_t At(const std::string& name) const { return marks_.at(name); }
    const std::map<std::string, size_t>& Marks() const { return marks_; }
    size_t Size() const { return bytes_.size(); }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
    std::map<std::string, size_t> marks_;
};

inline void PutDword(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace formats_test

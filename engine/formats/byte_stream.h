#pragma once
// Bounded little-endian record I/O shared by every saved format of the engine.
//
// ByteWriter appends to a buffer it owns, up to an optional byte limit.
// ByteReader reads a block it does not own (unless told to keep a copy) and
// never reads past its end. Both
// fail sticky: once a write or read has failed, every later one fails too and
// moves nothing, so a caller may check once after a run of calls. A failed
// record operation answers QMK_ErrStorageStream (1011).
//
// Strings use the stream form of every engine format: a 32-bit byte count
// that includes the two-byte terminating NUL (0 = no string), then the UTF-16
// text and its NUL.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteWriter {
public:
    static constexpr size_t kNoLimit = static_cast<size_t>(-1);

    // limit: the most bytes the writer takes; a write that would pass it fails.
    explicit ByteWriter(size_t limit = kNoLimit) : limit_(limit) {}

    bool WriteUInt32(uint32_t value);
    bool WriteInt32(int32_t value) { return WriteUInt32(static_cast<uint32_t>(value)); }
    bool WriteUInt64(uint64_t value);
    bool WriteBytes(const void* data, size_t count);
    // The stream form of a string of length UTF-16 units (no NUL among them
    // needed); the count written includes the NUL that follows the text.
    bool WriteString(const wchar_t* text, size_t length);
    // The stream form of "no string": a count of 0.
    bool WriteNoString() { return WriteUInt32(0); }

    bool Failed() const { return failed_; }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    bool Reserve(size_t count);

    std::vector<uint8_t> bytes_;
    size_t limit_;
    bool failed_ = false;
};

class ByteReader {
public:
    // Reads the size bytes at data (which stay the caller's and must outlive
    // the reader, or its KeepRest). A null data reads as empty.
    ByteReader(const void* data, size_t size);

    // Inline: every record of every format is made of these.
    bool ReadUInt32(uint32_t& value)
    {
        if (failed_ || Remaining() < 4) {
            failed_ = true;
            return false;
        }
        const uint8_t* b = data_ + position_;
        value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        position_ += 4;
        return true;
    }
    bool ReadInt32(int32_t& value)
    {
        uint32_t raw = 0;
        if (!ReadUInt32(raw))
            return false;
        value = static_cast<int32_t>(raw);
        return true;
    }
    bool ReadUInt64(uint64_t& value);
    bool ReadBytes(void* out, size_t count);
    bool Skip(size_t count);
    // Passes over the next count bytes; where receives their address in the
    // reader's block. Refused when fewer remain.
    bool ReadSpan(size_t count, const uint8_t*& where);
    // A count of elements of elementSize bytes each, refused when that many
    // elements would not fit in what remains.
    bool ReadCount(size_t elementSize, uint32_t& count);
    // A string in stream form. present tells a count of 0 (no string) from an
    // empty text. Refused: a count that is odd, 1 or more than remains. The
    // text ends at its first NUL.
    bool ReadString(std::wstring& text, bool& present);

    bool Failed() const { return failed_; }
    size_t Position() const { return kept_ + position_; }
    size_t Remaining() const { return size_ - position_; }

    // Copies what remains into storage of the reader's own and reads on from
    // there, so that what is still to be read no longer depends on the
    // caller's block: a reader about to call out, which may free or change
    // that block, keeps its bytes first. Addresses given before stay in the
    // caller's block; positions still count from the block's start.
    void KeepRest();

private:
    bool Take(size_t count, const uint8_t*& where);

    std::vector<uint8_t> own_;
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    size_t kept_ = 0;  // the bytes before the reader's own copy
    bool failed_ = false;
};

#include "formats/byte_stream.h"

#include <cstring>
#include <new>

bool ByteWriter::Reserve(size_t count) {
    if (failed_) return false;
    if (count > limit_ || bytes_.size() > limit_ - count) {
        failed_ = true;
        return false;
    }
    return true;
}

bool ByteWriter::WriteBytes(const void* data, size_t count) {
    if (!Reserve(count)) return false;
    if (count == 0) return true;
    try {
        const uint8_t* from = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + count);
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return false;
    }
    return true;
}

bool ByteWriter::WriteUInt32(uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return WriteBytes(bytes, sizeof(bytes));
}

bool ByteWriter::WriteUInt64(uint64_t value) {
    return WriteUInt32(static_cast<uint32_t>(value)) &&
           WriteUInt32(static_cast<uint32_t>(value >> 32));
}

bool ByteWriter::WriteString(const wchar_t* text, size_t length) {
    // The count is a 32-bit byte count that must also hold the NUL.
    if (length > (0xFFFFFFFFu - 2) / 2) {
        failed_ = true;
        return false;
    }
    const uint32_t byteCount = static_cast<uint32_t>(length * 2 + 2);
    if (!Reserve(size_t(4) + byteCount)) return false;
    WriteUInt32(byteCount);
    for (size_t i = 0; i < length; ++i) {
        const uint16_t unit = static_cast<uint16_t>(text[i]);
        const uint8_t bytes[2] = {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)};
        WriteBytes(bytes, 2);
    }
    const uint8_t nul[2] = {0, 0};
    return WriteBytes(nul, 2);
}

ByteReader::ByteReader(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data)), size_(data ? size : 0) {}

void ByteReader::KeepRest() {
    if (!own_.empty() && data_ == own_.data() && position_ == 0) return;
    std::vector<uint8_t> rest(data_ + position_, data_ + size_);
    own_.swap(rest);
    kept_ += position_;
    data_ = own_.data();
    size_ = own_.size();
    position_ = 0;
}

bool ByteReader::Take(size_t count, const uint8_t*& where) {
    if (failed_ || count > Remaining()) {
        failed_ = true;
        return false;
    }
    where = data_ + position_;
    position_ += count;
    return true;
}

bool ByteReader::ReadBytes(void* out, size_t count) {
    const uint8_t* where = nullptr;
    if (!Take(count, where)) return false;
    if (count) std::memcpy(out, where, count);
    return true;
}

bool ByteReader::ReadSpan(size_t count, const uint8_t*& where) { return Take(count, where); }

bool ByteReader::Skip(size_t count) {
    const uint8_t* where = nullptr;
    return Take(count, where);
}

bool ByteReader::ReadUInt64(uint64_t& value) {
    uint32_t low = 0, high = 0;
    if (!ReadUInt32(low) || !ReadUInt32(high)) return false;
    value = uint64_t(high) << 32 | low;
    return true;
}

bool ByteReader::ReadCount(size_t elementSize, uint32_t& count) {
    uint32_t announced = 0;
    if (!ReadUInt32(announced)) return false;
    if (elementSize != 0 && announced > Remaining() / elementSize) {
        failed_ = true;
        return false;
    }
    count = announced;
    return true;
}

bool ByteReader::ReadString(std::wstring& text, bool& present) {
    uint32_t byteCount = 0;
    if (!ReadUInt32(byteCount)) return false;
    if (byteCount == 0) {
        text.clear();
        present = false;
        return true;
    }
    const uint8_t* where = nullptr;
    if (byteCount % 2 != 0 || byteCount < 2 || !Take(byteCount, where)) {
        failed_ = true;
        return false;
    }
    std::wstring result;
    for (uint32_t i = 0; i + 1 < byteCount; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(where[i] | where[i + 1] << 8);
        if (unit == 0) break;
        result.push_back(unit);
    }
    text.swap(result);
    present = true;
    return true;
}

#include "objects/text_buffer.h"

#include <climits>
#include <cstring>

TextBuffer::TextBuffer() {
    block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(wchar_t) * kStep);
    chars_ = block_ ? static_cast<wchar_t*>(GlobalLock(block_)) : nullptr;
    if (chars_) {
        capacity_ = kStep;
    } else if (block_) {
        GlobalFree(block_);
        block_ = nullptr;
    }
}

TextBuffer::~TextBuffer() { Release(); }

void TextBuffer::Release() {
    if (block_) {
        GlobalUnlock(block_);
        GlobalFree(block_);
    }
    block_ = nullptr;
    chars_ = nullptr;
    capacity_ = length_ = caret_ = 0;
}

bool TextBuffer::EnsureRoom(int needed) {
    // One unit more than the text for the NUL.
    if (needed < 0 || needed >= INT_MAX - kStep) {
        Release();
        return false;
    }
    if (needed < capacity_) return true;
    const int wanted = (needed / kStep + 1) * kStep;
    HGLOBAL grown = nullptr;
    if (block_) {
        GlobalUnlock(block_);
        grown = GlobalReAlloc(block_, sizeof(wchar_t) * static_cast<SIZE_T>(wanted),
                              GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown) {
            GlobalFree(block_);
            block_ = nullptr;
        }
    } else {
        grown = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(wchar_t) * static_cast<SIZE_T>(wanted));
    }
    wchar_t* chars = grown ? static_cast<wchar_t*>(GlobalLock(grown)) : nullptr;
    if (!chars) {
        if (grown) GlobalFree(grown);
        block_ = nullptr;
        chars_ = nullptr;
        capacity_ = length_ = caret_ = 0;
        return false;
    }
    // The system zero-fills what a reallocation adds; the old tail was zero.
    block_ = grown;
    chars_ = chars;
    std::memset(chars_ + capacity_, 0, sizeof(wchar_t) * static_cast<size_t>(wanted - capacity_));
    capacity_ = wanted;
    return true;
}

void TextBuffer::Clear() {
    if (chars_) std::memset(chars_, 0, sizeof(wchar_t) * static_cast<size_t>(capacity_));
    length_ = caret_ = 0;
}

bool TextBuffer::Reset(int n) {
    if (n < 0) n = 0;
    Clear();
    if (!EnsureRoom(n)) return false;
    length_ = caret_ = n;
    return true;
}

bool TextBuffer::Append(wchar_t unit) { return AppendRun(&unit, 1); }

bool TextBuffer::AppendRun(const wchar_t* units, int n) {
    if (n <= 0) return true;
    if (n > INT_MAX - length_ - 1 || !EnsureRoom(length_ + n)) return false;
    std::memcpy(chars_ + length_, units, sizeof(wchar_t) * static_cast<size_t>(n));
    length_ += n;
    caret_ = length_;
    return true;
}

int TextBuffer::InsertRun(int index, const wchar_t* units, int n) {
    if (index < 0 || index > length_ || n <= 0) return 0;
    if (n > INT_MAX - length_ - 1 || !EnsureRoom(length_ + n)) return 0;
    std::memmove(chars_ + index + n, chars_ + index,
                 sizeof(wchar_t) * static_cast<size_t>(length_ - index));
    std::memcpy(chars_ + index, units, sizeof(wchar_t) * static_cast<size_t>(n));
    length_ += n;
    return n;
}

bool TextBuffer::Type(wchar_t unit) {
    if (caret_ >= length_) return Append(unit);
    if (insertMode_) {
        const int at = caret_;
        if (InsertRun(at, &unit, 1) != 1) return false;
        caret_ = at + 1;
        return true;
    }
    chars_[caret_++] = unit;
    return true;
}

void TextBuffer::DeleteRange(int index, int n) {
    if (index < 0 || n <= 0 || index > length_ || n > length_ - index) return;
    std::memmove(chars_ + index, chars_ + index + n,
                 sizeof(wchar_t) * static_cast<size_t>(length_ - index - n));
    length_ -= n;
    std::memset(chars_ + length_, 0, sizeof(wchar_t) * static_cast<size_t>(n));
    if (caret_ > length_) caret_ = length_;
}

void TextBuffer::DeleteForward() {
    if (length_ > 0 && caret_ < length_) DeleteRange(caret_, 1);
}

void TextBuffer::DeleteBackward() {
    if (length_ > 0 && caret_ > 0 && caret_ <= length_) {
        const int at = caret_ - 1;
        DeleteRange(at, 1);
        caret_ = at;
    }
}

bool TextBuffer::SetCaret(int index) {
    if (index < 0 || index > length_) return false;
    caret_ = index;
    return true;
}

void TextBuffer::CaretLeft() {
    if (caret_ > 0) --caret_;
}

void TextBuffer::CaretRight() {
    if (caret_ < length_) ++caret_;
}

#pragma once
// The editable text of a text item: UTF-16 units in one moveable, zero-filled
// global block, with an insertion index and the insert/overwrite mode.
//
// The block always holds at least one unit more than the text, and every
// unit past the text is zero, so the text is NUL-terminated at all times.
// It grows in steps of kStep units, to whatever an insertion needs at once.
// When memory runs out the text is lost (length and capacity 0) and the
// operation that asked for room reports failure.
#include <windows.h>

class TextBuffer {
public:
    static constexpr int kStep = 65536;

    TextBuffer();
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    const wchar_t* Chars() const { return chars_ ? chars_ : L""; }
    int Length() const { return length_; }
    int Capacity() const { return capacity_; }
    int Caret() const { return caret_; }
    bool InsertMode() const { return insertMode_; }

    void Clear();
    // Room for n units, zeroed; length and caret become n. The caller fills
    // the units through MutableChars. False (and empty) without memory.
    bool Reset(int n);
    wchar_t* MutableChars() { return chars_; }
    bool Append(wchar_t unit);
    bool AppendRun(const wchar_t* units, int n);
    // The units inserted at index (0 when index lies past the text or memory
    // ran out); the caret is not moved.
    int InsertRun(int index, const wchar_t* units, int n);
    // A typed unit: appended at the end, inserted or overwriting at the
    // caret by the mode; the caret moves past it.
    bool Type(wchar_t unit);
    void DeleteForward();
    void DeleteBackward();
    // Removes n units at index when they all lie in the text.
    void DeleteRange(int index, int n);
    bool SetCaret(int index);
    void CaretLeft();
    void CaretRight();
    void ToggleInsertMode() { insertMode_ = !insertMode_; }

private:
    // Makes room for at least `needed` units plus the NUL.
    bool EnsureRoom(int needed);
    void Release();

    HGLOBAL block_ = nullptr;
    wchar_t* chars_ = nullptr;
    int capacity_ = 0;
    int length_ = 0;
    int caret_ = 0;
    bool insertMode_ = true;
};

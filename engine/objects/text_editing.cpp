// Text items: the item's own editor, with the keys, the characters, the
// selection and the clipboard.
#include <algorithm>
#include <cstring>
#include <string>

#include "objects/text_annotation.h"
#include "view/unit_names.h"

namespace {

constexpr wchar_t kCR = 13;
constexpr wchar_t kLF = 10;

bool KeyDown(int key) { return GetKeyState(key) < 0; }

// The larger width and the larger height of two boxes from one corner.
RECT UnionFromCorner(const RECT& a, const RECT& b) {
    return RECT{a.left, a.top, a.left + std::max(a.right - a.left, b.right - b.left),
                a.top + std::max(a.bottom - a.top, b.bottom - b.top)};
}

// The units of a clipboard text block, read no further than the block.
std::wstring UnicodeBlockText(HANDLE block) {
    const SIZE_T size = GlobalSize(block);
    const wchar_t* units = static_cast<const wchar_t*>(GlobalLock(block));
    if (!units) return std::wstring();
    const size_t most = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < most && units[length] != 0) ++length;
    std::wstring text(units, length);
    GlobalUnlock(block);
    return text;
}

std::wstring AnsiBlockText(HANDLE block) {
    const SIZE_T size = GlobalSize(block);
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes) return std::wstring();
    size_t length = 0;
    while (length < size && bytes[length] != 0) ++length;
    std::wstring text;
    if (length > 0) {
        const int units = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), nullptr, 0);
        if (units > 0) {
            text.resize(static_cast<size_t>(units));
            MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(length), &text[0], units);
        }
    }
    GlobalUnlock(block);
    return text;
}

bool SetClipboardBlock(UINT format, const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    void* target = block ? GlobalLock(block) : nullptr;
    if (!target) {
        if (block) GlobalFree(block);
        return false;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    if (!SetClipboardData(format, block)) {
        GlobalFree(block);
        return false;
    }
    return true;
}

} // namespace

void TextAnnotation::ClearSelection() { selStart_ = selEnd_ = selAnchor_ = -1; }

void TextAnnotation::SetSelection(int anchor, int caret) {
    if (anchor == caret) {
        ClearSelection();
        selAnchor_ = anchor;
        return;
    }
    selAnchor_ = anchor;
    selStart_ = std::min(anchor, caret);
    selEnd_ = std::max(anchor, caret) - 1;
}

bool TextAnnotation::DeleteSelection() {
    if (selStart_ < 0 || selEnd_ < selStart_) {
        ClearSelection();
        return false;
    }
    const int start = selStart_;
    buffer_.DeleteRange(start, selEnd_ - start + 1);
    buffer_.SetCaret(std::min(start, buffer_.Length()));
    ClearSelection();
    return true;
}

void TextAnnotation::Relayout() {
    layoutValid_ = false;
    Layout();
}

int TextAnnotation::HandleKey(HWND window, UINT message, WPARAM key, LPARAM data) {
    if (!keyInput_) return -1;
    if (window) caretWindow_ = hostWindow_ = window;
    ConvertPendingGeometry();
    const RECT before = Bounds();
    const int caretBefore = buffer_.Caret();
    const int selStartBefore = selStart_, selEndBefore = selEnd_;
    const int lengthBefore = buffer_.Length();
    int changed = 0;
    if (message == WM_KEYDOWN) {
        const int repeat = std::max(1, static_cast<int>(LOWORD(data)));
        for (int i = 0; i < repeat; ++i) changed |= HandleKeyDown(window, key, repeat);
    } else if (message == WM_CHAR) {
        changed = HandleChar(window, key);
    } else {
        return 0;
    }
    const bool visible = changed || selStart_ != selStartBefore || selEnd_ != selEndBefore ||
                         buffer_.Length() != lengthBefore;
    if (buffer_.Caret() != caretBefore || visible) PlaceCaret();
    if (visible) {
        ConvertPendingGeometry();
        InvalidateRect(UnionFromCorner(before, Bounds()));
    }
    return 0;
}

int TextAnnotation::HandleKeyDown(HWND, WPARAM key, int) {
    const int home = homeLine_;
    homeLine_ = -1;
    const bool shift = KeyDown(VK_SHIFT);
    const bool control = KeyDown(VK_CONTROL);
    switch (key) {
    case VK_BACK:
        if (!DeleteSelection()) buffer_.DeleteBackward();
        modified_ = true;
        endLine_ = -1;
        Relayout();
        return 1;
    case VK_RETURN:
        DeleteSelection();
        buffer_.Type(kCR);
        buffer_.Type(kLF);
        modified_ = true;
        endLine_ = -1;
        Relayout();
        return 1;
    case VK_DELETE:
        if (!DeleteSelection()) buffer_.DeleteForward();
        modified_ = true;
        endLine_ = -1;
        Relayout();
        return 1;
    case VK_INSERT:
        buffer_.ToggleInsertMode();
        return 0;
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        const int anchor = selStart_ >= 0 ? selAnchor_ : buffer_.Caret();
        const bool hadSelection = selStart_ >= 0;
        homeLine_ = home;
        const bool moved = MoveKey(key, control);
        if (key != VK_END) homeLine_ = -1;
        if (!moved) return 0;
        if (shift)
            SetSelection(anchor, buffer_.Caret());
        else
            ClearSelection();
        return hadSelection || shift ? 1 : 0;
    }
    default:
        return 0;
    }
}

bool TextAnnotation::MoveKey(WPARAM key, bool control) {
    const int home = homeLine_;
    homeLine_ = -1;
    const int length = buffer_.Length();
    const int caret = buffer_.Caret();
    switch (key) {
    case VK_LEFT:
        endLine_ = -1;
        buffer_.CaretLeft();
        return true;
    case VK_RIGHT:
        endLine_ = -1;
        buffer_.CaretRight();
        return true;
    case VK_UP:
    case VK_DOWN:
        VerticalMove(key == VK_UP ? -1 : 1);
        return true;
    case VK_END: {
        const std::vector<Line>& lines = Lines();
        if (lines.empty()) return false;
        if (control) {
            endLine_ = -1;
            buffer_.SetCaret(length);
            return true;
        }
        const int index = caret >= length ? static_cast<int>(lines.size()) - 1 : LineOfIndex(caret);
        if (index < 0 || index + 1 >= static_cast<int>(lines.size())) {
            endLine_ = -1;
            buffer_.SetCaret(length);
            return true;
        }
        // The end of this line's own units; the caret is shown there, on
        // this line, even where the next line starts at the same index.
        const Line& line = lines[index];
        buffer_.SetCaret(line.first + line.count);
        endLine_ = index;
        homeLine_ = index;
        return true;
    }
    case VK_HOME: {
        const std::vector<Line>& lines = Lines();
        if (lines.empty()) return false;
        if (control) {
            endLine_ = -1;
            buffer_.SetCaret(0);
            return true;
        }
        int index = home >= 0 && home < static_cast<int>(lines.size()) ? home : -1;
        if (index < 0) index = caret >= length ? static_cast<int>(lines.size()) - 1 : LineOfIndex(caret);
        endLine_ = -1;
        buffer_.SetCaret(lines[std::max(index, 0)].first);
        return true;
    }
    default:
        return false;
    }
}

void TextAnnotation::VerticalMove(int direction) {
    FontEntry* metrics = Metrics();
    const std::vector<Line>& lines = Lines();
    if (!metrics || lines.empty()) return;
    const int caret = buffer_.Caret();
    const int index = caret >= buffer_.Length() ? static_cast<int>(lines.size()) - 1 : LineOfIndex(caret);
    const int target = index + direction;
    if (index < 0 || target < 0 || target >= static_cast<int>(lines.size())) return;
    const Line& from = lines[index];
    const int advance = Advance(*metrics, from.first, std::min(caret - from.first, from.count));
    const Line& to = lines[target];
    const wchar_t* chars = buffer_.Chars();
    int sum = 0;
    int k = 0;
    while (k < to.count && sum < advance) sum += metrics->Width(chars[to.first + k++]);
    endLine_ = k == to.count ? target : -1;
    buffer_.SetCaret(to.first + k);
}

int TextAnnotation::HandleChar(HWND window, WPARAM code) {
    switch (code) {
    case 3: {  // copy
        if (selStart_ >= 0)
            CopyRange(window, selStart_, selEnd_);
        else if (buffer_.Length() > 0)
            CopyRange(window, 0, buffer_.Length() - 1);
        return 0;
    }
    case 22:  // paste
        if (!Paste(window)) return 0;
        modified_ = true;
        endLine_ = -1;
        Relayout();
        return 1;
    case 24:  // cut
        if (selStart_ < 0) return 0;
        CopyRange(window, selStart_, selEnd_);
        DeleteSelection();
        modified_ = true;
        endLine_ = -1;
        Relayout();
        return 1;
    default:
        break;
    }
    if (code < 32) return 0;
    DeleteSelection();
    buffer_.Type(static_cast<wchar_t>(code));
    modified_ = true;
    endLine_ = -1;
    Relayout();
    return 1;
}

void TextAnnotation::CopyRange(HWND window, int first, int last) {
    if (first < 0 || last < first || last >= buffer_.Length()) return;
    if (!OpenClipboard(hostWindow_ ? hostWindow_ : window)) return;
    EmptyClipboard();
    const wchar_t* units = buffer_.Chars() + first;
    const int count = last - first + 1;
    UnitNames* settings = Settings();
    if (settings && settings->unicodeMode) {
        std::wstring text(units, static_cast<size_t>(count));
        SetClipboardBlock(CF_UNICODETEXT, text.c_str(), sizeof(wchar_t) * (text.size() + 1));
    } else {
        // Exactly the wanted units, in as many bytes as they take.
        const int bytes = WideCharToMultiByte(CP_ACP, 0, units, count, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(std::max(bytes, 0)), '\0');
        if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, units, count, &text[0], bytes, nullptr, nullptr);
        SetClipboardBlock(CF_TEXT, text.c_str(), text.size() + 1);
    }
    CloseClipboard();
}

bool TextAnnotation::Paste(HWND window) {
    UnitNames* settings = Settings();
    const bool unicode = settings && settings->unicodeMode;
    if (!IsClipboardFormatAvailable(CF_TEXT) &&
        !(unicode && IsClipboardFormatAvailable(CF_UNICODETEXT)))
        return false;
    if (!OpenClipboard(hostWindow_ ? hostWindow_ : window)) return false;
    std::wstring text;
    bool read = false;
    if (unicode && IsClipboardFormatAvailable(CF_UNICODETEXT)) {
        if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
            text = UnicodeBlockText(block);
            read = true;
        }
    } else if (HANDLE block = GetClipboardData(CF_TEXT)) {
        text = AnsiBlockText(block);
        read = true;
    }
    CloseClipboard();
    if (!read) return false;
    DeleteSelection();
    const int at = buffer_.Caret();
    const int inserted = buffer_.InsertRun(at, text.data(), static_cast<int>(text.size()));
    buffer_.SetCaret(at + inserted);
    return true;
}

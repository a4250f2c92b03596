// Text items: construction, attributes, the saved records, the image
// transforms, the mouse and the end of an edit.
#include "objects/text_annotation.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/byte_stream.h"
#include "objects/text_edit_window.h"
#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

bool IsOrientation(int value) { return value == 0 || value == 900 || value == 1800 || value == 2700; }

} // namespace

TextAnnotation::TextAnnotation(const AttributeMap& toolAttributes) {
    TakeToolAttributes(TextTool, toolAttributes);
    if (const AttributeValue* font = FindAttribute(QMK_Logfont))
        if (font->kind() == AttributeValue::Kind::Font) font_ = font->Font();
    orientation_ = MapNumber(QMK_TextOrientation);
    if (!IsOrientation(orientation_)) orientation_ = 0;
    pendingOrientation_ = orientation_;
    font_.lfEscapement = font_.lfOrientation = orientation_;
}

TextAnnotation::~TextAnnotation() {
    // The editor's windows go without reporting anything: a half-destroyed
    // item must never reach its layer.
    if (editor_) editor_->Detach();
    // Deleted from inside the editor's own closing: the editor outlives its
    // windows' destruction and then deletes itself.
    if (editor_ && editor_->DeleteWhenDestroyed())
        (void)editor_.release();
    editor_.reset();
    if (hookInstalled_ && Owner()) Owner()->SetItemMouseHook(nullptr, nullptr);
    if (editing_ && caretWindow_ && GetCapture() == caretWindow_) ReleaseCapture();
    HideCaret();
}

UnitNames* TextAnnotation::Settings() const { return Owner() ? Owner()->TextSettings() : nullptr; }

void TextAnnotation::RegisterFont() {
    UnitNames* settings = Settings();
    if (settings) fontUse_.Register(&settings->Fonts(), font_);
}

void TextAnnotation::Attach() {
    Annotation::Attach();
    RegisterFont();
}

std::wstring TextAnnotation::CommittedText() const {
    const auto it = Attributes().find(QMK_Text);
    if (it == Attributes().end() || !it->second.Text()) return std::wstring();
    return std::wstring(it->second.Text(), SysStringLen(it->second.Text()));
}

void TextAnnotation::CommitText() {
    AttributeValue* entry = FindAttribute(QMK_Text);
    if (!entry) return;
    const BSTR current = entry->Text();
    const int length = buffer_.Length();
    if (current && static_cast<int>(SysStringLen(current)) == length &&
        std::memcmp(current, buffer_.Chars(), sizeof(wchar_t) * static_cast<size_t>(length)) == 0)
        return;
    BSTR copy = SysAllocStringLen(buffer_.Chars(), static_cast<UINT>(length));
    if (!copy) return;
    entry->Assign(reinterpret_cast<EngineValue>(copy));
    SysFreeString(copy);
}

// ---- attributes ------------------------------------------------------------------------

void TextAnnotation::SetOrientation(int orientation) {
    pendingOrientation_ = orientation_ = orientation;
    font_.lfEscapement = font_.lfOrientation = orientation;
    if (AttributeValue* font = FindAttribute(QMK_Logfont))
        font->Assign(reinterpret_cast<EngineValue>(&font_));
    if (AttributeValue* entry = FindAttribute(QMK_TextOrientation))
        *entry = AttributeValue::Number(orientation);
    RegisterFont();
    layoutValid_ = false;
}

int TextAnnotation::SetAttribute(int code, EngineValue value, bool& changed) {
    changed = false;
    switch (code) {
    case QMK_PenWidth:
    case QMK_BoundingRect:
        layoutValid_ = false;
        return ShapeAnnotation::SetAttribute(code, value, changed);
    case QMK_Text: {
        const BSTR text = reinterpret_cast<BSTR>(value);
        const int length = text ? static_cast<int>(SysStringLen(text)) : 0;
        buffer_.Clear();
        if (length > 0 && buffer_.Reset(length))
            std::memcpy(buffer_.MutableChars(), text, sizeof(wchar_t) * static_cast<size_t>(length));
        if (!FindAttribute(QMK_Text)) return QMK_ErrInvalidAttribute;
        CommitText();
        ClearSelection();
        layoutValid_ = false;
        changed = true;
        return QMK_NoError;
    }
    case QMK_Logfont: {
        if (!value) return QMK_NoError;
        std::memcpy(&font_, reinterpret_cast<const void*>(value), sizeof(font_));
        font_.lfFaceName[LF_FACESIZE - 1] = 0;
        font_.lfEscapement = font_.lfOrientation = orientation_;
        if (AttributeValue* font = FindAttribute(QMK_Logfont))
            font->Assign(reinterpret_cast<EngineValue>(&font_));
        RegisterFont();
        layoutValid_ = false;
        changed = true;
        return QMK_NoError;
    }
    case QMK_TextOrientation:
        if (!IsOrientation(static_cast<int>(value))) return QMK_NoError;
        if (static_cast<int>(value) != orientation_) SetOrientation(static_cast<int>(value));
        if (AttributeValue* entry = FindAttribute(code)) *entry = AttributeValue::Number(static_cast<int>(value));
        changed = true;
        return QMK_NoError;
    case QMK_WangType: {
        if (value != 7 && value != 10) return QMK_ErrInvalidWangType;
        if (value == 10) {
            bool ignored = false;
            Annotation::SetAttribute(QMK_BackStyle, BackStyle_Opaque, ignored);
            Annotation::SetAttribute(QMK_HighlightBack, 0, ignored);
            Annotation::SetAttribute(QMK_PenColor, 0, ignored);
            layoutValid_ = false;
            Annotation::SetAttribute(QMK_PenWidth, 1, ignored);
        }
        if (AttributeValue* entry = FindAttribute(code)) *entry = AttributeValue::Number(static_cast<int>(value));
        changed = true;
        return QMK_NoError;
    }
    case QMK_ScrollBars:
        changed = true;
        return QMK_NoError;
    default:
        return ShapeAnnotation::SetAttribute(code, value, changed);
    }
}

int TextAnnotation::GetAttribute(int code, void* out) {
    if (code == QMK_Text) CommitText();
    return ShapeAnnotation::GetAttribute(code, out);
}

bool TextAnnotation::WriteAttributeRecord(ByteWriter& stream, int code) {
    switch (code) {
    case QMK_Text: {
        // The text record is written even when empty (the NUL alone).
        CommitText();
        return stream.WriteUInt32(static_cast<uint32_t>(code)) &&
               stream.WriteString(buffer_.Chars(), static_cast<size_t>(buffer_.Length()));
    }
    case QMK_Logfont:
        return stream.WriteUInt32(static_cast<uint32_t>(code)) && stream.WriteBytes(&font_, sizeof(font_));
    default:
        return Annotation::WriteAttributeRecord(stream, code);
    }
}

// ---- geometry and transforms -------------------------------------------------------------

void TextAnnotation::GetPaintRect(RECT& out) {
    ConvertPendingGeometry();
    out = Bounds();
}

void TextAnnotation::ViewChanged(int, int) { layoutValid_ = false; }

void TextAnnotation::ScaleInto(double ratioX, double ratioY, const RECT& from, const RECT& to,
                               int handle, bool commit) {
    layoutValid_ = false;
    ShapeAnnotation::ScaleInto(ratioX, ratioY, from, to, handle, commit);
}

void TextAnnotation::GrowBy(int dx, int dy) {
    if (dx != 0 || dy != 0) layoutValid_ = false;
    ShapeAnnotation::GrowBy(dx, dy);
}

void TextAnnotation::ApplyTransformedOrientation(int orientation) {
    pendingOrientation_ = orientation;
    if (orientation != orientation_) {
        bool changed = false;
        SetAttribute(QMK_TextOrientation, orientation, changed);
    }
    layoutValid_ = false;
}

void TextAnnotation::MirrorInImage() {
    Annotation::MirrorInImage();
    ApplyTransformedOrientation(orientation_ == 1800 ? 0 : orientation_);
}

void TextAnnotation::FlipInImage() {
    Annotation::FlipInImage();
    static const int kFlipped[4] = {1800, 2700, 0, 900};
    ApplyTransformedOrientation(kFlipped[orientation_ / 900]);
}

void TextAnnotation::RotateInImage(int angle) {
    Annotation::RotateInImage(angle);
    ApplyTransformedOrientation(RotateOrientation(orientation_, angle));
}

HANDLE TextAnnotation::GetCachedHandle() {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(pendingOrientation_));
}

// ---- the mouse -----------------------------------------------------------------------------

int TextAnnotation::HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y,
                                int* eventCode) {
    if (eventCode) *eventCode = 0;
    UnitNames* settings = Settings();
    const bool mle = settings && settings->mleCompatible;
    switch (message) {
    case WM_SETCURSOR:
        if (Owner()) Owner()->SetItemCursor(TextTool, Cursor_Creating);
        return -1;
    case WM_MOUSEMOVE: {
        const int result = ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
        if (DragHandle() == -1 || !IsTracking()) {
            if (Owner() && !IsTracking()) Owner()->SetItemCursor(TextTool, Cursor_Creating);
        } else {
            layoutValid_ = false;
        }
        return result;
    }
    case WM_LBUTTONDOWN:
        if (!IsCommitted()) {
            if (!ConvertPendingGeometry()) return -1;
            const RECT at = {x, y, x, y};
            bool changed = false;
            ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&at), changed);
            layoutValid_ = false;
            if (mle) return OpenEditor(window, x, y) ? 1 : -1;
            StartEdit(window);
            return -1;
        }
        keyInput_ = false;
        return ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
    case WM_LBUTTONUP:
        if (!IsCommitted()) return 1;
        return ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
    case WM_LBUTTONDBLCLK: {
        if (!IsCommitted()) break;
        const bool allowed = settings && settings->editors && (font_.lfOrientation == 0 || mle) &&
                             MapNumber(QMK_Locked) == 0 && MapNumber(QMK_TextLocked) == 0;
        if (!allowed) break;
        if (mle) {
            OpenEditor(window, x, y);
            return 0;
        }
        const int index = IndexAtPoint(x, y);
        buffer_.SetCaret(index);
        const bool hadSelection = selStart_ != -1;
        ClearSelection();
        modified_ = false;
        if (hadSelection) InvalidateRect(Bounds());
        StartEdit(window);
        if (eventCode) *eventCode = QMK_TextEditStart;
        return 0;
    }
    default:
        break;
    }
    return ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
}

void TextAnnotation::StartEdit(HWND window) {
    keyInput_ = true;
    caretWindow_ = hostWindow_ = window;
    if (Owner() && !hookInstalled_) {
        Owner()->SetItemMouseHook(&TextAnnotation::HookThunk, this);
        hookInstalled_ = true;
    }
    if (window) SetCapture(window);
    editing_ = true;
    PlaceCaret();
}

int TextAnnotation::HookThunk(void* context, HWND window, UINT message, WPARAM wParam, int,
                                        int, int* eventCode, int* eventData) {
    if (eventCode) *eventCode = 0;
    if (eventData) *eventData = 0;
    return static_cast<TextAnnotation*>(context)->MouseHook(window, message, wParam);
}

int TextAnnotation::MouseHook(HWND, UINT message, WPARAM wParam) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    HWND under = WindowFromPoint(cursor);
    const bool overCaretWindow = under != nullptr && under == caretWindow_;
    switch (message) {
    case WM_MOUSEMOVE:
        if (!overCaretWindow) return -1;
        SetCursor(LoadCursor(nullptr, IDC_IBEAM));
        return IsCommitted() ? -1 : 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        // Ending the edit may add the item, and the host may then delete it:
        // nothing of the item is touched afterwards.
        CancelTracking(nullptr);
        if (overCaretWindow) return -1;
        if (!under) return 0;
        POINT client = cursor;
        ScreenToClient(under, &client);
        // Posted: the window under the cursor may belong to another program.
        PostMessage(under, message, 1, MAKELPARAM(client.x, client.y));
        (void)wParam;
        return 0;
    }
    case WM_LBUTTONUP:
        return 0;
    default:
        return overCaretWindow ? -1 : -2;
    }
}

void TextAnnotation::CancelTracking(int* out) {
    if (out) *out = 0;
    // A move or resize of the placed box ends first.
    if (IsTracking() && IsCommitted()) ShapeAnnotation::CancelTracking(nullptr);
    const bool wasEditing = editing_;
    const bool wasModified = modified_;
    if (editing_) {
        if (hookInstalled_ && Owner()) Owner()->SetItemMouseHook(nullptr, nullptr);
        hookInstalled_ = false;
        if (caretWindow_ && GetCapture() == caretWindow_) ReleaseCapture();
    }
    modified_ = false;
    HideCaret();
    keyInput_ = false;
    editing_ = false;
    CommitText();
    if (opening_) return;
    if (editor_ && editor_->IsOpen()) {
        // Reading back may add a new item to its layer (and the host may
        // delete it then): nothing follows.
        ReadBackEditor();
        return;
    }
    AnnotationOwner* owner = Owner();
    if (!owner) return;
    if (IsCommitted()) {
        if (!wasEditing) return;
        InvalidateRect(Bounds());
        if (!owner->ItemEvent(*this, QMK_TextEditEnd)) return;
        if (wasModified) owner->ItemAttributeChanged(*this, QMK_Text);
        return;
    }
    if (buffer_.Length() > 0) {
        layoutValid_ = false;
        owner->ItemCompleted(*this, true, true);
    } else {
        ResetAnchor(-1);
    }
}

// ---- the edit-control editor ---------------------------------------------------------------

bool TextAnnotation::OpenEditor(HWND window, int x, int y) {
    if (!Settings() || !Mapping()) return false;
    if (!editor_) editor_.reset(new (std::nothrow) TextEditWindow);
    if (!editor_ || editor_->IsOpen()) return false;
    caretWindow_ = hostWindow_ = window;
    opening_ = true;
    const bool opened = editor_->Open(*this, window, x, y);
    opening_ = false;
    return opened;
}

void TextAnnotation::ReadBackEditor() {
    if (!editor_) return;
    editor_->ReadText(*this);
    layoutValid_ = false;
    CommitText();
    if (IsCommitted()) {
        InvalidateRect(Bounds());
        return;
    }
    AnnotationOwner* owner = Owner();
    ViewMapping* mapping = Mapping();
    if (buffer_.Length() == 0 || !owner || !mapping) return;
    const SIZE client = editor_->ClientSize();
    const RECT& b = Bounds();
    const RECT box = {b.left, b.top,
                      b.left + MulDiv(client.cx, kLayerUnitsFull, std::max(mapping->ScaledWidth(), 1)),
                      b.top + MulDiv(client.cy, kLayerUnitsFull, std::max(mapping->ScaledHeight(), 1))};
    bool changed = false;
    ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&box), changed);
    owner->ItemCompleted(*this, true, true);
}

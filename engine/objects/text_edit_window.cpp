// The "qmk7_editor" frame: opening, growing and closing the edit-control
// editor of a text item.
#include "objects/text_edit_window.h"

#include <algorithm>

#include "objects/text_annotation.h"
#include "ui/helper_window.h"
#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;
// Arrows, every key and every character.
constexpr LRESULT kWantsAllKeys = DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTCHARS;

} // namespace

bool TextEditWindow::RegisterClassOnce() {
    WNDCLASSW existing = {};
    if (GetClassInfoW(HelperWindow::Module(), kClassName, &existing)) return true;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &TextEditWindow::FrameProc;
    wc.hInstance = HelperWindow::Module();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClassW(&wc) != 0;
}

TextEditWindow::~TextEditWindow() {
    owner_ = nullptr;
    closing_ = true;
    Close();
}

bool TextEditWindow::DeleteWhenDestroyed() {
    if (!destroying_) return false;
    owner_ = nullptr;
    closing_ = true;
    deleteWhenDestroyed_ = true;
    // The font cache may go with the owner's engine before the frame does.
    uprightFont_.Release();
    return true;
}

void TextEditWindow::Close() {
    if (IsOpen()) DestroyWindow(frame_);
    frame_ = nullptr;
    control_ = nullptr;
}

std::wstring TextEditWindow::Text() const {
    if (!control_ || !IsWindow(control_)) return std::wstring();
    const int length = GetWindowTextLengthW(control_);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control_, &text[0], length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

SIZE TextEditWindow::ClientSize() const {
    RECT client = {};
    if (control_ && IsWindow(control_)) GetClientRect(control_, &client);
    return SIZE{client.right, client.bottom};
}

void TextEditWindow::ReadText(TextAnnotation& owner) const {
    const std::wstring text = Text();
    TextBuffer& buffer = owner.MutableBuffer();
    buffer.Clear();
    if (!text.empty() && buffer.Reset(static_cast<int>(text.size())))
        std::copy(text.begin(), text.end(), buffer.MutableChars());
}

bool TextEditWindow::Open(TextAnnotation& owner, HWND parent, int x, int y) {
    const bool placed = owner.IsCommitted();
    if (IsOpen() || !parent || (placed && owner.MapNumber(QMK_TextLocked) != 0)) return false;
    ViewMapping* mapping = owner.Mapping();
    UnitNames* settings = owner.Settings();
    if (!mapping || !settings) return false;

    // The editor shows the text upright.
    LOGFONTA upright = owner.Font();
    upright.lfEscapement = upright.lfOrientation = 0;
    uprightFont_.Register(&settings->Fonts(), upright);
    const std::wstring text(owner.Buffer().Chars(), static_cast<size_t>(owner.Buffer().Length()));
    FontEntry* metrics = uprightFont_.Get(mapping->ScaleX(), mapping->ScaleY(), mapping->ResolutionY(),
                                          text.c_str(), static_cast<int>(text.size()));
    if (!metrics || !metrics->font) return false;
    font_ = metrics->font;

    RECT rect;
    if (placed) {
        rect = mapping->LayerToWindow(owner.Bounds());
        const int pen = owner.ViewPenWidth();
        if (pen != 0) InflateRect(&rect, -pen, -pen);
    } else {
        const POINT at = mapping->LayerToWindow(POINT{x, y});
        rect = {at.x, at.y, at.x + metrics->maxCharWidth, at.y + 3 * metrics->height};
    }
    switch (owner.MapNumber(QMK_TextJustification, QMK_LeftJustify)) {
    case QMK_RightJustify: alignment_ = ES_RIGHT; break;
    case QMK_CenterJustify: alignment_ = ES_CENTER; break;
    default: alignment_ = ES_LEFT; break;
    }
    growWidth_ = 2 * metrics->maxCharWidth;
    lineHeight_ = metrics->height;
    backColor_ = static_cast<COLORREF>(owner.MapNumber(QMK_BackColor));
    textColor_ = static_cast<COLORREF>(owner.MapNumber(QMK_TextColor));
    fixedSize_ = placed;
    const int caret = placed ? owner.IndexAtPoint(x, y) : 0;

    if (!RegisterClassOnce()) return false;
    owner_ = nullptr;  // nothing reaches the owner while the windows are made
    closing_ = false;
    frame_ = CreateWindowExW(0, kClassName, L"",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, rect.left,
                             rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                             HelperWindow::Module(), this);
    if (!frame_ || !control_) {
        Close();
        return false;
    }
    owner_ = &owner;
    SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (placed) SetWindowTextW(control_, text.c_str());
    SendMessageW(control_, EM_SETSEL, static_cast<WPARAM>(caret), static_cast<LPARAM>(caret));
    SetFocus(control_);
    return IsOpen();
}

bool TextEditWindow::MakeControl(HWND frame) {
    GetClientRect(frame, &client_);
    control_ = CreateWindowExW(0, L"EDIT", L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_WANTRETURN | ES_AUTOVSCROLL |
                                   ES_MULTILINE | alignment_,
                               0, 0, client_.right, client_.bottom, frame, nullptr,
                               HelperWindow::Module(), nullptr);
    if (!control_) return false;
    SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    controlBase_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextEditWindow::ControlProc)));
    closing_ = false;
    SetCapture(control_);
    return true;
}

LRESULT CALLBACK TextEditWindow::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* editor = reinterpret_cast<TextEditWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!editor) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (editor->frame_ == window) editor->frame_ = nullptr;
        editor->destroying_ = false;
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        if (editor->deleteWhenDestroyed_) delete editor;
        return result;
    }
    return editor->FrameMessage(window, message, wParam, lParam);
}

LRESULT TextEditWindow::FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        frame_ = window;
        resized_ = false;
        if (!MakeControl(window)) return -1;
        brush_ = CreateSolidBrush(backColor_);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return kWantsAllKeys;
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, backColor_);
        SetTextColor(dc, textColor_);
        return reinterpret_cast<LRESULT>(brush_);
    }
    case WM_SIZE:
        if (resized_ && control_) {
            resized_ = false;
            RECT client = {}, current = {};
            GetClientRect(window, &client);
            GetClientRect(control_, &current);
            GetWindowRect(control_, &current);
            const int width = current.right - current.left, height = current.bottom - current.top;
            if (width != client.right || height != client.bottom)
                MoveWindow(control_, 0, 0, client.right, client.bottom, TRUE);
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_UPDATE && !fixedSize_) Grow();
        return 0;
    case WM_DESTROY:
        // Destroying the control reads the text back into the owner, which
        // the host may delete then (DeleteWhenDestroyed).
        destroying_ = true;
        if (brush_ && GetObjectType(brush_) == OBJ_BRUSH) DeleteObject(brush_);
        brush_ = nullptr;
        if (control_ && IsWindow(control_)) DestroyWindow(control_);
        control_ = nullptr;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void TextEditWindow::Grow() {
    if (!control_) return;
    const int length = GetWindowTextLengthW(control_);
    if (length < 2) return;
    // Soft line breaks show as CR CR LF while formatted.
    SendMessageW(control_, EM_FMTLINES, TRUE, 0);
    const int lines = static_cast<int>(SendMessageW(control_, EM_GETLINECOUNT, 0, 0));
    const int formatted = GetWindowTextLengthW(control_);
    std::wstring text(static_cast<size_t>(std::max(formatted, 0)) + 1, L'\0');
    const int got = GetWindowTextW(control_, &text[0], formatted + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    SendMessageW(control_, EM_FMTLINES, FALSE, 0);
    const int softBreaks = std::max(formatted - length, 0) / 3;

    HDC dc = GetDC(control_);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, font_);
    RECT measured = client_;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT);
    SelectObject(dc, oldFont);
    ReleaseDC(control_, dc);
    const int w = measured.right - measured.left;
    int h = measured.bottom - measured.top;
    if (lines > 2 && lineHeight_ > 0) {
        if (softBreaks > 1) h -= lineHeight_ * (softBreaks - 1);
        h = h + lineHeight_ + (h + lineHeight_) % lineHeight_;
    }
    RECT client = {};
    GetClientRect(control_, &client);
    RECT oldArea = {};
    GetWindowRect(frame_, &oldArea);
    MapWindowPoints(nullptr, GetParent(frame_), reinterpret_cast<POINT*>(&oldArea), 2);
    if ((lines > 1 && client.bottom < h) || client.right < w + growWidth_) {
        resized_ = true;
        SetWindowPos(frame_, nullptr, 0, 0, w + growWidth_, std::max<int>(h, client.bottom + lineHeight_),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOCOPYBITS | SWP_NOREDRAW);
    }
    InvalidateRect(GetParent(frame_), &oldArea, FALSE);
}

// NoteProps: the property page's dialog filled from the control, its
// commands and Apply.
#include "note_props_page.h"

#include "control_resources.h"
#include "error_reporter.h"
#include "quillmark.h"

#include <htmlhelp.h>

#include <vector>

namespace {

// Dispids of the properties the page edits.
const DISPID kDefaultPenWidth = 12, kDefaultTool = 16, kComments = 49, kTitle = 50,
             kSubject = 51, kAuthor = 52, kDefaultStampText = 198, kDefaultButtonText = 242;

const int kFirstPageTool = PointerTool;   // the page offers Pointer to Freehand
const int kLastPageTool = FreehandTool;
const int kToolNameChars = 32;

// Check boxes read and written through the control's flag properties.
struct CheckBox {
    int id;
    DISPID dispid;
    HRESULT (*get)(IQuillmark*, bool*);
    HRESULT (*put)(IQuillmark*, bool);
};

#define QM_PAGE_FLAG(name)                                                        \
    HRESULT Get##name(IQuillmark* q, bool* on) {                                   \
        VARIANT_BOOL v = VARIANT_FALSE;                                            \
        const HRESULT hr = q->get_##name(&v);                                      \
        *on = SUCCEEDED(hr) && v != VARIANT_FALSE;                                 \
        return hr;                                                                 \
    }                                                                              \
    HRESULT Put##name(IQuillmark* q, bool on) {                                    \
        return q->put_##name(on ? VARIANT_TRUE : VARIANT_FALSE);                   \
    }
QM_PAGE_FLAG(DefaultHighlightFill)
QM_PAGE_FLAG(DefaultHighlightBack)
QM_PAGE_FLAG(EnableContextMenu)
QM_PAGE_FLAG(SaveAnnotations)
QM_PAGE_FLAG(UsePaletteMenu)
QM_PAGE_FLAG(PreserveWTLayers)
QM_PAGE_FLAG(RequireToolPalette)
QM_PAGE_FLAG(AllowPaint)
#undef QM_PAGE_FLAG

// "Wang compatible TIFF" is checked for the Wang layout, type 0.
HRESULT GetWangTiff(IQuillmark* q, bool* on) {
    TIFFAnnType type = QMK_Compatible;
    const HRESULT hr = q->get_TIFFAnnotationType(&type);
    *on = SUCCEEDED(hr) && type == I4W_Compatible;
    return hr;
}
HRESULT PutWangTiff(IQuillmark* q, bool on) {
    return q->put_TIFFAnnotationType(on ? I4W_Compatible : QMK_Compatible);
}

// In the order Apply writes them.
const CheckBox kCheckBoxes[] = {
    {IDC_PAGE_HIGHLIGHT_FILL, 70, GetDefaultHighlightFill, PutDefaultHighlightFill},
    {IDC_PAGE_HIGHLIGHT_BACK, 71, GetDefaultHighlightBack, PutDefaultHighlightBack},
    {IDC_PAGE_CONTEXT_MENU, 80, GetEnableContextMenu, PutEnableContextMenu},
    {IDC_PAGE_SAVE_ANNOTATIONS, 171, GetSaveAnnotations, PutSaveAnnotations},
    {IDC_PAGE_WANG_TIFF, 253, GetWangTiff, PutWangTiff},
    {IDC_PAGE_PALETTE_MENU, 196, GetUsePaletteMenu, PutUsePaletteMenu},
    {IDC_PAGE_PRESERVE_LAYERS, 243, GetPreserveWTLayers, PutPreserveWTLayers},
    {IDC_PAGE_TOOL_PALETTE, 248, GetRequireToolPalette, PutRequireToolPalette},
    {IDC_PAGE_ALLOW_PAINT, 256, GetAllowPaint, PutAllowPaint},
};

const size_t kCheckBoxCount = sizeof kCheckBoxes / sizeof kCheckBoxes[0];

// The summary list's entries: string and item data, and the text each shows.
struct SummaryEntry {
    UINT string;
    DISPID dispid;
};
const SummaryEntry kSummaries[] = {
    {IDS_FIRST_SUMMARY_NAME + 0, kComments},
    {IDS_FIRST_SUMMARY_NAME + 1, kAuthor},
    {IDS_FIRST_SUMMARY_NAME + 2, kTitle},
    {IDS_FIRST_SUMMARY_NAME + 3, kSubject},
};

int SummaryIndex(DISPID dispid) {
    for (int i = 0; i < 4; ++i)
        if (kSummaries[i].dispid == dispid) return i;
    return -1;
}

// A BSTR property read into a string ("" when it fails or is null).
std::wstring ReadText(IQuillmark* q, HRESULT (STDMETHODCALLTYPE IQuillmark::*get)(BSTR*)) {
    BSTR text = nullptr;
    std::wstring out;
    if (SUCCEEDED((q->*get)(&text)) && text) out.assign(text, SysStringLen(text));
    SysFreeString(text);
    return out;
}

void WriteText(IQuillmark* q, HRESULT (STDMETHODCALLTYPE IQuillmark::*put)(BSTR),
               const std::wstring& text) {
    BSTR value = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    if (!value) return;
    (q->*put)(value);
    SysFreeString(value);
}

void Tag(HWND dialog, int id, DISPID dispid) {
    SetWindowLongPtrW(GetDlgItem(dialog, id), GWLP_USERDATA, dispid);
}

DISPID TagOf(HWND dialog, int id) {
    return static_cast<DISPID>(GetWindowLongPtrW(GetDlgItem(dialog, id), GWLP_USERDATA));
}

std::wstring LoadFrom(HMODULE module, UINT id, int maxChars) {
    if (!module) return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(maxChars) + 1, L'\0');
    const int length = LoadStringW(module, id, text.data(), maxChars + 1);
    return length > 0 ? std::wstring(text.data(), static_cast<size_t>(length)) : std::wstring();
}

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

} // namespace

namespace quillmark {

std::wstring ControlString(UINT id, int maxChars) {
    std::wstring text = LoadFrom(SatelliteResources(), id, maxChars);
    if (text.empty()) text = LoadFrom(comkit::ModuleHandle(), id, maxChars);
    return text;
}

HRESULT OpenControlHelp(HWND owner, DWORD context) {
    std::wstring path = comkit::ModulePath();
    path.resize(path.find_last_of(L"\\/") + 1);
    path += L"Quillmark7.chm";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
    if (!viewer) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    auto help = reinterpret_cast<HtmlHelpFn>(
        reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
    // The viewer stays loaded: the help window it opened lives on.
    if (!help) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return help(owner, path.c_str(), HH_HELP_CONTEXT, context) ? S_OK : E_FAIL;
}

} // namespace quillmark

NotePropsPage::NotePropsPage() : PropertyPage(IDD_NOTEPROPS, IDS_PROPERTY_PAGE_TITLE) {}

std::wstring& NotePropsPage::Copy(DISPID dispid) {
    switch (dispid) {
    case kAuthor: return author_;
    case kTitle: return title_;
    case kSubject: return subject_;
    case kDefaultStampText: return stampText_;
    case kDefaultButtonText: return buttonText_;
    default: return comments_;
    }
}

std::wstring NotePropsPage::Text(int id) const {
    HWND control = GetDlgItem(Dialog(), id);
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(control, text.data(), length + 1);
    return std::wstring(text.data(), static_cast<size_t>(read > 0 ? read : 0));
}

void NotePropsPage::KeepSummaryText() {
    Copy(TagOf(Dialog(), IDC_PAGE_SUMMARY_LIST)) = Text(IDC_PAGE_SUMMARY_TEXT);
}

void NotePropsPage::ShowSummary(DISPID dispid) {
    HWND dialog = Dialog();
    SetDlgItemTextW(dialog, IDC_PAGE_SUMMARY_TEXT, Copy(dispid).c_str());
    Tag(dialog, IDC_PAGE_SUMMARY_LIST, dispid);
    Tag(dialog, IDC_PAGE_SUMMARY_TEXT, dispid);
}

void NotePropsPage::OnInitDialog() {
    initialised_ = false;
    SetDirty(false);
    IQuillmark* q = nullptr;
    if (FAILED(FirstObject(IID_IQuillmark, reinterpret_cast<void**>(&q))) || !q) return;
    HWND dialog = Dialog();

    long width = 0;
    q->get_DefaultPenWidth(&width);
    SetDlgItemInt(dialog, IDC_PAGE_PEN_WIDTH, static_cast<UINT>(width), TRUE);
    for (const CheckBox& box : kCheckBoxes) {
        bool on = false;
        box.get(q, &on);
        CheckDlgButton(dialog, box.id, on ? BST_CHECKED : BST_UNCHECKED);
        Tag(dialog, box.id, box.dispid);
    }
    Tag(dialog, IDC_PAGE_PEN_WIDTH, kDefaultPenWidth);
    Tag(dialog, IDC_PAGE_TOOL, kDefaultTool);
    Tag(dialog, IDC_PAGE_STAMP_TEXT, kDefaultStampText);
    Tag(dialog, IDC_PAGE_BUTTON_TEXT, kDefaultButtonText);

    // The tool list is sorted: the tools are found again by item data. A
    // default tool the list does not offer leaves it without a selection.
    HWND tools = GetDlgItem(dialog, IDC_PAGE_TOOL);
    annotationTOOL current = NoTool;
    q->get_DefaultTool(&current);
    for (int tool = kFirstPageTool; tool <= kLastPageTool; ++tool) {
        const std::wstring name = quillmark::ControlString(static_cast<UINT>(tool), kToolNameChars);
        if (name.empty()) continue;
        const LRESULT at = SendMessageW(tools, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (at >= 0) SendMessageW(tools, CB_SETITEMDATA, static_cast<WPARAM>(at), tool);
    }
    const LRESULT count = SendMessageW(tools, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (SendMessageW(tools, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == current)
            SendMessageW(tools, CB_SETCURSEL, static_cast<WPARAM>(i), 0);

    HWND summaries = GetDlgItem(dialog, IDC_PAGE_SUMMARY_LIST);
    for (const SummaryEntry& entry : kSummaries) {
        const std::wstring name = quillmark::ControlString(entry.string, kToolNameChars);
        const LRESULT at =
            SendMessageW(summaries, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (at >= 0) SendMessageW(summaries, CB_SETITEMDATA, static_cast<WPARAM>(at), entry.string);
    }
    comments_ = ReadText(q, &IQuillmark::get_Comments);
    author_ = ReadText(q, &IQuillmark::get_Author);
    subject_ = ReadText(q, &IQuillmark::get_Subject);
    title_ = ReadText(q, &IQuillmark::get_Title);
    stampText_ = ReadText(q, &IQuillmark::get_DefaultStampText);
    buttonText_ = ReadText(q, &IQuillmark::get_DefaultButtonText);
    q->Release();
    SetDlgItemTextW(dialog, IDC_PAGE_STAMP_TEXT, stampText_.c_str());
    SetDlgItemTextW(dialog, IDC_PAGE_BUTTON_TEXT, buttonText_.c_str());
    SendMessageW(summaries, CB_SETCURSEL, 0, 0);
    ShowSummary(kComments);

    SetDirty(false);
    initialised_ = true;
}

void NotePropsPage::OnCommand(WORD id, WORD code, HWND) {
    bool changed = false;
    switch (id) {
    case IDC_PAGE_PEN_WIDTH:
    case IDC_PAGE_STAMP_TEXT:
    case IDC_PAGE_BUTTON_TEXT:
    case IDC_PAGE_SUMMARY_TEXT:
        changed = code == EN_CHANGE;
        break;
    case IDC_PAGE_TOOL:
        changed = code == CBN_SELCHANGE;
        break;
    case IDC_PAGE_SUMMARY_LIST:
        if (code == CBN_SELCHANGE) {
            KeepSummaryText();
            const LRESULT index = SendDlgItemMessageW(Dialog(), IDC_PAGE_SUMMARY_LIST,
                                                      CB_GETCURSEL, 0, 0);
            if (index >= 0 && index < 4) ShowSummary(kSummaries[index].dispid);
            changed = true;
        }
        break;
    default:
        for (const CheckBox& box : kCheckBoxes)
            if (box.id == id) changed = code == BN_CLICKED;
        break;
    }
    if (changed && initialised_) SetDirty(true);
}

HRESULT NotePropsPage::OnApply() {
    IQuillmark* q = nullptr;
    if (FAILED(FirstObject(IID_IQuillmark, reinterpret_cast<void**>(&q))) || !q) return S_OK;
    // The host may let go of the page from inside a put.
    AddRef();
    HWND dialog = Dialog();
    if (dialog) {
        // Everything is read from the dialog before the first put: a put
        // tells the host of the change, and the host may close the page.
        BOOL read = FALSE;
        const int width = static_cast<int>(GetDlgItemInt(dialog, IDC_PAGE_PEN_WIDTH, &read, TRUE));
        // No selection: the default tool is one the list does not offer and
        // stays as it is.
        const LRESULT at = SendDlgItemMessageW(dialog, IDC_PAGE_TOOL, CB_GETCURSEL, 0, 0);
        const LRESULT tool = at == CB_ERR ? CB_ERR
                                          : SendDlgItemMessageW(dialog, IDC_PAGE_TOOL, CB_GETITEMDATA,
                                                                static_cast<WPARAM>(at), 0);
        bool checked[kCheckBoxCount] = {};
        for (size_t i = 0; i < kCheckBoxCount; ++i)
            checked[i] = IsDlgButtonChecked(dialog, kCheckBoxes[i].id) == BST_CHECKED;
        KeepSummaryText();
        stampText_ = Text(IDC_PAGE_STAMP_TEXT);
        buttonText_ = Text(IDC_PAGE_BUTTON_TEXT);
        const std::wstring comments = comments_, subject = subject_, title = title_,
                           author = author_, stampText = stampText_, buttonText = buttonText_;

        // A box that holds no number leaves the width as it is.
        if (read) q->put_DefaultPenWidth(width);
        if (tool != CB_ERR) q->put_DefaultTool(static_cast<annotationTOOL>(tool));
        for (size_t i = 0; i < kCheckBoxCount; ++i)
            kCheckBoxes[i].put(q, checked[i]);
        WriteText(q, &IQuillmark::put_Comments, comments);
        WriteText(q, &IQuillmark::put_Subject, subject);
        WriteText(q, &IQuillmark::put_Title, title);
        WriteText(q, &IQuillmark::put_Author, author);
        WriteText(q, &IQuillmark::put_DefaultStampText, stampText);
        WriteText(q, &IQuillmark::put_DefaultButtonText, buttonText);
    }
    q->Release();
    SetDirty(false);
    Release();
    return S_OK;
}

HRESULT NotePropsPage::OnEditProperty(DISPID dispid) {
    HWND dialog = Dialog();
    if (!dialog) return S_OK;
    const int index = SummaryIndex(dispid);
    if (index >= 0) {
        // What was typed for the summary text shown so far is kept.
        KeepSummaryText();
        ShowSummary(dispid);
        SendDlgItemMessageW(dialog, IDC_PAGE_SUMMARY_LIST, CB_SETCURSEL,
                            static_cast<WPARAM>(index), 0);
        SetFocus(GetDlgItem(dialog, IDC_PAGE_SUMMARY_TEXT));
    } else if (dispid == kDefaultStampText || dispid == kDefaultButtonText) {
        // The edit holds the newest text already: it only gets the focus.
        SetFocus(GetDlgItem(dialog, dispid == kDefaultStampText ? IDC_PAGE_STAMP_TEXT
                                                                : IDC_PAGE_BUTTON_TEXT));
    }
    return S_OK;
}

DWORD NotePropsPage::FocusedDispid() const {
    HWND focus = GetFocus();
    if (!Dialog() || !focus || !IsChild(Dialog(), focus)) return 0;
    return static_cast<DWORD>(GetWindowLongPtrW(focus, GWLP_USERDATA));
}

HRESULT NotePropsPage::OnTranslateAccelerator(MSG* msg) {
    const bool key = msg->message >= WM_KEYDOWN && msg->message <= WM_SYSDEADCHAR;
    const bool mouse = msg->message >= WM_MOUSEMOVE && msg->message <= WM_MBUTTONDBLCLK;
    if (!key && !mouse) return S_FALSE;
    HWND dialog = Dialog();
    if (!dialog) return S_FALSE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
        return quillmark::OpenControlHelp(dialog, FocusedDispid());
    }
    return IsDialogMessageW(dialog, msg) ? S_OK : S_FALSE;
}

HRESULT NotePropsPage::OnHelp() {
    return quillmark::OpenControlHelp(Dialog(), FocusedDispid());
}

#include "vistrel_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {

namespace {

const wchar_t kProgId[] = L"Vistrel.Vistrel7";
constexpr DISPID kDblClickEvent = 1;
constexpr DISPID kScrollEvent = 2;

RECT ToRect(const forms::Rect& r)
{
    return RECT{r.left, r.top, r.left + r.width, r.top + r.height};
}

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(BSTR text)
{
    if (!text)
        return std::string();
    int len = static_cast<int>(SysStringLen(text));
    int n = WideCharToMultiByte(CP_ACP, 0, text, len, nullptr, 0, nullptr, nullptr);
    std::string narrow(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, len, &narrow[0], n, nullptr, nullptr);
    return narrow;
}

std::string FilePart(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& text, const char* end)
{
    size_t n = strlen(end);
    return text.size() >= n && _stricmp(text.c_str() + text.size() - n, end) == 0;
}

// What the user is told about a file the control refused. The control's own
// description says why; the common cases are put in the user's words: an
// empty file, a file of another kind, a page larger than a preview can hold.
std::string RefusalReason(const std::string& path, const std::string& description)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        unsigned char head[4] = {};
        DWORD got = 0;
        LARGE_INTEGER size = {};
        const bool sized = GetFileSizeEx(file, &size) != 0;
        const bool read = ReadFile(file, head, sizeof head, &got, nullptr) != 0;
        CloseHandle(file);
        if (sized && size.QuadPart == 0)
            return "the file is empty";
        const bool tiff = got == 4 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                                       (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42));
        const bool bmp = got >= 2 && head[0] == 'B' && head[1] == 'M';
        if (read && !tiff && !bmp)
            return EndsWithNoCase(path, ".bmp") ? "not a BMP file" : "not a TIFF file";
    }
    // "Cannot load "<path>": <reason>"
    std::string reason = description;
    const std::string quoted = "\": ";
    size_t at = reason.find(quoted);
    if (at != std::string::npos)
        reason = reason.substr(at + quoted.size());
    unsigned width = 0, height = 0;
    at = reason.find("too large: ");
    if (at != std::string::npos &&
        std::sscanf(reason.c_str() + at + 11, "%ux%u", &width, &height) == 2)
        return "the page is too large to preview: " + std::to_string(width) + " x " +
               std::to_string(height);
    if (reason.empty())
        reason = "the control refused it";
    return "the page cannot be shown: " + reason;
}

} // namespace

TVistrel7_::TVistrel7_(forms::Control& parent, const std::string& name, const forms::Rect& bounds)
    : Component(parent, name), site_(parent.Handle(), ToRect(bounds))
{
    Attach(site_.Window(), true);
    if (SUCCEEDED(site_.Create(kProgId)))
        site_.SetEventHandler([this](DISPID id, const DISPPARAMS&) { OnEvent(id); });
    note_ = std::make_unique<forms::Label>(*this, name + "Note", forms::Rect{0, 0, bounds.width, bounds.height});
    note_->SetAlignment(forms::TextAlign::Centre);
    note_->SetColor(GetSysColor(COLOR_WINDOW));   // the site's own background
    note_->SetFontColor(GetSysColor(COLOR_WINDOWTEXT));
    note_->SetVisible(false);
    // Below the control's window, so that the control stays its first child.
    SetWindowPos(note_->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TVistrel7_::~TVistrel7_()
{
    site_.Destroy();
}

void TVistrel7_::SetBounds(const forms::Rect& bounds)
{
    site_.SetRect(ToRect(bounds));
    PlaceNote();
}

LRESULT TVistrel7_::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE)
        PlaceNote();
    return Component::WindowProc(message, wParam, lParam);
}

void TVistrel7_::PlaceNote()
{
    if (!note_ || !Handle())
        return;
    RECT client;
    GetClientRect(Handle(), &client);
    // The text stands a little below the top, as a picture would start there.
    const int margin = 8;
    const int top = client.bottom / 3;
    note_->SetBounds({margin, top, std::max(0, int(client.right) - 2 * margin),
                      std::max(0, int(client.bottom) - top - margin)});
}

std::string TVistrel7_::Note() const
{
    return note_ && note_->Visible() ? note_->Caption() : std::string();
}

void TVistrel7_::ShowNote(const std::string& text)
{
    // The control's window and the note take turns in the view.
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (child != note_->Handle())
            ShowWindow(child, text.empty() ? SW_SHOWNA : SW_HIDE);
    note_->SetCaption(text);
    note_->SetVisible(!text.empty());
    if (!text.empty())
        PlaceNote();
}

void TVistrel7_::OnEvent(DISPID id)
{
    if (id == kDblClickEvent && OnDblClick)
        OnDblClick();
    else if (id == kScrollEvent && OnScroll)
        OnScroll();
}

DISPID TVistrel7_::IdOf(const wchar_t* member)
{
    auto found = ids_.find(member);
    if (found != ids_.end())
        return found->second;
    DISPID id = DISPID_UNKNOWN;
    IDispatch* control = site_.GetDispatch();
    LPOLESTR name = const_cast<LPOLESTR>(member);
    if (control && FAILED(control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
        id = DISPID_UNKNOWN;
    ids_[member] = id;
    return id;
}

HRESULT TVistrel7_::Call(const wchar_t* member, WORD flags, VARIANT* args, UINT count,
                         VARIANT* result)
{
    IDispatch* control = site_.GetDispatch();
    DISPID id = IdOf(member);
    if (!control || id == DISPID_UNKNOWN)
        return E_FAIL;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args, nullptr, count, 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO error = {};
    HRESULT hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                 &error, nullptr);
    if (FAILED(hr))
        lastError_ = Narrow(error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
    return hr;
}

int TVistrel7_::GetInt(const wchar_t* member)
{
    VARIANT result;
    VariantInit(&result);
    if (FAILED(Call(member, DISPATCH_PROPERTYGET, nullptr, 0, &result)) ||
        FAILED(VariantChangeType(&result, &result, 0, VT_I4)))
        return 0;
    return result.lVal;
}

void TVistrel7_::PutInt(const wchar_t* member, int value)
{
    VARIANT arg;
    arg.vt = VT_I4;
    arg.lVal = value;
    Call(member, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
}

std::string TVistrel7_::GetString(const wchar_t* member)
{
    VARIANT result;
    VariantInit(&result);
    std::string text;
    if (SUCCEEDED(Call(member, DISPATCH_PROPERTYGET, nullptr, 0, &result)) && result.vt == VT_BSTR)
        text = Narrow(result.bstrVal);
    VariantClear(&result);
    return text;
}

bool TVistrel7_::PutString(const wchar_t* member, const std::string& value)
{
    VARIANT arg;
    arg.vt = VT_BSTR;
    std::wstring wide = Wide(value);
    arg.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    HRESULT hr = Call(member, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
    VariantClear(&arg);
    return SUCCEEDED(hr);
}

std::string TVistrel7_::FileName() { return GetString(L"FileName"); }
bool TVistrel7_::SetFileName(const std::string& path)
{
    lastError_.clear();
    const bool shown = PutString(L"FileName", path);
    if (!Hosted())
        return shown;
    // A refused file has emptied the view: nothing of the file before stays.
    ShowNote(shown || path.empty() ? std::string()
                                   : FilePart(path) + "\r\n" + RefusalReason(path, lastError_));
    return shown;
}
std::string TVistrel7_::SaveFileName() { return GetString(L"SaveFileName"); }
void TVistrel7_::SetSaveFileName(const std::string& path) { PutString(L"SaveFileName", path); }

double TVistrel7_::IPZoomF()
{
    VARIANT result;
    VariantInit(&result);
    if (FAILED(Call(L"IPZoomF", DISPATCH_PROPERTYGET, nullptr, 0, &result)) ||
        FAILED(VariantChangeType(&result, &result, 0, VT_R8)))
        return 0.0;
    return result.dblVal;
}

void TVistrel7_::ZoomToFit(int mode)
{
    VARIANT arg;
    arg.vt = VT_I4;
    arg.lVal = mode;
    Call(L"ZoomToFit", DISPATCH_METHOD, &arg, 1, nullptr);
}

void TVistrel7_::Zoom(double factor)
{
    VARIANT arg;
    arg.vt = VT_R8;
    arg.dblVal = factor;
    Call(L"Zoom", DISPATCH_METHOD, &arg, 1, nullptr);
}

bool TVistrel7_::SaveFile()
{
    return SUCCEEDED(Call(L"SaveFile", DISPATCH_METHOD, nullptr, 0, nullptr));
}

HGLOBAL TVistrel7_::CopyDIB()
{
    VARIANT result;
    VariantInit(&result);
    if (FAILED(Call(L"CopyDIB", DISPATCH_METHOD, nullptr, 0, &result)) ||
        FAILED(VariantChangeType(&result, &result, 0, VT_I4)))
        return nullptr;
    return reinterpret_cast<HGLOBAL>(static_cast<INT_PTR>(result.lVal));
}

void TVistrel7_::SetHDIB(HGLOBAL dib)
{
    ShowNote(std::string());
    PutInt(L"hDIB", static_cast<int>(reinterpret_cast<INT_PTR>(dib)));
}

} // namespace platform

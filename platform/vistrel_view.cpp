#include "vistrel_view.h"

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

} // namespace

TVistrel7_::TVistrel7_(forms::Control& parent, const std::string& name, const forms::Rect& bounds)
    : Component(parent, name), site_(parent.Handle(), ToRect(bounds))
{
    Attach(site_.Window(), true);
    if (SUCCEEDED(site_.Create(kProgId)))
        site_.SetEventHandler([this](DISPID id, const DISPPARAMS&) { OnEvent(id); });
}

TVistrel7_::~TVistrel7_()
{
    site_.Destroy();
}

void TVistrel7_::SetBounds(const forms::Rect& bounds)
{
    site_.SetRect(ToRect(bounds));
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
bool TVistrel7_::SetFileName(const std::string& path) { return PutString(L"FileName", path); }
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
    PutInt(L"hDIB", static_cast<int>(reinterpret_cast<INT_PTR>(dib)));
}

} // namespace platform

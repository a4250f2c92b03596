#include "sample_control.h"

namespace {

// Dispids of ISampleControl and of its events, as in the IDL.
enum : DISPID { kCaption = 1, kNumber = 2, kFlag = 3, kFont = 5 };
enum : DISPID { kNumberChanged = 1, kSaid = 2, kAsked = 3 };

const comkit::PersistedProperty kPersisted[] = {
    {L"Caption", kCaption, VT_BSTR, nullptr},
    {L"Number", kNumber, VT_I4, nullptr},
    {L"Flag", kFlag, VT_BOOL, nullptr},
    {L"Font", kFont, VT_DISPATCH, nullptr},
};

} // namespace

SampleControl::SampleControl() : ControlBase(CLSID_SampleControl, DIID__ISampleControlEvents) {}

SampleControl::~SampleControl() {
    SysFreeString(caption_);
    if (font_) font_->Release();
}

void* SampleControl::FindInterface(REFIID riid) {
    if (IsEqualIID(riid, IID_ISampleControl) || IsEqualIID(riid, IID_IDispatch))
        return static_cast<ISampleControl*>(this);
    return nullptr;
}

comkit::PropertyMap SampleControl::Properties() const {
    return {kPersisted, sizeof kPersisted / sizeof kPersisted[0], 0x0100};
}

void SampleControl::OnDraw(HDC dc, const RECT& bounds) {
    HBRUSH brush = CreateSolidBrush(RGB(0, 128, 255));
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
}

STDMETHODIMP SampleControl::get_Caption(BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!caption_) return S_OK;
    *value = SysAllocStringLen(caption_, SysStringLen(caption_));
    return *value ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP SampleControl::put_Caption(BSTR value) {
    BSTR copy = nullptr;
    if (value) {
        copy = SysAllocStringLen(value, SysStringLen(value));
        if (!copy) return E_OUTOFMEMORY;
    }
    SysFreeString(caption_);
    caption_ = copy;
    SetDirty(true);
    NotifyChanged(kCaption);
    return S_OK;
}

STDMETHODIMP SampleControl::get_Number(LONG* value) {
    if (!value) return E_POINTER;
    *value = number_;
    return S_OK;
}

STDMETHODIMP SampleControl::put_Number(LONG value) {
    // Negative numbers are refused, so that a load can meet a failing put.
    if (value < 0) return E_INVALIDARG;
    if (!RequestEdit(kNumber)) return E_ACCESSDENIED;
    number_ = value;
    SetDirty(true);
    NotifyChanged(kNumber);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    Fire(kNumberChanged, &arg, 1);
    return S_OK;
}

STDMETHODIMP SampleControl::get_Flag(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = flag_;
    return S_OK;
}

STDMETHODIMP SampleControl::put_Flag(VARIANT_BOOL value) {
    flag_ = value ? VARIANT_TRUE : VARIANT_FALSE;
    SetDirty(true);
    NotifyChanged(kFlag);
    return S_OK;
}

STDMETHODIMP SampleControl::get_UserMode(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    return comkit::Guarded([&]() -> HRESULT {
        *value = IsUserMode() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

STDMETHODIMP SampleControl::Add(LONG a, LONG b, LONG* sum) {
    if (!sum) return E_POINTER;
    *sum = a + b;
    return S_OK;
}

STDMETHODIMP SampleControl::Say(BSTR text) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = text; // borrowed for the call
    Fire(kSaid, &arg, 1);
    return S_OK;
}

STDMETHODIMP SampleControl::Ask(BSTR question, BSTR* answer) {
    if (!answer) return E_POINTER;
    // The sinks may replace the answer through the by-reference argument.
    *answer = SysAllocString(L"no answer");
    if (!*answer) return E_OUTOFMEMORY;
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = question;
    args[1].vt = VT_BYREF | VT_BSTR;
    args[1].pbstrVal = answer;
    Fire(kAsked, args, 2);
    return S_OK;
}

STDMETHODIMP SampleControl::get_Font(IFontDisp** value) {
    if (!value) return E_POINTER;
    *value = font_;
    if (font_) font_->AddRef();
    return S_OK;
}

STDMETHODIMP SampleControl::putref_Font(IFontDisp* value) {
    if (value) value->AddRef();
    if (font_) font_->Release();
    font_ = value;
    SetDirty(true);
    NotifyChanged(kFont);
    return S_OK;
}

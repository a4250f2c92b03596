#pragma once
// The sample control of the kit's tests.
#include "comkit/control_base.h"
#include "comkit/dispatch.h"

#include "sample_control_idl.h"

class SampleControl : public comkit::Dispatch<ISampleControl>, public comkit::ControlBase {
public:
    SampleControl();
    ~SampleControl() override;

    COMKIT_CONTROL_IUNKNOWN

    STDMETHODIMP get_Caption(BSTR* value) override;
    STDMETHODIMP put_Caption(BSTR value) override;
    STDMETHODIMP get_Number(LONG* value) override;
    STDMETHODIMP put_Number(LONG value) override;
    STDMETHODIMP get_Flag(VARIANT_BOOL* value) override;
    STDMETHODIMP put_Flag(VARIANT_BOOL value) override;
    STDMETHODIMP get_UserMode(VARIANT_BOOL* value) override;
    STDMETHODIMP get_Font(IFontDisp** value) override;
    STDMETHODIMP putref_Font(IFontDisp* value) override;
    STDMETHODIMP Add(LONG a, LONG b, LONG* sum) override;
    STDMETHODIMP Say(BSTR text) override;
    STDMETHODIMP Ask(BSTR question, BSTR* answer) override;

protected:
    void* FindInterface(REFIID riid) override;
    comkit::PropertyMap Properties() const override;
    void OnDraw(HDC dc, const RECT& bounds) override;

private:
    BSTR caption_ = nullptr;
    LONG number_ = 0;
    VARIANT_BOOL flag_ = VARIANT_FALSE;
    IFontDisp* font_ = nullptr;
};

#pragma once
// An events sink for the control's tests: it records every event it is
// called with, in the order it came, as text that tables of expected
// sequences compare with.
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

namespace quillmark_test {

// The events interface of the control (_IQuillmarkEvents).
const IID kEventsIid = {0x6B29C8C9, 0x517A, 0x459A, {0xAC, 0x5F, 0x3B, 0x45, 0x12, 0xCD, 0x81, 0x97}};

// One event as "dispid(TYPE value,...)" with the arguments in declaration
// order: I4, I2, BSTR "text", BYREF BSTR "text".
inline std::string DescribeEvent(DISPID id, const DISPPARAMS& params)
{
    std::string line = std::to_string(id) + "(";
    for (UINT i = params.cArgs; i-- > 0;) {
        const VARIANTARG& a = params.rgvarg[i];
        if (i + 1 != params.cArgs)
            line += ",";
        auto text = [](BSTR b) {
            if (!b)
                return std::string("null");
            std::string s = "\"";
            for (const wchar_t* c = b; *c; ++c)
                s += static_cast<char>(*c);
            return s + "\"";
        };
        switch (V_VT(&a)) {
        case VT_I4: line += "I4 " + std::to_string(V_I4(&a)); break;
        case VT_I2: line += "I2 " + std::to_string(V_I2(&a)); break;
        case VT_BSTR: line += "BSTR " + text(V_BSTR(&a)); break;
        case VT_BYREF | VT_BSTR: line += "BYREF BSTR " + text(*V_BSTRREF(&a)); break;
        default: line += "VT " + std::to_string(V_VT(&a)); break;
        }
    }
    return line + ")";
}

// An events sink: records each event as DescribeEvent into a shared list
// (prefixed with its name), then runs onEvent, whose value (when set) is the
// sink's result. Advised on a control's events point when made.
class RecordingSink : public IDispatch {
public:
    using Handler = std::function<long(DISPID, DISPPARAMS&)>;

    // A sink advised on point (no reference to the point is kept).
    static RecordingSink* Advise(IConnectionPoint* point, std::vector<std::string>* record,
                                 std::string name = "")
    {
        auto* sink = new RecordingSink(point, record, std::move(name));
        point->Advise(static_cast<IDispatch*>(sink), &sink->cookie);
        return sink;
    }
    void Unadvise()
    {
        if (cookie && point_)
            point_->Unadvise(cookie);
        cookie = 0;
    }
    // The control went away (and dropped its sinks).
    void ForgetControl()
    {
        point_ = nullptr;
        cookie = 0;
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, kEventsIid)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO*, UINT*) override
    {
        lastLcid = lcid;
        lastFlags = flags;
        record_->push_back(name_ + DescribeEvent(id, *params));
        if (onEvent) {
            Handler handler = onEvent;  // the handler may replace itself
            const long value = handler(id, *params);
            if (result) {
                VariantInit(result);
                V_VT(result) = VT_I4;
                V_I4(result) = value;
            }
        }
        return S_OK;
    }

    DWORD cookie = 0;
    Handler onEvent;
    LCID lastLcid = 0;
    WORD lastFlags = 0;

private:
    RecordingSink(IConnectionPoint* point, std::vector<std::string>* record, std::string name)
        : point_(point), record_(record), name_(std::move(name))
    {
    }
    virtual ~RecordingSink() = default;

    ULONG refs_ = 1;
    IConnectionPoint* point_;
    std::vector<std::string>* record_;
    std::string name_;
};

} // namespace quillmark_test

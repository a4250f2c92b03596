#pragma once
// A stand-in for the control object: what the units ask of the control
// (ControlServices) over an engine link, a defaults cache and the fonts of
// their own, with every service call recorded, and an event sink that
// records the events it receives.
#include <windows.h>
#include <ocidl.h>

#include "comkit/connection_point.h"
#include "control_events.h"
#include "control_fonts.h"
#include "control_services.h"
#include "defaults_cache.h"
#include "engine_link.h"

#include <functional>
#include <string>
#include <vector>

namespace quillmark_test {

// The events interface of the control.
const IID kEventsIid = {0x6B29C8C9, 0x517A, 0x459A, {0xAC, 0x5F, 0x3B, 0x45, 0x12, 0xCD, 0x81, 0x97}};

class TestControl final : public IConnectionPointContainer, public quillmark::ControlServices {
public:
    // A new control with one reference for the caller.
    static TestControl* Create() { return new TestControl(); }

    HRESULT LoadEngine(const wchar_t* fileName = quillmark::kEngineFileName)
    {
        return quillmark::LoadEngine(link, *this, defaults, fonts, toolPalette, fileName);
    }

    // IUnknown, IConnectionPointContainer
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *object = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --refs;
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override
    {
        if (!IsEqualIID(riid, kEventsIid))
            return CONNECT_E_NOCONNECTION;
        *point = &events;
        events.AddRef();
        return S_OK;
    }

    // ControlServices
    AnnotationEngine* Engine() const override { return link.Engine(); }
    HRESULT ReportError(int code) override
    {
        calls.push_back("ReportError(" + std::to_string(code) + ")");
        if (code == 0)
            return S_OK;
        if (code == 1005)
            return S_FALSE;
        return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code));
    }
    bool IsUserMode() override { return userMode; }
    void NotifyPropertyChanged(DISPID id) override
    {
        calls.push_back("NotifyPropertyChanged(" + std::to_string(id) + ")");
    }
    IUnknown* ControlUnknown() override { return static_cast<IConnectionPointContainer*>(this); }
    comkit::ConnectionPoint& EventPoint() override { return events; }
    bool HasNoClient() override { return noClient; }
    void SendOnChanged(DISPID id) override
    {
        calls.push_back("OnChanged(" + std::to_string(id) + ")");
    }
    bool RequestEdit(DISPID id) override
    {
        calls.push_back("RequestEdit(" + std::to_string(id) + ")");
        return allowEdit;
    }
    void MarkDirty() override { calls.push_back("MarkDirty"); }
    void SetReportedLayer(int layer) override
    {
        reportedLayer = layer;
        calls.push_back("SetReportedLayer(" + std::to_string(layer) + ")");
    }
    void HostCurrentLayerChanged(int active) override
    {
        calls.push_back("HostCurrentLayerChanged(" + std::to_string(active) + ")");
    }

    // Members in the order the control tears them down: the link goes first
    // (after the sinks are unadvised), the fonts last.
    quillmark::ControlFonts fonts{*this};
    quillmark::DefaultsCache defaults{*this, fonts};
    quillmark::EngineLink link;
    comkit::ConnectionPoint events{this, kEventsIid};
    bool userMode = true;
    bool noClient = false;
    bool allowEdit = true;
    bool toolPalette = true;
    int reportedLayer = 0;
    std::vector<std::string> calls;
    std::function<void()> onDestroy;

private:
    TestControl() { fonts.Create(); }
    ~TestControl()
    {
        fonts.DisconnectSinks();
        link.Unload();
        events.UnadviseAll();
        if (onDestroy)
            onDestroy();
    }
    ULONG refs = 1;
};

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

    static RecordingSink* Advise(TestControl* control, std::vector<std::string>* record,
                                 std::string name = "")
    {
        auto* sink = new RecordingSink(control, record, std::move(name));
        control->events.Advise(static_cast<IDispatch*>(sink), &sink->cookie);
        return sink;
    }
    void Unadvise()
    {
        if (cookie && control_)
            control_->events.Unadvise(cookie);
        cookie = 0;
    }
    // The control went away (and dropped its sinks).
    void ForgetControl()
    {
        control_ = nullptr;
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
    RecordingSink(TestControl* control, std::vector<std::string>* record, std::string name)
        : control_(control), record_(record), name_(std::move(name))
    {
    }
    virtual ~RecordingSink() = default;

    ULONG refs_ = 1;
    TestControl* control_;
    std::vector<std::string>* record_;
    std::string name_;
};

} // namespace quillmark_test

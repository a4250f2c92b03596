#pragma once
// A stand-in for the control object: what the units ask of the control
// (ControlServices) over an engine link, a defaults cache and the fonts of
// their own, with every service call recorded.
#include <windows.h>
#include <ocidl.h>

#include "comkit/connection_point.h"
#include "control_events.h"
#include "control_fonts.h"
#include "control_services.h"
#include "defaults_cache.h"
#include "engine_link.h"
#include "recording_sink.h"

#include <functional>
#include <string>
#include <vector>

namespace quillmark_test {

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

// A recording sink advised on a stand-in control's events point.
inline RecordingSink* AdviseSink(TestControl* control, std::vector<std::string>* record,
                                 std::string name = "")
{
    return RecordingSink::Advise(&control->events, record, std::move(name));
}

} // namespace quillmark_test

#pragma once
// A minimal IQuillmark object for the tests of the generated members: it
// offers the members of member_support.h (an engine pointer the test sets,
// an error reporter that records the codes), takes the generated declarations
// and bodies like the control does, and answers every custom member with
// kCustomMarker.
#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "annotation_engine.h"
#include "comkit/dispatch.h"
#include "quillmark.h"

class MemberTableHost final : public comkit::Dispatch<IQuillmark> {
public:
    static constexpr HRESULT kCustomMarker = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x7777);

    MemberTableHost() = default;
    ~MemberTableHost() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, IID_IQuillmark)) {
            *object = static_cast<IQuillmark*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

#include "quillmark_members.inc"

    AnnotationEngine* Engine() const { return engine; }
    HRESULT ReportError(int engineCode) {
        reported.push_back(engineCode);
        if (engineCode == 0) return S_OK;
        if (engineCode == 1005) return S_FALSE;
        return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, engineCode);
    }
    bool IsUserMode() { return userMode; }
    void NotifyPropertyChanged(DISPID dispid) { notified.push_back(dispid); }

    AnnotationEngine* engine = nullptr;
    bool userMode = true;
    std::vector<int> reported;
    std::vector<DISPID> notified;

private:
    ULONG refs_ = 1;
};
